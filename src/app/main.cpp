// SPDX-License-Identifier: MIT
// quenlock: the host. With no command it opens the property window; the
// commands drive the same module and page from a terminal.
#include "batchcommands.h"
#include "commands.h"
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
// "quenlock: unknown option '--bogus'" and where to look: no whole usage text
// burying the word that was wrong.
int unknown(const char *what, const QString &word)
{
    QTextStream(stderr) << "quenlock: unknown " << what << " '" << word << "'\nTry 'quenlock --help'.\n";
    return BatchCommands::Usage;
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
    if (text.isEmpty()) // help for a command that does not exist
        return unknown("command", args.at(1));
    QTextStream(stdout) << text;
    return BatchCommands::Done;
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
    const Command *entry = Commands::find(command);
    if (!entry)
        return unknown("command", command);
    QString bad;
    const std::optional<CommandLine> line = Commands::parse(*entry, args, bad);
    if (!line)
        return unknown("option", bad);
    const bool window = command == u"window";
    if (window && !hasDisplay()) {
        QTextStream(stderr) << "quenlock: no display: use one of the commands.\n" << UsageText::general();
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

    int status = BatchCommands::Usage;
    QString failure;
    try {
        status = entry->handler(*line);
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
    // A command that explained its own refusal returns Refused; Usage means
    // the words did not fit the command, and its usage says what does.
    if (status == BatchCommands::Usage)
        QTextStream(stderr) << UsageText::of(command);
    return status == BatchCommands::Refused ? int(BatchCommands::Usage) : status;
}
