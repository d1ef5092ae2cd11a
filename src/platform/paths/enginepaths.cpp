// SPDX-License-Identifier: MIT
#include "enginepaths.h"

#include <QDir>

namespace {
// Read afresh on every call so a test can point a process at a private set.
QString xdgDir(const char *variable, const char *fallbackUnderHome)
{
    QString base = qEnvironmentVariable(variable);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallbackUnderHome);
    return base + QStringLiteral("/quenlock");
}
} // namespace

QString EnginePaths::configDir() { return xdgDir("XDG_CONFIG_HOME", ".config"); }
QString EnginePaths::stateDir() { return xdgDir("XDG_STATE_HOME", ".local/state"); }
QString EnginePaths::dataDir() { return xdgDir("XDG_DATA_HOME", ".local/share"); }
QString EnginePaths::logDatabaseFile() { return stateDir() + QStringLiteral("/logs.sqlite"); }
