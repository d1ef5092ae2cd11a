// SPDX-License-Identifier: MIT
#include "undolog.h"

#include "runlogs.h"
#include "systemtexts.h"

void UndoLog::UndoSave(const QString &folderStoreId, const QString &folderEntryId,
                       const QString &itemEntryId, const QString &fieldName, const QString &fieldValue)
{
    const QString name = QStringLiteral("UndoSave");
    try {
        WriteToUndoLog(name, QStringLiteral("FolderStoreId: ") + folderStoreId);
        WriteToUndoLog(name, QStringLiteral("FolderEntryId: ") + folderEntryId);
        WriteToUndoLog(name, QStringLiteral("ItemEntryId: ") + itemEntryId);
        WriteToUndoLog(name, QStringLiteral("FieldName: ") + fieldName);
        WriteToUndoLog(name, QStringLiteral("FieldValue: ") + fieldValue);
        m_logs.recorded({folderStoreId, folderEntryId, itemEntryId, fieldName, fieldValue, QString()});
    } catch (const LogWriteError &) {
        // The record is lost: its field must not change.
        throw;
    } catch (const QuenlockError &e) {
        m_logs.error(name, Texts::errorLineAt(0, e.description()));
    }
}

void UndoLog::WriteToUndoLog(const QString &functionName, const QString &message)
{
    m_logs.activity(functionName, message, -1);
}
