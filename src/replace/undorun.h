// SPDX-License-Identifier: MIT
// The undo of a journaled run: every changed field back to its old value.
#pragma once

#include "changetap.h"
#include "runresult.h"

#include <QHash>
#include <memory>

class HostObject;
class ItemSaver;
class OlItems;
class ProgressSink;
class SafeItem;

// Walks the run's items newest first, each through the same data layer and
// save as the run. A field gets its old value back only while it still
// holds what the run wrote; an item with a field that holds anything else
// (edited since, by a person, another program or a later run) is left whole
// and reported. A field already holding its old value needs nothing, so an
// undo cut short is finished by the next. Each restore writes its undo
// records and journal rows before its save, as a run does, so an undo can be
// undone. An item that cannot be read or saved gets one error line and the
// rest goes on; a log that cannot be written ends the undo.
class UndoRun
{
public:
    // saver null: the wrappers' own Save.
    UndoRun(HostObject *host, RunLogs &logs, ProgressSink &progress, ItemSaver *saver);
    UndoResult run(const RunStart &undoing, const QList<PlannedChange> &changes, bool dry);

private:
    void restoreItem(const QList<PlannedChange> &fields);
    // page: the item's kind's, for naming its fields.
    std::unique_ptr<SafeItem> open(const PlannedChange &where, FieldTable::Page &page);

    HostObject *m_host;
    RunLogs &m_logs;
    ChangeTap m_tap;
    ProgressSink &m_progress;
    ItemSaver *m_saver;
    UndoResult m_result;
    QHash<QString, std::shared_ptr<OlItems>> m_folders; // by store and folder id
};
