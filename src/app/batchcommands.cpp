// SPDX-License-Identifier: MIT
#include "batchcommands.h"

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
#include "capturingutility.h"
#include "terminalio.h"
#include "terminalprogress.h"
#include "settingskeys.h"
#include "logdatabase.h"

#include <QTextStream>

using namespace TerminalIo;

int BatchCommands::folders(const QStringList &stores, const QStringList &accounts, bool asJson)
{
    requireStores(stores, accounts);
    HostSession host(stores, true, accounts);
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

int BatchCommands::preview(const QStringList &stores, const QStringList &accounts, bool asJson, bool quiet)
{
    requireStores(stores, accounts);
    QList<PlannedChange> changes;
    QStringList lines;
    RunResult result;
    CapturingUtility capturing;
    {
        HostSession host(stores, false, accounts);
        TerminalProgress progress(!quiet && TerminalProgress::stderrIsTerminal());
        result = ModuleLoader::createRun()->Preview(&host, progress, changes, lines);
    }
    for (const PlannedChange &change : std::as_const(changes))
        printChange(change, asJson);
    for (const QString &line : capturing.lines + lines)
        err() << line << Qt::endl;
    if (result.outcome == RunResult::Outcome::Error)
        return Failed;
    out() << result.text << Qt::endl;
    return result.itemErrors > 0 ? ItemErrors : Done;
}

int BatchCommands::run(const QStringList &stores, const QStringList &accounts, bool yes, bool quiet)
{
    requireStores(stores, accounts);
    HostSession host(stores, true, accounts);
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
