// SPDX-License-Identifier: MIT
#include "batchcommands.h"

#include "hostconfig.h"
#include "hostsession.h"
#include "engineutility.h"
#include "progresssink.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "settingsstore.h"
#include "moduleloader.h"
#include "olapplication.h"
#include "settingsaccess.h"
#include "runresult.h"
#include "terminalprogress.h"
#include "settingskeys.h"
#include "logdatabase.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {

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

// Answers the run's message boxes from the command line: notices go to
// stderr; the confirmation is yes with --yes, asked on a terminal, and no
// when there is neither.
class TerminalPrompt final : public Prompt
{
public:
    explicit TerminalPrompt(bool yes) : m_yes(yes) {}

    Answer ask(QWidget *, const QString &text, Buttons buttons) override
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

private:
    bool m_yes;
};

// The stores a command serves must be there: a missing one is named, with
// how to name another.
void requireStores(const QStringList &given)
{
    const QStringList stores = given.isEmpty() ? HostConfig::load().stores : given;
    for (const QString &store : stores) {
        if (!QFileInfo(store).isDir())
            throw QuenlockError(QStringLiteral("no store folder at %1. Name one with --store DIR, or list "
                                               "store folders in %2 as [Stores] paths=DIR,...")
                                    .arg(store, HostConfig::file()));
    }
}

// Host log lines of a preview are shown, never stored: every other use of
// the engine's utility goes to the engine's own.
class CapturingUtility final : public EngineUtility
{
public:
    explicit CapturingUtility(EngineUtility &inner) : m_inner(inner) {}
    QStringList lines;
    void LogMessage(const QString &message, int, const QString &source) override
    {
        lines << source + QStringLiteral(": ") + message;
    }
    QString LookupText(const TextTable &table, const QString &key) override
    {
        return m_inner.LookupText(table, key);
    }
    void LoadTextTable(TextTable &table, const QString &section) override
    {
        m_inner.LoadTextTable(table, section);
    }
    QString SettingsAppName() override { return m_inner.SettingsAppName(); }

private:
    EngineUtility &m_inner;
};

// Tabs and line breaks in a value would break the line apart.
QString escapedField(QString value)
{
    return value.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
}

void printChange(const PlannedChange &c, bool asJson)
{
    if (asJson) {
        out() << "{\"store\":" << json(c.storeId) << ",\"folder\":" << json(c.folderEntryId)
              << ",\"item\":" << json(c.itemEntryId) << ",\"field\":" << json(c.field)
              << ",\"old\":" << json(c.oldValue) << ",\"new\":" << json(c.newValue) << "}\n";
        return;
    }
    out() << escapedField(c.storeId) << '\t' << escapedField(c.folderEntryId) << '\t'
          << escapedField(c.itemEntryId) << '\t' << escapedField(c.field) << '\t'
          << escapedField(c.oldValue) << '\t' << escapedField(c.newValue) << '\n';
}

} // namespace

int BatchCommands::folders(const QStringList &stores, bool asJson)
{
    requireStores(stores);
    HostSession host(stores);
    const auto nameSpace = host.OutlookApplication()->GetNamespace(QStringLiteral("MAPI"));
    for (const auto &store : nameSpace->Folders()) {
        for (const auto &folder : store->Folders()) {
            const int count = folder->Items()->Count();
            if (asJson)
                out() << "{\"name\":" << json(folder->Name()) << ",\"entryId\":" << json(folder->EntryID())
                      << ",\"storeId\":" << json(folder->StoreID()) << ",\"count\":" << count << "}\n";
            else
                out() << folder->Name() << '\t' << folder->EntryID() << '\t' << folder->StoreID() << '\t'
                      << count << '\n';
        }
    }
    return Done;
}

int BatchCommands::set(const QStringList &assignments)
{
    if (assignments.isEmpty())
        return Usage;
    for (const QString &assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            err() << "Not a KEY=VALUE assignment: " << assignment << Qt::endl;
            return Usage;
        }
    }
    for (const QString &assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        WriteSetting(assignment.left(equals), assignment.mid(equals + 1));
    }
    return Done;
}

int BatchCommands::get(const QStringList &keys)
{
    const QStringList shown = keys.isEmpty()
        ? SettingsStore::keys(engineUtility().SettingsAppName(), QLatin1String(Keys::Section))
        : keys;
    for (const QString &key : shown) {
        // A missing key prints nothing after its "=" and is reported on stderr.
        const QString value = ReadSetting(key, QString(QChar(0)));
        if (value == QString(QChar(0))) {
            err() << key << " is not set" << Qt::endl;
            continue;
        }
        out() << key << '=' << value << '\n';
    }
    return Done;
}

int BatchCommands::preview(const QStringList &stores, bool asJson, bool quiet)
{
    requireStores(stores);
    CapturingUtility capturing(engineUtility());
    setEngineUtilityOverride(&capturing);
    QList<PlannedChange> changes;
    QStringList lines;
    RunResult result;
    {
        HostSession host(stores, false);
        TerminalProgress progress(!quiet && TerminalProgress::stderrIsTerminal());
        result = ModuleLoader::createRun()->Preview(&host, progress, changes, lines);
    }
    setEngineUtilityOverride(nullptr);
    for (const PlannedChange &change : std::as_const(changes))
        printChange(change, asJson);
    for (const QString &line : capturing.lines + lines)
        err() << line << Qt::endl;
    if (result.outcome == RunResult::Outcome::Error)
        return Failed;
    out() << result.text << Qt::endl;
    return result.itemErrors > 0 ? ItemErrors : Done;
}

int BatchCommands::run(const QStringList &stores, bool yes, bool quiet)
{
    requireStores(stores);
    HostSession host(stores);
    TerminalPrompt answers(yes);
    const qint64 lastLogId = [] {
        const auto lines = LogDatabase::instance().hostLog();
        return lines.isEmpty() ? 0 : lines.last().id;
    }();

    // The same run as the Replace button of a clean page on these settings.
    TerminalProgress progress(!quiet && TerminalProgress::stderrIsTerminal());
    const RunResult result = ModuleLoader::createRun()->Run(&host, answers, progress);

    // Host log lines of the run on stderr; a bad pattern fails every item
    // alike, so a line repeated back to back is printed once with its count.
    QString previous;
    int repeats = 0;
    auto flush = [&] {
        if (repeats > 1)
            err() << "  (the line above " << repeats << " times)" << Qt::endl;
    };
    for (const auto &line : LogDatabase::instance().hostLog(lastLogId)) {
        const QString text = line.source + QStringLiteral(": ") + line.message;
        if (text == previous) {
            ++repeats;
            continue;
        }
        flush();
        err() << text << Qt::endl;
        previous = text;
        repeats = 1;
    }
    flush();
    // Once a log write failed no later one succeeds: the run's error line
    // did not reach the host log, so it is shown from here.
    if (result.outcome == RunResult::Outcome::Error && !LogDatabase::instance().failure().isEmpty())
        err() << result.text << Qt::endl;
    if (result.outcome == RunResult::Outcome::NotConfirmed)
        return NotConfirmed;
    out() << progress.label << Qt::endl;
    if (result.outcome == RunResult::Outcome::Summary && result.folderCount == 0)
        err() << "No folders are set to search: choose them in the window, or set FolderCount, "
                 "FolderName1, FolderEntryId1 and FolderStoreId1 from what 'quenlock folders' lists."
              << Qt::endl;
    if (result.outcome == RunResult::Outcome::Error)
        return Failed;
    return result.itemErrors > 0 ? ItemErrors : Done;
}

int BatchCommands::log(bool asJson)
{
    for (const auto &line : LogDatabase::instance().hostLog()) {
        if (asJson)
            out() << "{\"time\":" << json(line.time) << ",\"level\":" << line.level
                  << ",\"source\":" << json(line.source) << ",\"message\":" << json(line.message) << "}\n";
        else
            out() << line.time << '\t' << line.level << '\t' << line.source << '\t' << line.message << '\n';
    }
    return Done;
}

int BatchCommands::activity(bool asJson)
{
    for (const auto &line : LogDatabase::instance().activityLog()) {
        if (asJson)
            out() << "{\"time\":" << json(line.time) << ",\"source\":" << json(line.source)
                  << ",\"name\":" << json(line.name) << ",\"text\":" << json(line.text)
                  << ",\"kind\":" << line.kind << "}\n";
        else
            out() << line.time << '\t' << line.source << '\t' << line.name << '\t' << line.kind << '\t'
                  << line.text << '\n';
    }
    return Done;
}
