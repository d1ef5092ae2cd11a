// SPDX-License-Identifier: MIT
#include "terminalio.h"

#include "hostconfig.h"
#include "quenlockerror.h"

#include <QDir>
#include <QFileInfo>
#include <unistd.h>

namespace TerminalIo {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

void say(const QString &message)
{
    for (const QString &line : message.split(u'\n'))
        err() << "quenlock: " << line << '\n';
    err().flush();
}

void print(const Record &record, bool asJson) { out() << RecordWriter::line(record, asJson) << '\n'; }

void requireStores(const QStringList &given, const QStringList &accounts)
{
    const HostConfig config = HostConfig::load();
    for (const QString &name : accounts)
        config.account(name); // throws for one not configured
    const QStringList stores = given.isEmpty() && accounts.isEmpty() ? config.stores : given;
    for (const QString &store : stores) {
        if (!QFileInfo(store).isDir())
            throw QuenlockError(QStringLiteral("no store folder at %1. Name one with --store DIR, or list "
                                               "store folders in %2 as [Stores] paths=DIR,...")
                                    .arg(store, HostConfig::file()));
        // A collection given as a store would list nothing at all.
        const QDir dir(store);
        if (dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty()
            && !dir.entryList({QStringLiteral("*.vcf"), QStringLiteral("*.ics")}, QDir::Files).isEmpty())
            throw QuenlockError(QStringLiteral("%1 is itself a collection (it holds item files, no folders): "
                                               "name the store that holds it, --store %2")
                                    .arg(store, QFileInfo(dir.absolutePath()).path()));
    }
}

Prompt::Answer TerminalPrompt::ask(QWidget *, const QString &text, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        say(text);
        return Answer::Ok;
    }
    if (m_yes)
        return Answer::Yes;
    const QString question = m_question.isEmpty() ? text : m_question;
    if (!isatty(STDIN_FILENO)) {
        say(question + QStringLiteral("\nNo terminal to confirm on: answered No (use --yes)."));
        return Answer::No;
    }
    err() << "quenlock: " << question << " [y/N] " << Qt::flush;
    const QString answer = QTextStream(stdin).readLine().trimmed().toLower();
    if (answer == u"y" || answer == u"yes")
        return Answer::Yes;
    say(QStringLiteral("Not confirmed"));
    return Answer::No;
}

} // namespace TerminalIo
