// SPDX-License-Identifier: MIT
// Per-user locations of the host, each honouring its XDG variable.
#pragma once

#include <QString>

namespace EnginePaths {
// $XDG_CONFIG_HOME/quenlock (settings store, host configuration).
QString configDir();
// $XDG_STATE_HOME/quenlock (host log and activity log database).
QString stateDir();
// $XDG_DATA_HOME/quenlock (the default store when the host is given none).
QString dataDir();
QString logDatabaseFile();
} // namespace EnginePaths
