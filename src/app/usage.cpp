// SPDX-License-Identifier: MIT
#include "usage.h"

#include "commands.h"

namespace {
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
    for (const Command &command : Commands::all())
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + u'\n';
    text += QStringLiteral("  quenlock --help | --version\n");
    return text + QLatin1String(Footer);
}

QString UsageText::of(const QString &command)
{
    const Command *c = Commands::find(command);
    return c ? QStringLiteral("Usage: ") + QLatin1String(c->synopsis) + QStringLiteral("\n\n") + QLatin1String(c->details)
             : QString();
}

QString UsageText::version() { return QStringLiteral("quenlock " QUENLOCK_VERSION); }
