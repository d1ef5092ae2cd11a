// SPDX-License-Identifier: MIT
#include "changetap.h"

#include "replacerun.h"
#include "safeitem.h"

void ChangeTap::activity(const QString &name, const QString &text, int kind)
{
    m_inner.activity(name, text, kind);
}

void ChangeTap::error(const QString &operation, const QString &message)
{
    ++errors;
    m_inner.error(operation, message);
}

void ChangeTap::save(SafeItem &item, const QString &folderStoreId, const QString &folderEntryId,
                     ItemSaver *saver)
{
    const QString entryId = item.EntryID();
    for (PlannedChange &change : m_pending) {
        if (change.itemEntryId != entryId || change.folderEntryId != folderEntryId
            || change.storeId != folderStoreId)
            continue;
        change.newValue = item.read(BodyField::storedProperty(change.field));
        m_inner.changed(change);
    }
    m_pending.clear();
    saver ? saver->save(item) : item.Save();
}
