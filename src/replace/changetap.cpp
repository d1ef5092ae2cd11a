// SPDX-License-Identifier: MIT
#include "changetap.h"

#include "replacerun.h"
#include "safeitem.h"

namespace {
// "FolderStoreId: S" gives "S".
QString valueOf(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QStringLiteral(": "));
    return colon < 0 ? QString() : entry.mid(colon + 2);
}
} // namespace

void ChangeTap::activity(const QString &name, const QString &text, int kind)
{
    m_inner.activity(name, text, kind);
    if (kind != -1)
        return;
    // A record cut short by a failed entry is not paired with the next one.
    if (text.startsWith(QLatin1String("FolderStoreId: ")))
        m_entries.clear();
    m_entries << text;
    if (m_entries.size() < 5)
        return;
    m_pending.append({valueOf(m_entries[0]), valueOf(m_entries[1]), valueOf(m_entries[2]),
                      valueOf(m_entries[3]), valueOf(m_entries[4]), QString()});
    m_entries.clear();
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
        change.newValue = item.read(storedProperty(change.field));
        m_inner.changed(change);
    }
    m_pending.clear();
    m_entries.clear();
    saver ? saver->save(item) : item.Save();
}
