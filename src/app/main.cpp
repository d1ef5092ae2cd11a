// SPDX-License-Identifier: MIT
// quenlock: the host. With no command it opens the property window; the
// commands drive the same module and page from a terminal.
#include "batchcommands.h"
#include "logdatabase.h"
#include "quenlockerror.h"
#include "usage.h"
#include "windowcommand.h"

#include <QApplication>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <memory>
#include <optional>
#include <QTextStream>

namespace {
struct Options
{
    QStringList stores, accounts, rest;
    bool json = false, yes = false, quiet = false, help = false, dryRun = false, last = false, force = false,
         ok = true;
};

Options parse(const QStringList &args)
{
    Options options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--store" && i + 1 < args.size())
            options.stores << args.at(++i);
        else if (arg.startsWith(u"--store="))
            options.stores << arg.mid(8);
        else if (arg == u"--account" && i + 1 < args.size())
            options.accounts << args.at(++i);
        else if (arg.startsWith(u"--account="))
            options.accounts << arg.mid(10);
        else if (arg == u"--json")
            options.json = true;
        else if (arg == u"--yes")
            options.yes = true;
        else if (arg == u"--quiet")
            options.quiet = true;
        else if (arg == u"--dry-run")
            options.dryRun = true;
        else if (arg == u"--last")
            options.last = true;
        else if (arg == u"--force")
            options.force = true;
        else if (arg == u"--help" || arg == u"-h")
            options.help = true;
        else if (arg.startsWith(u"--"))
            options.ok = false;
        else
            options.rest << arg;
    }
    return options;
}

bool hasDisplay()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty())
        return platform != "offscreen" && platform != "minimal";
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

// --help, -h, help [COMMAND], COMMAND --help and --version: answered on
// stdout before anything starts.
std::optional<int> answerAtOnce(const QStringList &args)
{
    if (args.isEmpty())
        return std::nullopt;
    const QString first = args.first();
    QString text;
    if (first == u"--version")
        text = UsageText::version() + u'\n';
    else if (first == u"--help" || first == u"-h" || (first == u"help" && args.size() == 1))
        text = UsageText::general();
    else if (first == u"help" && args.size() == 2)
        text = UsageText::of(args.at(1));
    else if (!UsageText::of(first).isEmpty() && (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))))
        text = UsageText::of(first);
    else
        return std::nullopt;
    if (text.isEmpty()) { // help for a command that does not exist
        QTextStream(stderr) << UsageText::general();
        return BatchCommands::Usage;
    }
    QTextStream(stdout) << text;
    return BatchCommands::Done;
}

// undo [RUN_ID | --last]: no id means the newest replace run.
std::optional<BatchCommands::UndoOptions> undoOptions(const Options &o)
{
    BatchCommands::UndoOptions undo;
    bool ok = true;
    if (o.rest.size() == 1 && !o.last)
        undo.runId = o.rest.first().toLongLong(&ok);
    if (!ok || undo.runId < 0 || o.rest.size() > 1 || (o.last && !o.rest.isEmpty()))
        return std::nullopt;
    undo.dryRun = o.dryRun;
    undo.yes = o.yes;
    undo.json = o.json;
    undo.force = o.force;
    undo.quiet = o.quiet;
    return undo;
}

int dispatch(const QString &command, const Options &o)
{
    using namespace BatchCommands;
    const bool noArgs = o.rest.isEmpty();
    // Only run and undo take --yes, --quiet and --dry-run, only undo --last
    // and --force; only folders, log, activity, runs, undo and a dry run --json.
    if (command == u"undo") {
        const auto undo = undoOptions(o);
        return undo ? BatchCommands::undo(o.stores, o.accounts, *undo) : Usage;
    }
    if (o.last || o.force)
        return Usage;
    const bool noStores = o.stores.isEmpty() && o.accounts.isEmpty();
    const bool plain = !o.yes && !o.quiet && !o.dryRun;
    if (command == u"folders" && noArgs && plain)
        return folders(o.stores, o.accounts, o.json);
    if (command == u"set" && noStores && !o.json && plain)
        return set(o.rest);
    if (command == u"get" && noStores && !o.json && plain)
        return get(o.rest);
    if (command == u"run" && noArgs && o.dryRun && !o.yes)
        return preview(o.stores, o.accounts, o.json, o.quiet);
    if (command == u"run" && noArgs && !o.json)
        return run(o.stores, o.accounts, o.yes, o.quiet);
    if (command == u"runs" && noArgs && noStores && plain)
        return runs(o.json);
    if (command == u"log" && noArgs && noStores && plain)
        return log(o.json);
    if (command == u"activity" && noArgs && noStores && plain)
        return activity(o.json);
    if (command == u"window" && noArgs && !o.json && plain)
        return openWindow(o.stores, o.accounts);
    return Usage;
}
} // namespace

int main(int argc, char *argv[])
{
    // Blocks of 1 MiB and more are mapped and given back when freed. By
    // default the threshold climbs to the largest block freed so far, and
    // each copy of a big body the run let go stayed resident: a run
    // rewriting a 5 MB note peaked at 93 MiB, 79 MiB with this.
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> status = answerAtOnce(args))
        return *status;
    if (args.isEmpty() || args.first().startsWith(u"--"))
        args.prepend(QStringLiteral("window"));
    const QString command = args.takeFirst();
    const bool window = command == u"window";
    if (window && !hasDisplay()) {
        QTextStream(stderr) << "No display: use one of the commands.\n" << UsageText::general();
        return BatchCommands::Usage;
    }
    // Commands make no widget: they run on a core application, with no
    // display and no platform plugin.
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quenlock"));

    const Options options = parse(args);
    int status = BatchCommands::Usage;
    QString failure;
    try {
        if (options.ok)
            status = dispatch(command, options);
    } catch (const QuenlockError &error) {
        failure = error.description();
    }
    // A log write that failed where no caller could hear of it (a trap, the
    // shut-down) still fails the command: the logs did not keep everything.
    if (failure.isEmpty())
        failure = LogDatabase::instance().failure();
    if (!failure.isEmpty()) {
        QTextStream(stderr) << "quenlock: " << failure << '\n';
        return BatchCommands::Failed;
    }
    // An undo of a run that does not exist has said so.
    const bool explained = command == u"undo" && options.ok && undoOptions(options);
    if (status == BatchCommands::Usage && !explained)
        QTextStream(stderr) << (UsageText::of(command).isEmpty() ? UsageText::general() : UsageText::of(command));
    return status;
}
