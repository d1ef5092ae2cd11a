// SPDX-License-Identifier: MIT
#include "undorun.h"

#include "hostobject.h"
#include "iengineapi.h"
#include "olapplication.h"
#include "progresssink.h"
#include "quenlockerror.h"
#include "safeitem.h"
#include "systemtexts.h"
#include "undolog.h"
#include "wrapperfor.h"

#include <QHash>
#include <algorithm>

namespace {
QString itemKey(const PlannedChange &c)
{
    return c.storeId + QChar(0) + c.folderEntryId + QChar(0) + c.itemEntryId;
}

// The changes of each item, newest item first and each item's fields newest
// first. A field the run changed twice (its folder listed twice) is one
// change: from its first old value to its last new value.
QList<QList<PlannedChange>> newestFirstByItem(const QList<PlannedChange> &changes)
{
    QList<QList<PlannedChange>> items;
    QHash<QString, qsizetype> index;
    for (auto c = changes.crbegin(); c != changes.crend(); ++c) {
        const QString key = itemKey(*c);
        auto found = index.constFind(key);
        if (found == index.cend()) {
            found = index.insert(key, items.size());
            items.append(QList<PlannedChange>());
        }
        QList<PlannedChange> &fields = items[*found];
        const auto same = std::find_if(fields.begin(), fields.end(),
                                       [&](const PlannedChange &f) { return f.field == c->field; });
        if (same == fields.end())
            fields.append(*c);
        else
            same->oldValue = c->oldValue;
    }
    return items;
}
} // namespace

UndoRun::UndoRun(HostObject *host, RunLogs &logs, ProgressSink &progress, ItemSaver *saver)
    : m_host(host), m_logs(logs), m_tap(logs), m_progress(progress), m_saver(saver)
{
}

UndoResult UndoRun::run(const RunStart &undoing, const QList<PlannedChange> &changes, bool dry)
{
    const QList<QList<PlannedChange>> items = newestFirstByItem(changes);
    m_logs.begin(undoing);
    m_logs.activity(QStringLiteral("Undo"),
                    QStringLiteral("Undoing run %1: %2 fields in %3 items")
                        .arg(undoing.undoes)
                        .arg(changes.size())
                        .arg(items.size()),
                    0);
    m_progress.showFolder(QStringLiteral("Undoing run %1").arg(undoing.undoes));
    m_progress.setItemRange(int(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        if ((m_result.stopped = m_progress.stopRequested()))
            break;
        m_progress.setItem(int(i + 1));
        try {
            restoreItem(items[i]);
        } catch (const LogWriteError &) {
            throw;
        } catch (const QuenlockError &error) {
            const PlannedChange &where = items[i].first();
            const QString line = QStringLiteral("Item %1 in folder %2 not restored: %3")
                                     .arg(where.itemEntryId, where.folderEntryId, error.description());
            m_logs.error(QStringLiteral("Undo"), line);
            m_result.lines << line;
            ++m_result.failedItems;
        }
    }
    // Only an undo that left nothing behind marks its run undone: one with
    // skipped or failed items may be run again once the cause is mended.
    m_logs.end(m_result.restoredItems, m_result.stopped ? RunEnd::Stopped
                                       : m_result.failedItems || m_result.skippedItems ? RunEnd::ItemsLeft
                                                                                      : RunEnd::Finished);
    m_progress.finish();
    m_result.summary = m_result.stopped ? Texts::stopped(m_result.restoredItems)
                                        : Texts::undoSummary(m_result.restored.size(), m_result.restoredItems,
                                                             m_result.skippedItems, dry);
    m_progress.showSummary(m_result.summary);
    return m_result;
}

std::unique_ptr<SafeItem> UndoRun::open(const PlannedChange &where, FieldTable::Page &page)
{
    IEngineAPI *engine = m_host ? m_host->engine() : nullptr;
    if (!engine)
        throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
    // Each folder is looked up and listed once: an undo of a run over a big
    // folder would otherwise list it once per item.
    std::shared_ptr<OlItems> &items = m_folders[where.storeId + QChar(0) + where.folderEntryId];
    if (!items) {
        const std::shared_ptr<OlFolder> folder = engine->KTGetFolder(where.folderEntryId, where.storeId);
        if (!folder)
            throw QuenlockError(QStringLiteral("its folder is in none of the stores"));
        items = folder->Items();
    }
    const std::shared_ptr<OlItem> item = items->ItemByEntryId(where.itemEntryId);
    if (!item)
        throw QuenlockError(QStringLiteral("it is no longer in its folder"));
    const ItemKinds::Kind *kind = ItemKinds::ofType(item->TypeName());
    if (!kind)
        throw QuenlockError(QStringLiteral("it is no longer a contact, appointment or task"));
    page = kind->page;
    std::unique_ptr<SafeItem> wrapper = wrapperFor(*kind);
    wrapper->setItem(item);
    return wrapper;
}

// Every field must hold what the run wrote or its old value; the ones
// holding what the run wrote get their old value back.
void UndoRun::restoreItem(const QList<PlannedChange> &fields)
{
    // A journal row no run could have written (tampered with, or damaged):
    // giving it back would make a file the data layer can never read again.
    for (const PlannedChange &f : fields)
        if (f.oldValue.size() > MaximumItemBytes / 3 && f.oldValue.toUtf8().size() > MaximumItemBytes)
            throw QuenlockError(QStringLiteral("the journal's value of %1 is larger than an item may be (64 MiB)")
                                    .arg(f.field));
    FieldTable::Page page{};
    const std::unique_ptr<SafeItem> item = open(fields.first(), page);
    QList<PlannedChange> restore, changedSince;
    for (const PlannedChange &f : fields) {
        const QString now = item->read(BodyField::storedProperty(f.field));
        PlannedChange found = f;
        found.oldValue = now;
        nameForPeople(found, *item, page);
        if (now == f.newValue) {
            found.newValue = f.oldValue;
            restore << found;
        } else if (now != f.oldValue) {
            changedSince << found;
        }
    }
    if (!changedSince.isEmpty()) {
        m_result.skipped += changedSince;
        ++m_result.skippedItems;
        return;
    }
    if (restore.isEmpty())
        return;
    UndoLog undo(m_tap);
    for (const PlannedChange &c : std::as_const(restore)) {
        undo.UndoSave(c.storeId, c.folderEntryId, c.itemEntryId, c.field, c.oldValue);
        item->write(BodyField::storedProperty(c.field), c.newValue);
    }
    const PlannedChange &where = fields.first();
    if (const std::unique_ptr<SaveInFlight> saving =
            m_tap.save(*item, page, where.storeId, where.folderEntryId, m_saver))
        saving->finish();
    m_result.restored += restore;
    ++m_result.restoredItems;
}
