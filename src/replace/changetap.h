// SPDX-License-Identifier: MIT
// Between a run's item steps and its logs: error counts and the journal of saves.
#pragma once

#include "fieldtable.h"
#include "runlogs.h"
#include "runresult.h"

#include <QList>
#include <memory>

class ItemSaver;
class SafeItem;
class SaveInFlight;

// Passes every entry on. It counts the error lines, so a summary can tell
// that some items ended early, and keeps the whole undo records of the items
// in hand (their values shared, not copied). When an item is saved, each of its records goes to the journal with
// the value the item now holds (a body as the rich text the step wrote),
// before the save: the journal's row is on disk with the undo record before
// the file is replaced. Records of an item that ended before its save are
// dropped at the next save.
// Names a change for people from its item: the item's name (a contact's
// full name, else its File As; an appointment's or task's subject) and the
// field's caption for the item's kind.
void nameForPeople(PlannedChange &change, SafeItem &item, FieldTable::Page page);

class ChangeTap final : public RunLogs
{
public:
    explicit ChangeTap(RunLogs &inner) : m_inner(inner) {}
    void activity(const QString &name, const QString &text, int kind) override;
    void error(const QString &operation, const QString &message) override;
    void recorded(const PlannedChange &record) override { m_pending.append(record); }
    void itemFailed(const QString &where) override;
    // Journals the item's changes, then saves it through saver, or starts
    // its own save when saver is null (nullptr: the save has ended).
    [[nodiscard]] std::unique_ptr<SaveInFlight> save(SafeItem &item, FieldTable::Page page, const QString &folderStoreId,
                                       const QString &folderEntryId, ItemSaver *saver);

    int errors = 0;
    QList<RunResult::ItemError> errorLines;

private:
    RunLogs &m_inner;
    QList<PlannedChange> m_pending;
    QString m_lastError;
};
