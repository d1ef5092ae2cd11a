// SPDX-License-Identifier: MIT
// A host object that writes down every call the page makes on it, in order.
#pragma once

#include "hostobject.h"
#include "quenlockerror.h"

#include <QStringList>

// calls holds "status" for OnStatusChange and "help:<text>|<caption>" for
// SetHotHelp. failStatus makes OnStatusChange raise an error after recording.
struct RecordingHost final : HostObject
{
    QStringList calls;
    QString failStatus;

    std::shared_ptr<OlApplication> OutlookApplication() override { return nullptr; }
    IEngineAPI *engine() override { return nullptr; }
    void OnStatusChange() override
    {
        calls << QStringLiteral("status");
        if (!failStatus.isEmpty())
            throw QuenlockError(failStatus);
    }
    void SetHotHelp(const QString &text, const QString &caption) override
    {
        calls << QStringLiteral("help:") + text + QLatin1Char('|') + caption;
    }
    int statusCount() const { return int(calls.count(QStringLiteral("status"))); }
};
