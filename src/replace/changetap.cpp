// SPDX-License-Identifier: MIT
#include "changetap.h"

#include "replacerun.h"
#include "fieldtable.h"
#include "safeitem.h"
#include "systemtexts.h"

void nameForPeople(PlannedChange &change, SafeItem &item, FieldTable::Page page)
{
    change.itemName = item.Subject();
    if (page == FieldTable::Page::Contacts && change.itemName.trimmed().isEmpty())
        change.itemName = item.read(QStringLiteral("FileAs"));
    if (const FieldTable::Field *field = FieldTable::byProperty(FieldTable::fieldsOf(page), change.field))
        change.caption = QLatin1String(field->caption);
}

void ChangeTap::activity(const QString &name, const QString &text, int kind)
{
    m_inner.activity(name, text, kind);
}

void ChangeTap::error(const QString &operation, const QString &message)
{
    ++errors;
    m_inner.error(operation, message);
    m_lastError = Texts::source(operation) + QStringLiteral(": ") + message;
}

void ChangeTap::itemFailed(const QString &where) { errorLines.append({where, m_lastError}); }

std::unique_ptr<SaveInFlight> ChangeTap::save(SafeItem &item, FieldTable::Page page, const QString &folderStoreId,
                                              const QString &folderEntryId, ItemSaver *saver)
{
    const QString entryId = item.EntryID();
    for (PlannedChange &change : m_pending) {
        if (change.itemEntryId != entryId || change.folderEntryId != folderEntryId
            || change.storeId != folderStoreId)
            continue;
        change.newValue = item.read(BodyField::storedProperty(change.field));
        nameForPeople(change, item, page);
        m_inner.changed(change);
    }
    m_pending.clear();
    if (!saver)
        return item.StartSave();
    saver->save(item);
    return nullptr;
}
