// SPDX-License-Identifier: MIT
#include "terminalio.h"

#include "hostconfig.h"
#include "quenlockerror.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
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

QString json(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString escapedField(QString value)
{
    return value.replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"));
}

void printChange(const PlannedChange &c, bool asJson, const QString &extra)
{
    if (asJson) {
        out() << '{' << extra << "\"store\":" << json(c.storeId) << ",\"folder\":" << json(c.folderEntryId)
              << ",\"item\":" << json(c.itemEntryId) << ",\"field\":" << json(c.field)
              << ",\"old\":" << json(c.oldValue) << ",\"new\":" << json(c.newValue) << "}\n";
        return;
    }
    out() << escapedField(c.storeId) << '\t' << escapedField(c.folderEntryId) << '\t'
          << escapedField(c.itemEntryId) << '\t' << escapedField(c.field) << '\t'
          << escapedField(c.oldValue) << '\t' << escapedField(c.newValue) << '\n';
}

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
    }
}

Prompt::Answer TerminalPrompt::ask(QWidget *, const QString &text, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        err() << text << Qt::endl;
        return Answer::Ok;
    }
    if (m_yes)
        return Answer::Yes;
    if (!isatty(STDIN_FILENO)) {
        err() << text << Qt::endl << "No terminal to confirm on: answered No (use --yes)." << Qt::endl;
        return Answer::No;
    }
    err() << text << " [Y/n] " << Qt::flush;
    const QString answer = QTextStream(stdin).readLine().trimmed().toLower();
    const bool yes = answer.isEmpty() || answer == u"y" || answer == u"yes";
    return yes ? Answer::Yes : Answer::No;
}

} // namespace TerminalIo
