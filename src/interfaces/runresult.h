// SPDX-License-Identifier: MIT
// What a replace run ended with, and the run as the host starts it.
#pragma once

#include "runjournal.h"

#include <QList>
#include <QString>
#include <QStringList>

class HostObject;
class Prompt;
class ProgressSink;

struct RunResult
{
    enum class Outcome {
        Summary,      // walked every folder; text is the summary
        Error,        // ended at its first error; text is the error line
        NotConfirmed, // the user did not answer Yes
        ApplyFirst,   // the page held unsaved changes; nothing ran
        Stopped,      // stopped between items on request; text is "Stopped: N items saved"
    };
    Outcome outcome = Outcome::Summary;
    QString text;
    qint32 updated = 0;     // items saved
    qint32 folderCount = 0; // folders configured (skipped ones included)
    int itemErrors = 0;     // host log lines of items that ended early
    // Those lines as the host log has them ("Morvane.<operation>: <message>"),
    // each with the item it ended and the step, for people: "'Arjun Mehta',
    // step 520 (Start)".
    struct ItemError
    {
        QString where, line;
    };
    QList<ItemError> itemErrorLines = {};
};

// What an undo gave back, or in a dry run would give back.
struct UndoResult
{
    // old: the value the field held (what the run wrote), new: the value given back.
    QList<PlannedChange> restored;
    // Fields changed since the run; their items are left as they are.
    // old: the value the field holds now, new: the value the run wrote.
    QList<PlannedChange> skipped;
    QStringList lines; // the error lines of items that could not be given back
    int restoredItems = 0, skippedItems = 0, failedItems = 0;
    bool stopped = false; // stopped between items on request; summary is "Stopped: N items saved"
    QString summary;
};

// The run of the Replace button on the applied settings, for a host without a
// page: it reads the search text, the replacement and the case flag from the
// store as the page would show them, and asks and shows through the host's
// prompt and progress sink.
class IReplaceRun
{
public:
    virtual ~IReplaceRun() = default;
    virtual RunResult Run(HostObject *host, Prompt &prompt, ProgressSink &progress) = 0;
    // The same run, writing nothing: no item is saved and no log row is
    // written. changes gets every field the run would change, in run order;
    // the summary reads "Would update N items in M folders", and lines holds
    // the host log lines the run would write.
    virtual RunResult Preview(HostObject *host, ProgressSink &progress, QList<PlannedChange> &changes,
                              QStringList &lines) = 0;
    // Gives back what a journaled run changed: changes as it recorded them,
    // in its order; undoing names it (its undoes set) for the journal.
    // dryRun: writes nothing, as a preview. A log that cannot be written
    // (LogWriteError) ends it and reaches the caller.
    virtual UndoResult Undo(HostObject *host, const RunStart &undoing, const QList<PlannedChange> &changes,
                            bool dryRun, ProgressSink &progress) = 0;
};

// Exported by Pellowan beside the page factory; the caller owns the run.
#define QUENLOCK_RUN_FACTORY "quenlock_create_run"
using CreateRunFn = IReplaceRun *(*)();
