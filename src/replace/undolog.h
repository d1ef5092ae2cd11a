// SPDX-License-Identifier: MIT
// Undo records: the old value of a field, as five activity entries of kind -1.
#pragma once

#include <QString>

class RunLogs;

// Writes through the logs it borrows. Each entry goes out as soon as its text
// is ready; a failure part-way logs one "Morvane.UndoSave" line and returns,
// and the caller changes its field all the same. A log that cannot be
// written (LogWriteError) is not trapped: no field may change without its
// record on disk, so it ends the run.
class UndoLog
{
public:
    explicit UndoLog(RunLogs &logs) : m_logs(logs) {}
    void UndoSave(const QString &folderStoreId, const QString &folderEntryId,
                  const QString &itemEntryId, const QString &fieldName, const QString &fieldValue);
    // One entry of kind -1 under functionName; errors reach the caller.
    void WriteToUndoLog(const QString &functionName, const QString &message);

private:
    RunLogs &m_logs;
};
