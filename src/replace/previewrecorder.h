// SPDX-License-Identifier: MIT
// What a preview keeps of a run that writes nothing: the changes it would make.
#pragma once

#include "replacerun.h"
#include "runlogs.h"
#include "runresult.h"

#include <QList>
#include <QStringList>

// Stands in for the run's logs and its saves. The journal's changes are
// kept as the planned changes, progress lines and undo records are dropped,
// error lines are kept for the caller to show. Nothing reaches the logs or
// the disk: the items change only in memory, and no Save is called.
class PreviewRecorder final : public RunLogs, public ItemSaver
{
public:
    QList<PlannedChange> changes;
    QStringList lines; // "source: message" of every error line

    void activity(const QString &, const QString &, int) override {}
    void error(const QString &operation, const QString &message) override;
    void changed(const PlannedChange &change) override { changes.append(change); }
    void save(SafeItem &) override {}
};
