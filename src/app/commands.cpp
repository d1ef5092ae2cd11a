// SPDX-License-Identifier: MIT
#include "commands.h"

#include "batchcommands.h"
#include "journalcommands.h"
#include "terminalio.h"
#include "windowcommand.h"

#include <array>

namespace {
using namespace BatchCommands;

int windowCommand(const CommandLine &c)
{
    return c.words.isEmpty() ? openWindow(c.all("--store"), c.all("--account")) : Usage;
}

int foldersCommand(const CommandLine &c)
{
    return c.words.isEmpty() ? folders(c.all("--store"), c.all("--account"), c.has("--json")) : Usage;
}

int setCommand(const CommandLine &c) { return set(c.words, c.has("--force")); }
int getCommand(const CommandLine &c) { return get(c.words); }
int fieldsCommand(const CommandLine &c) { return c.words.isEmpty() ? fields(c.has("--json")) : Usage; }

int runCommand(const CommandLine &c)
{
    if (!c.words.isEmpty() || (c.has("--yes") && c.has("--dry-run")))
        return Usage;
    if (c.has("--dry-run"))
        return preview(c.all("--store"), c.all("--account"), c.has("--json"), c.has("--quiet"));
    return c.has("--json") ? Usage : run(c.all("--store"), c.all("--account"), c.has("--yes"), c.has("--quiet"));
}

int replaceCommand(const CommandLine &c)
{
    if (c.words.size() != 2 || (c.has("--yes") && c.has("--dry-run")) || (c.has("--json") && !c.has("--dry-run")))
        return Usage;
    ReplaceOptions o;
    o.searchFor = c.words.at(0);
    o.replaceWith = c.words.at(1);
    o.fields = c.all("--fields");
    o.folders = c.all("--folder");
    o.stores = c.all("--store");
    o.accounts = c.all("--account");
    o.caseSensitive = c.has("--case-sensitive");
    o.areaCodes = c.has("--area-codes");
    o.save = c.has("--save");
    o.dryRun = c.has("--dry-run");
    o.yes = c.has("--yes");
    o.json = c.has("--json");
    o.quiet = c.has("--quiet");
    return replace(o);
}

int runsCommand(const CommandLine &c) { return c.words.isEmpty() ? JournalCommands::runs(c.has("--json")) : Usage; }
int logCommand(const CommandLine &c) { return c.words.isEmpty() ? log(c.has("--json")) : Usage; }
int activityCommand(const CommandLine &c) { return c.words.isEmpty() ? activity(c.has("--json")) : Usage; }

// undo [RUN_ID | --last]: no id means the newest replace run.
int undoCommand(const CommandLine &c)
{
    JournalCommands::UndoOptions undo;
    bool ok = true;
    if (c.words.size() == 1 && !c.has("--last"))
        undo.runId = c.words.first().toLongLong(&ok);
    if (!ok || undo.runId < 0 || c.words.size() > 1 || (c.has("--last") && !c.words.isEmpty()))
        return Usage;
    // Run 0 is no run: it must not stand for the newest, as no id does.
    if (undo.runId == 0 && !c.words.isEmpty()) {
        TerminalIo::say(QStringLiteral("There is no run 0 to undo; 'quenlock runs' lists the runs."));
        return Refused;
    }
    undo.dryRun = c.has("--dry-run");
    undo.yes = c.has("--yes");
    undo.json = c.has("--json");
    undo.force = c.has("--force");
    undo.quiet = c.has("--quiet");
    return JournalCommands::undo(c.all("--store"), c.all("--account"), undo);
}

const auto Table = std::to_array<Command>({
    {"window", "quenlock [window] [--store DIR]... [--account NAME]...",
     "Open the property window: the settings page, OK, Cancel, Apply and the log\n"
     "viewers. Needs a display.\n",
     "--store= --account=", windowCommand},
    {"folders", "quenlock folders [--store DIR]... [--account NAME]... [--json]",
     "List every folder of the stores: name, entry id, store id and item count,\n"
     "tab-separated, or one JSON object per line.\n",
     "--store= --account= --json", foldersCommand},
    {"replace", "quenlock replace PATTERN REPLACEMENT [--fields GROUPS]... [--folder NAME]... [--case-sensitive] [--area-codes] [--store DIR]... [--account NAME]... [--yes | --dry-run [--json]] [--quiet] [--save]",
     "Replace PATTERN (a regular expression) with REPLACEMENT in one command, with\n"
     "these settings for this run only. --fields takes field keys, captions or\n"
     "groups, comma-separated (phones, e-mail, postal-codes, contacts,\n"
     "appointments, tasks, all; 'quenlock fields' lists them); without it the\n"
     "applied fields are searched. --folder takes a folder's name or\n"
     "STORE/FOLDER as 'quenlock folders' lists them (repeatable); without it the\n"
     "applied folders. --area-codes searches phones only inside their\n"
     "\"(...)\". --save also writes these settings, as Apply does. The rest as\n"
     "for run.\n",
     "--fields= --folder= --case-sensitive --area-codes --save --store= --account= --yes --dry-run --json --quiet",
     replaceCommand},
    {"fields", "quenlock fields [--json]",
     "List every field key: key, caption, item kind and the groups --fields\n"
     "takes it in, tab-separated, or one JSON object per line.\n",
     "--json", fieldsCommand},
    {"set", "quenlock set KEY=VALUE... [--force]",
     "Write settings of section \"Morvane\" (SearchFor, ReplaceWith, CaseSensitive,\n"
     "SpecialInstructions, FolderCount, FolderName<n>, FolderEntryId<n>,\n"
     "FolderStoreId<n>, and the field keys 'quenlock fields' lists, such as\n"
     "BusinessPhone=1). An unknown key or a value its key cannot hold is refused\n"
     "and nothing is written, unless --force.\n",
     "--force", setCommand},
    {"get", "quenlock get [KEY...]", "Print settings of section \"Morvane\", all of them when none is named.\n",
     "", getCommand},
    {"run", "quenlock run [--store DIR]... [--account NAME]... [--yes | --dry-run [--json]] [--quiet]",
     "Run the applied settings as the Replace button does. --yes answers the\n"
     "confirmation; without it the terminal is asked (No unless you type y).\n"
     "--dry-run writes nothing and lists every field the run would change\n"
     "(store, folder, item name, field caption, old and new value,\n"
     "tab-separated, backslashes, tabs and line breaks shown as \\\\, \\t and \\n;\n"
     "--json: one object per line, with the item's file and the field's key),\n"
     "then \"Would update N items in M folders\". Progress goes to stderr when it\n"
     "is a terminal, unless --quiet. Exit status: 0 done, 1 the run ended with\n"
     "an error line, 3 not confirmed, 4 some items ended with an error line or\n"
     "could not be read.\n",
     "--store= --account= --yes --dry-run --json --quiet", runCommand},
    {"runs", "quenlock runs [--json]",
     "List the runs, newest first: id, start time (UTC), search text, replacement,\n"
     "case flag, special instruction, folders (an account's as ACCOUNT/NAME),\n"
     "items changed, how it ended and whether it was undone; tab-separated, or\n"
     "one JSON object per line. An undo is a run too.\n",
     "--json", runsCommand},
    {"undo", "quenlock undo [RUN_ID | --last] [--store DIR]... [--account NAME]... [--dry-run] [--yes] [--json] [--force] [--quiet]",
     "Give back what a run changed (--last or no id: the newest run that is not\n"
     "an undo and changed something), newest item first. A field still holding\n"
     "what the run wrote gets its old value back; an item with a field changed\n"
     "since the run is left as it is and reported. Every restore writes its own\n"
     "undo records, so an undo can be undone. --dry-run lists what it would do\n"
     "and writes nothing; --force undoes a run already undone. Prints one line\n"
     "per field given back (as run --dry-run does), then \"Restored N fields in M\n"
     "items; skipped K items changed since the run\". Exit status: 0 all given\n"
     "back, 1 some skipped or failed, or the run already undone, 2 no such run,\n"
     "3 not confirmed.\n",
     "--last --store= --account= --dry-run --yes --json --force --quiet", undoCommand},
    {"log", "quenlock log [--json]", "Print the host log, oldest first.\n", "--json", logCommand},
    {"activity", "quenlock activity [--json]",
     "Print the activity log (progress lines and undo records), oldest first.\n", "--json", activityCommand},
});
} // namespace

QStringList CommandLine::all(const char *option) const
{
    QStringList given;
    for (const auto &[name, value] : values)
        if (name == QLatin1String(option))
            given << value;
    return given;
}

std::span<const Command> Commands::all() { return Table; }

const Command *Commands::find(const QString &name)
{
    for (const Command &command : Table)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

QStringList Commands::optionsOf(const Command &command)
{
    return QString::fromLatin1(command.options).split(u' ', Qt::SkipEmptyParts)
        + QStringList{QStringLiteral("--help"), QStringLiteral("-h")};
}

std::optional<CommandLine> Commands::parse(const Command &command, const QStringList &args, QString &bad)
{
    const QStringList allowed = optionsOf(command);
    CommandLine line;
    bool optionsEnded = false; // after "--" a pattern may start with "-"
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--" && !optionsEnded) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !arg.startsWith(u'-') || arg == u"-") {
            line.words << arg;
            continue;
        }
        const qsizetype equals = arg.indexOf(u'=');
        const QString name = equals > 0 ? arg.left(equals) : arg;
        if (allowed.contains(name) && equals < 0) {
            line.flags << name;
        } else if (allowed.contains(name + u'=') && (equals > 0 || i + 1 < args.size())) {
            line.values.append({name, equals > 0 ? arg.mid(equals + 1) : args.at(++i)});
        } else {
            bad = name;
            return std::nullopt;
        }
    }
    return line;
}
