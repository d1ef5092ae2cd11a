// SPDX-License-Identifier: MIT
// A prompt that answers from a script and keeps what it was asked.
#pragma once

#include "prompt.h"

#include <QList>
#include <QPair>
#include <QStringList>

// OK boxes are answered OK; Yes/No boxes with answer.
struct ScriptedPrompt final : Prompt
{
    Answer answer = Answer::Yes;
    QList<QPair<QString, Buttons>> asked;

    Answer ask(QWidget *, const QString &text, Buttons buttons) override
    {
        asked.append({text, buttons});
        return buttons == Buttons::Ok ? Answer::Ok : answer;
    }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &question : asked)
            out << question.first;
        return out;
    }
};
