// SPDX-License-Identifier: MIT
// The two log channels of a replace: the activity log and the host log.
#pragma once

#include "runjournal.h"

#include <QString>

// Progress lines (kind 0) and undo entries (kind -1) go to the activity log
// under the source "Morvane"; errors go to the host log at level 0 under
// "Morvane." + the operation. Errors in writing an activity entry reach the
// caller. Error lines are written by error handlers, so error() never throws:
// a line that cannot be written is dropped and the error being handled
// decides what happens next.
class RunLogs
{
public:
    virtual ~RunLogs() = default;
    virtual void activity(const QString &name, const QString &text, int kind) = 0;
    virtual void error(const QString &operation, const QString &message) = 0;
    // A field's undo record was written whole (its five entries); newValue
    // is empty. What journals a run keeps it until the item is saved.
    virtual void recorded(const PlannedChange &) {}
    // The item the error line just written ended, and its step, for people.
    virtual void itemFailed(const QString & /*where*/) {}
    // The run journal (see EngineUtility); logs without one keep nothing.
    // Errors reach the caller.
    virtual void begin(const RunStart &) {}
    virtual void changed(const PlannedChange &) {}
    virtual void end(qint32 /*saved*/, RunEnd) {}
};

// The engine's logs: a fresh EngineActivityLog per entry, released at once,
// and EngineUtility's LogMessage and run journal.
class EngineRunLogs final : public RunLogs
{
public:
    void activity(const QString &name, const QString &text, int kind) override;
    void error(const QString &operation, const QString &message) override;
    void begin(const RunStart &start) override;
    void changed(const PlannedChange &change) override;
    void end(qint32 saved, RunEnd how) override;
};
