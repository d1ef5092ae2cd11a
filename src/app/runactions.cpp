// SPDX-License-Identifier: MIT
#include "runactions.h"

#include "capturingutility.h"
#include "changesdialog.h"
#include "journalview.h"
#include "moduleloader.h"
#include "progresssink.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "systemtexts.h"

#include <QApplication>
#include <QCursor>

namespace {
// A run from the window has no bar of its own: the wait cursor shows it works.
class BusyCursor final : public ProgressSink
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() override { QApplication::restoreOverrideCursor(); }
    void showFolder(const QString &) override {}
    void setItemRange(int) override {}
    void setItem(int) override {}
    void finish() override {}
    void showSummary(const QString &) override {}
};

void tell(QWidget *window, const QString &text) { prompt().ask(window, text, Prompt::Buttons::Ok); }

void runForReal(QWidget *window, HostObject &host, IReplaceRun &run)
{
    RunResult result;
    {
        BusyCursor busy;
        result = run.Run(&host, prompt(), busy);
    }
    if (result.outcome == RunResult::Outcome::Summary || result.outcome == RunResult::Outcome::Error)
        tell(window, result.text);
}

QList<ChangesDialog::Row> undoRows(const UndoResult &result)
{
    // What will not be given back comes first: the user has to know.
    QList<ChangesDialog::Row> rows;
    for (PlannedChange change : result.skipped) {
        change.newValue = change.oldValue; // kept as it is now
        rows.append({QStringLiteral("Skip: changed since the run"), change, false});
    }
    for (const PlannedChange &change : result.restored)
        rows.append({QStringLiteral("Restore"), change, true});
    return rows;
}
} // namespace

void RunActions::preview(QWidget *window, HostObject &host)
{
    try {
        const std::unique_ptr<IReplaceRun> run = ModuleLoader::createRun();
        QList<PlannedChange> changes;
        QStringList lines;
        RunResult result;
        {
            CapturingUtility capturing;
            BusyCursor busy;
            result = run->Preview(&host, busy, changes, lines);
            lines = capturing.lines + lines;
        }
        QList<ChangesDialog::Row> rows;
        for (const PlannedChange &change : std::as_const(changes))
            rows.append({QString(), change, true});
        ChangesDialog table(QStringLiteral("Preview"), result.text, rows, lines, QStringLiteral("Replace..."), window);
        if (table.exec() == QDialog::Accepted)
            runForReal(window, host, *run);
    } catch (const QuenlockError &error) {
        tell(window, Texts::runStopped(error.description()));
    }
}

void RunActions::undoLast(QWidget *window, HostObject &host)
{
    try {
        const std::optional<JournalView::RunEntry> last = JournalView::findRun(LogDatabase::instance().runs(), 0);
        if (!last)
            return tell(window, QStringLiteral("There is no run to undo."));
        if (last->undoneBy)
            return tell(window, JournalView::alreadyUndone(*last));
        const QList<PlannedChange> changes = LogDatabase::instance().runChanges(last->id);
        const std::unique_ptr<IReplaceRun> run = ModuleLoader::createRun();
        UndoResult planned;
        {
            CapturingUtility capturing;
            BusyCursor busy;
            planned = run->Undo(&host, JournalView::undoStart(*last), changes, true, busy);
            planned.lines = capturing.lines + planned.lines;
        }
        ChangesDialog table(QStringLiteral("Undo Last Run"), QStringLiteral("Undo ") + JournalView::describe(*last) + u'\n' + planned.summary,
                            undoRows(planned), planned.lines, QStringLiteral("Undo..."), window);
        if (table.exec() != QDialog::Accepted
            || prompt().ask(window, JournalView::undoQuestion(*last, changes.size()), Prompt::Buttons::YesNo)
                != Prompt::Answer::Yes)
            return;
        UndoResult done;
        {
            BusyCursor busy;
            done = run->Undo(&host, JournalView::undoStart(*last), changes, false, busy);
        }
        tell(window, (QStringList{done.summary} + done.lines).join(u'\n'));
    } catch (const QuenlockError &error) {
        tell(window, Texts::undoStopped(error.description()));
    }
}
