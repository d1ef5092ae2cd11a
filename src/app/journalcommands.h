// SPDX-License-Identifier: MIT
// The journal's commands: the runs, and undo of a run.
#pragma once

#include <QStringList>

namespace JournalCommands {
// The journaled runs, newest first.
int runs(bool json);
// Gives back what run runId changed (0: the newest replace run), as
// UndoRun does; dryRun lists it and writes nothing; force undoes a run
// already undone. Exit statuses: 0 all given back, 1 some items skipped or
// failed (or the run was already undone), 2 no such run, 3 not confirmed.
struct UndoOptions
{
    qint64 runId = 0;
    bool dryRun = false, yes = false, json = false, force = false, quiet = false;
};
int undo(const QStringList &stores, const QStringList &accounts, const UndoOptions &options);
} // namespace JournalCommands
