// SPDX-License-Identifier: MIT
// Where a replace run shows how far it got: the page's label and bar, or a terminal.
#pragma once

#include <QString>

// Called on the run's thread, in this order per folder: showFolder, setItemRange,
// setItem for every item; finish and showSummary once at the end of a run
// that reached it. An error leaves the last folder and item showing.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    // The folder caption, shown at once.
    virtual void showFolder(const QString &caption) = 0;
    // Items 1 to count of the folder being walked; the bar becomes visible.
    virtual void setItemRange(int count) = 0;
    // Item i (1-based) is next, shown at once.
    virtual void setItem(int index) = 0;
    // The bar goes back to its minimum and is hidden.
    virtual void finish() = 0;
    // The run's last word, in place of the folder caption.
    virtual void showSummary(const QString &text) = 0;
    // Asked before each item: true ends the run there, everything saved so
    // far staying saved (the host was told to stop).
    virtual bool stopRequested() const { return false; }
};
