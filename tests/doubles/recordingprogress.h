// SPDX-License-Identifier: MIT
// A progress sink that keeps what a page would show and every call, in order.
#pragma once

#include "progresssink.h"

#include <QStringList>

// calls: "folder <caption>", "range <count>", "item <i>", "finish", "summary <text>".
struct RecordingProgress final : ProgressSink
{
    QString label;        // the folder caption or the summary last shown
    bool barShown = false;
    int item = 0;         // the last item shown; 0 once finished
    int stopBefore = 0;   // asks the run to stop before this item, counted over all folders
    int itemsShown = 0;
    QStringList calls;

    void showFolder(const QString &caption) override
    {
        label = caption;
        calls << QStringLiteral("folder ") + caption;
    }
    void setItemRange(int count) override
    {
        barShown = true;
        calls << QStringLiteral("range %1").arg(count);
    }
    void setItem(int index) override
    {
        item = index;
        ++itemsShown;
        calls << QStringLiteral("item %1").arg(index);
    }
    void finish() override
    {
        barShown = false;
        item = 0;
        calls << QStringLiteral("finish");
    }
    void showSummary(const QString &text) override
    {
        label = text;
        calls << QStringLiteral("summary ") + text;
    }
    bool stopRequested() const override { return stopBefore > 0 && itemsShown + 1 >= stopBefore; }
};
