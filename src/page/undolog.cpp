// SPDX-License-Identifier: MIT
#include "uc1.h"

#include "module/engineactivitylog.h"
#include "module/progids.h"

// A record is five entries, each written as soon as its text is ready, so a
// failure part-way leaves the entries written so far; the caller is not told
// and changes its field all the same.
void UC1::UndoSave(const QString &folderStoreId, const QString &folderEntryId,
                   const QString &itemEntryId, const QString &fieldName, const QString &fieldValue)
{
    const QString name = QStringLiteral("UndoSave");
    try {
        WriteToUndoLog(name, QStringLiteral("FolderStoreId: ") + folderStoreId);
        WriteToUndoLog(name, QStringLiteral("FolderEntryId: ") + folderEntryId);
        WriteToUndoLog(name, QStringLiteral("ItemEntryId: ") + itemEntryId);
        WriteToUndoLog(name, QStringLiteral("FieldName: ") + fieldName);
        WriteToUndoLog(name, QStringLiteral("FieldValue: ") + fieldValue);
    } catch (const QuenlockError &e) {
        engineUtility().LogMessage(QStringLiteral("Error occurred at line 0.  Reason: ")
                                       + e.description(),
                                   0, QStringLiteral("Morvane.UndoSave"));
    }
}

// A fresh activity log per entry, released at once; errors go to the caller.
void UC1::WriteToUndoLog(const QString &functionName, const QString &message)
{
    const std::unique_ptr<EngineActivityLog> log =
        ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog));
    log->WriteEntry(QStringLiteral("Morvane"), functionName, message, -1);
}
