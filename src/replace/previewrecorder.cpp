// SPDX-License-Identifier: MIT
#include "previewrecorder.h"

#include "safeitem.h"
#include "systemtexts.h"

namespace {
// "FolderStoreId: S" gives "S".
QString valueOf(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QStringLiteral(": "));
    return colon < 0 ? QString() : entry.mid(colon + 2);
}
} // namespace

void PreviewRecorder::activity(const QString &, const QString &text, int kind)
{
    if (kind != -1)
        return;
    m_entries << text;
    if (m_entries.size() < 5)
        return;
    m_pending.append({valueOf(m_entries[0]), valueOf(m_entries[1]), valueOf(m_entries[2]),
                      valueOf(m_entries[3]), valueOf(m_entries[4]), QString()});
    m_entries.clear();
}

void PreviewRecorder::error(const QString &operation, const QString &message)
{
    lines << Texts::source(operation) + QStringLiteral(": ") + message;
}

// The item holds its new values in memory now: each recorded field is read
// back as a save would store it (a body as the rich text the step wrote).
// Records of items that were not saved (they ended before any write) are
// dropped with them.
void PreviewRecorder::save(SafeItem &item)
{
    const QString entryId = item.EntryID();
    for (PlannedChange &change : m_pending) {
        if (change.itemEntryId != entryId)
            continue;
        change.newValue = item.read(change.field == u"Body" ? QStringLiteral("RTFBody") : change.field);
        changes.append(change);
    }
    m_pending.clear();
    m_entries.clear();
}
