// SPDX-License-Identifier: MIT
// The journal's commands: runs, and undo of a run.
#include "batchcommands.h"

#include "hostsession.h"
#include "iengineapi.h"
#include "journalview.h"
#include "logdatabase.h"
#include "moduleloader.h"
#include "runresult.h"
#include "capturingutility.h"
#include "terminalio.h"
#include "terminalprogress.h"

#include <QSet>
#include <optional>

using namespace TerminalIo;

namespace {
using namespace JournalView;

void printRun(const RunEntry &run, bool asJson)
{
    const RunStart &s = run.start;
    if (asJson) {
        QStringList folders;
        for (const QString &name : s.folders)
            folders << json(name);
        out() << "{\"id\":" << run.id << ",\"started\":" << json(run.started)
              << ",\"searchFor\":" << json(s.searchFor) << ",\"replaceWith\":" << json(s.replaceWith)
              << ",\"caseSensitive\":" << (s.caseValue ? "true" : "false")
              << ",\"specialInstructions\":" << json(s.specialInstructions) << ",\"folders\":["
              << folders.join(u',') << "],\"changed\":" << run.changed << ",\"state\":" << json(state(run))
              << ",\"undone\":" << (run.undoneBy ? "true" : "false");
        if (s.undoes)
            out() << ",\"undoes\":" << s.undoes;
        out() << "}\n";
        return;
    }
    out() << run.id << '\t' << run.started << '\t' << escapedField(s.searchFor) << '\t'
          << escapedField(s.replaceWith) << '\t' << s.caseValue << '\t' << escapedField(s.specialInstructions)
          << '\t' << escapedField(s.folders.join(QStringLiteral(", "))) << '\t' << run.changed << '\t'
          << state(run) << '\t' << (run.undoneBy ? QStringLiteral("undone by %1").arg(run.undoneBy) : QStringLiteral("-"));
    if (s.undoes)
        out() << "\tundo of " << s.undoes;
    out() << '\n';
}

void printUndo(const UndoResult &result, bool asJson)
{
    for (const PlannedChange &change : result.restored)
        printChange(change, asJson, asJson ? QStringLiteral("\"status\":\"restore\",") : QString());
    for (const PlannedChange &change : result.skipped) {
        if (asJson) {
            printChange(change, true, QStringLiteral("\"status\":\"changed since the run\","));
            continue;
        }
        err() << "Changed since the run, left as it is: " << escapedField(change.storeId) << '\t'
              << escapedField(change.folderEntryId) << '\t' << escapedField(change.itemEntryId) << '\t'
              << change.field << Qt::endl;
    }
    for (const QString &line : result.lines)
        err() << line << Qt::endl;
    out() << result.summary << Qt::endl;
}
// The run's folders none of the host's stores holds, as "store folder".
QStringList unserved(HostObject &host, const QList<PlannedChange> &changes)
{
    QStringList missing;
    QSet<QString> checked;
    for (const PlannedChange &change : changes) {
        const QString folder = change.storeId + u'\t' + change.folderEntryId;
        if (checked.contains(folder))
            continue;
        checked.insert(folder);
        if (!host.engine()->KTGetFolder(change.folderEntryId, change.storeId))
            missing << folder;
    }
    return missing;
}
} // namespace

int BatchCommands::runs(bool asJson)
{
    for (const RunEntry &run : LogDatabase::instance().runs())
        printRun(run, asJson);
    return Done;
}

int BatchCommands::undo(const QStringList &stores, const QStringList &accounts, const UndoOptions &o)
{
    const std::optional<RunEntry> run = findRun(LogDatabase::instance().runs(), o.runId);
    if (!run) {
        err() << (o.runId ? QStringLiteral("There is no run %1").arg(o.runId) : QStringLiteral("There is no run"))
              << " to undo; 'quenlock runs' lists the runs." << Qt::endl;
        return Usage;
    }
    if (run->undoneBy && !o.force) {
        err() << alreadyUndone(*run) << " --force undoes it once more." << Qt::endl;
        return Failed;
    }
    requireStores(stores, accounts);
    const QList<PlannedChange> changes = LogDatabase::instance().runChanges(run->id);
    TerminalPrompt answers(o.yes || o.dryRun);
    if (answers.ask(nullptr, undoQuestion(*run, changes.size()), Prompt::Buttons::YesNo) != Prompt::Answer::Yes)
        return NotConfirmed;
    UndoResult result;
    QStringList hostLines;
    {
        // A dry run stores nothing: no module start, no host log line.
        std::optional<CapturingUtility> capturing;
        if (o.dryRun)
            capturing.emplace();
        HostSession host(stores, !o.dryRun, accounts);
        if (const QStringList missing = unserved(host, changes); !missing.isEmpty()) {
            err() << "The run changed items in folders this host does not serve; name their stores "
                     "with --store or --account:\n  "
                  << missing.join(QStringLiteral("\n  ")) << Qt::endl;
            return Failed;
        }
        TerminalProgress progress(!o.quiet && TerminalProgress::stderrIsTerminal());
        result = ModuleLoader::createRun()->Undo(&host, undoStart(*run), changes, o.dryRun, progress);
        if (capturing)
            hostLines = capturing->lines;
    }
    for (const QString &line : std::as_const(hostLines))
        err() << line << Qt::endl;
    printUndo(result, o.json);
    return result.skippedItems || result.failedItems ? Failed : Done;
}
