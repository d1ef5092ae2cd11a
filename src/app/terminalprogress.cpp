// SPDX-License-Identifier: MIT
#include "terminalprogress.h"

#include <QElapsedTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
volatile sig_atomic_t walking = 0;
volatile sig_atomic_t caught = 0;

void onStopSignal(int signal)
{
    if (!walking) {
        ::signal(signal, SIG_DFL);
        ::raise(signal); // delivered, as before, once this handler returns
        return;
    }
    caught = signal;
}

QString minutes(qint64 seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

TerminalProgress::TerminalProgress(bool draw, std::function<qint64()> elapsedMs)
    : m_draw(draw), m_clock(std::move(elapsedMs))
{
    if (!m_clock) {
        QElapsedTimer timer;
        timer.start();
        m_clock = [timer] { return timer.elapsed(); };
    }
}

TerminalProgress::~TerminalProgress() { endLine(); }

bool TerminalProgress::stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void TerminalProgress::catchStopSignals()
{
    struct sigaction action{};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // a save under way goes on to its end
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int TerminalProgress::stoppedStatus() { return 128 + caught; }

bool TerminalProgress::stopRequested() const { return caught != 0; }

void TerminalProgress::showFolder(const QString &caption)
{
    walking = 1;
    endLine();
    label = caption;
}

void TerminalProgress::setItemRange(int count)
{
    m_total = count;
    m_folderStart = m_clock();
    m_lastDraw = -1;
}

void TerminalProgress::setItem(int index)
{
    if (!m_draw)
        return;
    const qint64 now = m_clock() - m_folderStart;
    // Ten redraws a second are as many as the eye follows; a redraw per item
    // would cost a write per item.
    if (m_lastDraw >= 0 && now - m_lastDraw < 100 && index != m_total)
        return;
    m_lastDraw = now;
    QString line = QStringLiteral("\r%1: %2 of %3 items").arg(label).arg(index).arg(m_total);
    // A rate from the first half second would be noise.
    if (now >= 500) {
        const double rate = index * 1000.0 / now;
        line += QStringLiteral(", %1 items/s, %2 left")
                    .arg(qRound(rate))
                    .arg(minutes(qint64((m_total - index) / rate)));
    }
    line += QStringLiteral("\x1b[K");
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_drawn = true;
}

void TerminalProgress::finish() { endLine(); }

void TerminalProgress::endLine()
{
    if (m_drawn)
        std::fputs("\n", stderr);
    m_drawn = false;
}
