// SPDX-License-Identifier: MIT
#include "runlogs.h"

#include "engineactivitylog.h"
#include "engineutility.h"
#include "progids.h"
#include "systemtexts.h"

void EngineRunLogs::activity(const QString &name, const QString &text, int kind)
{
    const std::unique_ptr<EngineActivityLog> log =
        ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog));
    log->WriteEntry(QLatin1String(Texts::Source), name, text, kind);
}

void EngineRunLogs::error(const QString &operation, const QString &message)
{
    try {
        engineUtility().LogMessage(message, 0, Texts::source(operation));
    } catch (const QuenlockError &) {
        // A log that cannot be written also fails the run's next activity
        // entry, which ends the run before any further change.
    }
}

void EngineRunLogs::begin(const RunStart &start) { engineUtility().BeginRun(start); }

void EngineRunLogs::changed(const PlannedChange &change) { engineUtility().RecordChange(change); }

void EngineRunLogs::end(qint32 saved, RunEnd how) { engineUtility().EndRun(saved, how); }
