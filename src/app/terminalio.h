// SPDX-License-Identifier: MIT
// What the terminal commands share: their streams, prompt, records and checks.
#pragma once

#include "prompt.h"
#include "record.h"

#include <QStringList>
#include <QTextStream>

namespace TerminalIo {
QTextStream &out();
QTextStream &err();
// A message of the host on stderr: every line of it after "quenlock: ".
void say(const QString &message);
// One record as one line on stdout: tab-separated, or a JSON object.
void print(const Record &record, bool asJson);
// The stores a command serves must be there: a missing one is named, with
// how to name another (QuenlockError).
// Named accounts must be in the host configuration.
void requireStores(const QStringList &given, const QStringList &accounts = {});

// Answers message boxes from the command line: notices go to stderr; a
// question is yes with --yes, asked on a terminal ("[y/N]", No unless the
// answer is y or yes), and no when there is neither. question, when given,
// is asked in place of the run's own text: it says what will run.
class TerminalPrompt final : public Prompt
{
public:
    explicit TerminalPrompt(bool yes, QString question = QString()) : m_yes(yes), m_question(std::move(question)) {}
    Answer ask(QWidget *, const QString &text, Buttons buttons) override;

private:
    bool m_yes;
    QString m_question;
};

} // namespace TerminalIo
