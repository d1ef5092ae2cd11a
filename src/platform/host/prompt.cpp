// SPDX-License-Identifier: MIT
#include "prompt.h"

#include <QMessageBox>

namespace {
class DialogPrompt final : public Prompt
{
public:
    Answer ask(QWidget *parent, const QString &text, Buttons buttons) override
    {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quenlock"), text,
                        QMessageBox::NoButton, parent);
        // The typed search and replacement texts are shown as typed, never as markup.
        box.setTextFormat(Qt::PlainText);
        if (buttons == Buttons::Ok) {
            box.addButton(QMessageBox::Ok);
            box.exec();
            return Answer::Ok;
        }
        box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
};

Prompt *g_override = nullptr;
} // namespace

Prompt &prompt()
{
    static DialogPrompt dialog;
    return g_override ? *g_override : dialog;
}

void setPrompt(Prompt *p) { g_override = p; }
