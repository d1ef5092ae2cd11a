// SPDX-License-Identifier: MIT
// What the terminal commands share: their streams, prompt, value formats and checks.
#pragma once

#include "engineutility.h"
#include "prompt.h"
#include "runjournal.h"

#include <QStringList>
#include <QTextStream>

namespace TerminalIo {
QTextStream &out();
QTextStream &err();
// text as a JSON string, quotes included.
QString json(const QString &text);
// Tabs and line breaks in a value would break its line apart: shown as \t, \n, \r.
QString escapedField(QString value);
// One field: store, folder, item, field, old and new value, tab-separated
// (escaped), or as one JSON object with those keys; extra goes first in
// the object ("\"status\":\"restore\",").
void printChange(const PlannedChange &change, bool asJson, const QString &extra = QString());
// The stores a command serves must be there: a missing one is named, with
// how to name another (QuenlockError).
void requireStores(const QStringList &given);

// Answers message boxes from the command line: notices go to stderr; a
// question is yes with --yes, asked on a terminal, and no when there is
// neither.
class TerminalPrompt final : public Prompt
{
public:
    explicit TerminalPrompt(bool yes) : m_yes(yes) {}
    Answer ask(QWidget *, const QString &text, Buttons buttons) override;

private:
    bool m_yes;
};

// While it lives, host log lines are kept in lines instead of the log: what
// writes nothing shows them, never stores them. Every other use of the
// engine's utility goes to the engine's own; the journal keeps nothing.
class CapturingUtility final : public EngineUtility
{
public:
    CapturingUtility();
    ~CapturingUtility() override;
    CapturingUtility(const CapturingUtility &) = delete;
    CapturingUtility &operator=(const CapturingUtility &) = delete;

    QStringList lines;
    void LogMessage(const QString &message, int, const QString &source) override
    {
        lines << source + QStringLiteral(": ") + message;
    }
    QString LookupText(const TextTable &table, const QString &key) override
    {
        return m_inner.LookupText(table, key);
    }
    void LoadTextTable(TextTable &table, const QString &section) override
    {
        m_inner.LoadTextTable(table, section);
    }
    QString SettingsAppName() override { return m_inner.SettingsAppName(); }

private:
    EngineUtility &m_inner;
};
} // namespace TerminalIo
