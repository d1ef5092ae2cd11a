// SPDX-License-Identifier: MIT
// How the host picks and names journaled runs, in the window and the terminal.
#pragma once

#include "logdatabase.h"

#include <optional>

namespace JournalView {
using RunEntry = LogDatabase::RunEntry;
// Run id, or with id 0 the newest run that is not an undo and changed something.
std::optional<RunEntry> findRun(const QList<RunEntry> &runs, qint64 id);
// "run 5 of <start>, replacing 'a' with 'b'" or "run 7 of <start>, the undo of run 5".
QString describe(const RunEntry &run);
// A journal's UTC stamp as the local time people read ("2026-12-09 11:29:23");
// the stamp itself when it is not one.
QString localTime(const QString &stamp);
// "finished", "finished, items left as they were" (an undo), "stopped at an
// error" or "cut short" (killed, or still going).
QString state(const RunEntry &run);
// The undo's confirmation.
QString undoQuestion(const RunEntry &run, qsizetype fields);
// Why a run already undone is not undone again.
QString alreadyUndone(const RunEntry &run);
// What an undo starts as in the journal: the run's own start, naming the run.
RunStart undoStart(const RunEntry &run);
} // namespace JournalView
