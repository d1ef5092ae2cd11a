// SPDX-License-Identifier: MIT
// Message boxes through one small interface: a real dialog, batch answers or a test script.
#pragma once

#include <QString>

class QWidget;

class Prompt
{
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };
    virtual ~Prompt() = default;
    // Shows text titled "Quenlock"; YesNo boxes have Yes as the default.
    virtual Answer ask(QWidget *parent, const QString &text, Buttons buttons) = 0;
};

// The prompt in use: a QMessageBox-based one unless the host or a test set
// another (not owned; nullptr restores the dialog).
Prompt &prompt();
void setPrompt(Prompt *prompt);
