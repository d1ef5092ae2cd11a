// SPDX-License-Identifier: MIT
// What a preview keeps of a run that writes nothing: the changes it would make.
#pragma once

#include "replacerun.h"
#include "runlogs.h"
#include "runresult.h"

#include <QList>
#include <QStringList>

// Stands in for the run's logs and its saves. Undo records become planned
// changes once their item would be saved, with the value the item then
// holds as the new value; progress lines are dropped; error lines are kept
// for the caller to show. Nothing reaches the logs or the disk: the items
// change only in memory, and no Save is called.
class PreviewRecorder final : public RunLogs, public ItemSaver
{
public:
    QList<PlannedChange> changes;
    QStringList lines; // "source: message" of every error line

    void activity(const QString &name, const QString &text, int kind) override;
    void error(const QString &operation, const QString &message) override;
    void save(SafeItem &item) override;

private:
    // The five entries of the record being written, then the records of
    // the item being processed.
    QStringList m_entries;
    QList<PlannedChange> m_pending;
};
