// SPDX-License-Identifier: MIT
// The journal's commands: runs, and undo of a run.
#include "journalcommands.h"

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

#include <QJsonArray>
#include <QSet>
#include <optional>

using namespace BatchCommands;
using namespace TerminalIo;

namespace {
using namespace JournalView;

Record runRecord(const RunEntry &run)
{
    const RunStart &s = run.start;
    Record record;
    record.add(QStringLiteral("id"), run.id)
        .add(QStringLiteral("started"), run.started)
        .add(QStringLiteral("searchFor"), s.searchFor)
        .add(QStringLiteral("replaceWith"), s.replaceWith)
        .add(QStringLiteral("caseSensitive"), QJsonValue(s.caseValue != 0), QString::number(s.caseValue))
        .add(QStringLiteral("specialInstructions"), s.specialInstructions)
        .add(QStringLiteral("folders"), QJsonArray::fromStringList(s.folders), s.folders.join(QStringLiteral(", ")))
        .add(QStringLiteral("changed"), run.changed)
        .add(QStringLiteral("state"), state(run))
        .add(QStringLiteral("undone"), QJsonValue(run.undoneBy != 0),
             run.undoneBy ? QStringLiteral("undone by %1").arg(run.undoneBy) : QStringLiteral("-"));
    if (s.undoes)
        record.add(QStringLiteral("undoes"), QJsonValue(s.undoes), QStringLiteral("undo of %1").arg(s.undoes));
    return record;
}

// A change with its status first, for JSON.
Record withStatus(const QString &status, const PlannedChange &change)
{
    Record record;
    record.hidden(QStringLiteral("status"), status);
    record.fields += changeRecord(change).fields;
    return record;
}

void printUndo(const UndoResult &result, bool asJson)
{
    for (const PlannedChange &change : result.restored)
        print(asJson ? withStatus(QStringLiteral("restore"), change) : changeRecord(change), asJson);
    for (const PlannedChange &change : result.skipped) {
        if (asJson) {
            print(withStatus(QStringLiteral("changed since the run"), change), true);
            continue;
        }
        Record where = changeRecord(change);
        where.fields.resize(where.fields.size() - 2); // the values: only where it is
        say(QStringLiteral("Changed since the run, left as it is: ") + RecordWriter::tabSeparated(where));
    }
    for (const QString &line : result.lines)
        say(line);
    if (asJson)
        print(Record().add(QStringLiteral("summary"), result.summary), true);
    else
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

int JournalCommands::runs(bool asJson)
{
    for (const RunEntry &run : LogDatabase::instance().runs())
        print(runRecord(run), asJson);
    return Done;
}

int JournalCommands::undo(const QStringList &stores, const QStringList &accounts, const UndoOptions &o)
{
    const std::optional<RunEntry> run = findRun(LogDatabase::instance().runs(), o.runId);
    if (!run) {
        say((o.runId ? QStringLiteral("There is no run %1").arg(o.runId) : QStringLiteral("There is no run"))
            + QStringLiteral(" to undo; 'quenlock runs' lists the runs."));
        return Refused;
    }
    if (run->undoneBy && !o.force) {
        say(alreadyUndone(*run) + QStringLiteral(" --force undoes it once more."));
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
            say(QStringLiteral("The run changed items in folders this host does not serve; name their stores "
                               "with --store or --account:\n  ")
                + missing.join(QStringLiteral("\n  ")));
            return Failed;
        }
        TerminalProgress progress(!o.quiet && TerminalProgress::stderrIsTerminal());
        TerminalProgress::catchStopSignals();
        result = ModuleLoader::createRun()->Undo(&host, undoStart(*run), changes, o.dryRun, progress);
        if (capturing)
            hostLines = capturing->lines;
    }
    for (const QString &line : std::as_const(hostLines))
        say(line);
    printUndo(result, o.json);
    if (result.stopped)
        return TerminalProgress::stoppedStatus();
    return result.skippedItems || result.failedItems ? Failed : Done;
}
