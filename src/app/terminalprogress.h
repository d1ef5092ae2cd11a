// SPDX-License-Identifier: MIT
// A run's progress on a terminal: one line on stderr, redrawn in place.
#pragma once

#include "progresssink.h"

#include <QString>
#include <functional>

// Fed the numbers that drive the page's progress bar. With drawing on, shows
// "<folder>: <done> of <total> items, <n> items/s, <m:ss> left" on stderr,
// at most ten times a second and always at a folder's last item, and ends
// the line when the folder ends. Keeps the label's last text either way.
class TerminalProgress final : public ProgressSink
{
public:
    // elapsedMs: a steady clock in milliseconds (tests hand in a fake one).
    explicit TerminalProgress(bool draw, std::function<qint64()> elapsedMs = {});
    ~TerminalProgress() override;
    QString label;

    void showFolder(const QString &caption) override;
    void setItemRange(int count) override;
    void setItem(int index) override;
    void finish() override;
    void showSummary(const QString &text) override { label = text; }
    bool stopRequested() const override;

    // Whether stderr is a terminal the line can be drawn on.
    static bool stderrIsTerminal();
    // From the first folder shown on, an interrupt (Ctrl+C) or a terminate
    // signal asks the run to stop before its next item; before that (while
    // it asks for confirmation) either ends the program as it always did.
    static void catchStopSignals();
    // The exit status of a run stopped that way: 128 + the signal's number.
    static int stoppedStatus();

private:
    void endLine();

    bool m_draw;
    bool m_drawn = false;
    int m_total = 0;
    std::function<qint64()> m_clock;
    qint64 m_folderStart = 0;
    qint64 m_lastDraw = -1;
};
