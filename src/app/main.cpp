// SPDX-License-Identifier: MIT
// quenlock: the host. With no command it opens the property window; the
// commands drive the same module and page from a terminal.
#include "batchcommands.h"
#include "quenlockerror.h"
#include "windowcommand.h"

#include <QApplication>
#include <memory>
#include <QTextStream>

namespace {
const char UsageText[] = R"(Usage:
  quenlock [window] [--store DIR]...      open the property window (needs a display)
  quenlock folders [--store DIR]... [--json]
                                          list every folder of the stores
  quenlock set KEY=VALUE...               write settings of section "Morvane"
  quenlock get [KEY...]                   print settings of section "Morvane"
  quenlock run [--store DIR]... [--yes]   press Replace on the applied settings
  quenlock log [--json]                   print the host log, oldest first
  quenlock activity [--json]              print the activity log, oldest first
Without --store the host serves the stores of $XDG_CONFIG_HOME/quenlock/host.ini.
)";

struct Options
{
    QStringList stores, rest;
    bool json = false, yes = false, ok = true;
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
        else if (arg == u"--json")
            options.json = true;
        else if (arg == u"--yes")
            options.yes = true;
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

int dispatch(const QString &command, const Options &o)
{
    using namespace BatchCommands;
    const bool noArgs = o.rest.isEmpty();
    if (command == u"folders" && noArgs && !o.yes)
        return folders(o.stores, o.json);
    if (command == u"set" && o.stores.isEmpty() && !o.json && !o.yes)
        return set(o.rest);
    if (command == u"get" && o.stores.isEmpty() && !o.json && !o.yes)
        return get(o.rest);
    if (command == u"run" && noArgs && !o.json)
        return run(o.stores, o.yes);
    if (command == u"log" && noArgs && o.stores.isEmpty() && !o.yes)
        return log(o.json);
    if (command == u"activity" && noArgs && o.stores.isEmpty() && !o.yes)
        return activity(o.json);
    if (command == u"window" && noArgs && !o.json && !o.yes)
        return openWindow(o.stores);
    return Usage;
}
} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.isEmpty() || args.first().startsWith(u"--"))
        args.prepend(QStringLiteral("window"));
    const QString command = args.takeFirst();
    const bool window = command == u"window";
    if (window && !hasDisplay()) {
        QTextStream(stderr) << "No display: use one of the commands.\n" << UsageText;
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
    try {
        if (options.ok)
            status = dispatch(command, options);
    } catch (const QuenlockError &error) {
        QTextStream(stderr) << "quenlock: " << error.description() << '\n';
        return BatchCommands::Failed;
    }
    if (status == BatchCommands::Usage)
        QTextStream(stderr) << UsageText;
    return status;
}
