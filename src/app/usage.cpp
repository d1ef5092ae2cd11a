// SPDX-License-Identifier: MIT
#include "usage.h"

#include <array>

namespace {
struct Command
{
    const char *name;
    const char *synopsis;
    const char *details;
};

constexpr std::array<Command, 9> Commands = {{
    {"window", "quenlock [window] [--store DIR]... [--account NAME]...",
     "Open the property window: the settings page, OK, Cancel, Apply and the log\n"
     "viewers. Needs a display.\n"},
    {"folders", "quenlock folders [--store DIR]... [--account NAME]... [--json]",
     "List every folder of the stores: name, entry id, store id and item count,\n"
     "tab-separated, or one JSON object per line.\n"},
    {"set", "quenlock set KEY=VALUE...",
     "Write settings of section \"Morvane\" (SearchFor, ReplaceWith, CaseSensitive,\n"
     "SpecialInstructions, FolderCount, FolderName<n>, FolderEntryId<n>,\n"
     "FolderStoreId<n>, and field flags such as BusinessPhone=1).\n"},
    {"get", "quenlock get [KEY...]", "Print settings of section \"Morvane\", all of them when none is named.\n"},
    {"run", "quenlock run [--store DIR]... [--account NAME]... [--yes | --dry-run [--json]] [--quiet]",
     "Run the applied settings as the Replace button does. --yes answers the\n"
     "confirmation; without it the terminal is asked. --dry-run writes nothing and\n"
     "lists every field the run would change (store, folder, item, field, old and\n"
     "new value, tab-separated, tabs and line breaks shown as \\t and \\n; --json:\n"
     "one object per line), then \"Would update N items in M folders\". Progress\n"
     "goes to stderr when it is a terminal, unless --quiet. Exit status: 0 done,\n"
     "1 the run ended with an error line, 3 not confirmed, 4 some items ended\n"
     "with an error line.\n"},
    {"runs", "quenlock runs [--json]",
     "List the runs, newest first: id, start time (UTC), search text, replacement,\n"
     "case flag, special instruction, folders, items changed, how it ended and\n"
     "whether it was undone; tab-separated, or one JSON object per line. An undo\n"
     "is a run too.\n"},
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
     "3 not confirmed.\n"},
    {"log", "quenlock log [--json]", "Print the host log, oldest first.\n"},
    {"activity", "quenlock activity [--json]",
     "Print the activity log (progress lines and undo records), oldest first.\n"},
}};

const char Footer[] =
    "Without --store the host serves the stores of $XDG_CONFIG_HOME/quenlock/host.ini\n"
    "([Stores] paths=DIR,...), else $XDG_DATA_HOME/quenlock/store, and every server\n"
    "account named there ([Account NAME] url=, username=, passwordCommand=);\n"
    "--store and --account name the ones to serve instead.\n"
    "quenlock COMMAND --help tells more of one command; see also quenlock(1).\n";
} // namespace

QString UsageText::general()
{
    QString text = QStringLiteral("Usage:\n");
    for (const Command &command : Commands)
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + u'\n';
    text += QStringLiteral("  quenlock --help | --version\n");
    return text + QLatin1String(Footer);
}

QString UsageText::of(const QString &command)
{
    for (const Command &c : Commands)
        if (command == QLatin1String(c.name))
            return QStringLiteral("Usage: ") + QLatin1String(c.synopsis) + QStringLiteral("\n\n")
                   + QLatin1String(c.details);
    return QString();
}

QString UsageText::version() { return QStringLiteral("quenlock " QUENLOCK_VERSION); }
