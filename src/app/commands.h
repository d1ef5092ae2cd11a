// SPDX-License-Identifier: MIT
// The host's commands in one table: name, synopsis, details, the options each
// allows and its handler. The usage texts, the parser and the checks of the
// manual page all read it.
#pragma once

#include <QStringList>

#include <optional>
#include <span>

// A command's words and options as the parser found them.
struct CommandLine
{
    QStringList words;              // the words that are not options
    QStringList flags;              // options without a value, as "--json"
    QList<QPair<QString, QString>> values; // options with a value, in order

    bool has(const char *flag) const { return flags.contains(QLatin1String(flag)); }
    // Every value given to one option, in order ("--store" given twice: two).
    QStringList all(const char *option) const;
};

struct Command
{
    const char *name;
    const char *synopsis;
    const char *details;
    // The options it allows, blank-separated; "--store=" takes a value.
    const char *options;
    int (*handler)(const CommandLine &);
};

namespace Commands {
std::span<const Command> all();
const Command *find(const QString &name);
// The options one command allows, with "--help" and "-h"; a value option ends in "=".
QStringList optionsOf(const Command &command);
// Parses a command's arguments; on an option it does not allow (or a value
// option with no value) returns nothing and sets bad to the word.
std::optional<CommandLine> parse(const Command &command, const QStringList &args, QString &bad);
} // namespace Commands
