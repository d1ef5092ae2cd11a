// SPDX-License-Identifier: MIT
// Answers the next modal dialog from a test: armed before the click that opens it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Polls every 10 ms until QApplication::activeModalWidget() is a dialog,
// then hands it to answer once. If no dialog appears within the guard time,
// or answer leaves it open, the dialog is rejected so a miss cannot hang the
// suite; answered() tells whether answer ran.
class ModalAnswer
{
public:
    explicit ModalAnswer(std::function<void(QDialog *)> answer, int guardMs = 5000)
        : m_answer(std::move(answer)), m_guardMs(guardMs)
    {
        m_clock.start();
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    bool answered() const { return m_answered; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog && !m_answered) {
            m_answered = true;
            m_answer(dialog);
            return;
        }
        if (m_clock.elapsed() > m_guardMs) {
            if (dialog)
                dialog->reject();
            m_timer.stop();
        }
    }

    std::function<void(QDialog *)> m_answer;
    int m_guardMs;
    bool m_answered = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
