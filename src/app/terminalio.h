// SPDX-License-Identifier: MIT
// What the terminal commands share: their streams, prompt, value formats and checks.
#pragma once

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
// Named accounts must be in the host configuration.
void requireStores(const QStringList &given, const QStringList &accounts = {});

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

} // namespace TerminalIo
