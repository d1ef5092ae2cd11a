// SPDX-License-Identifier: MIT
// Settings store access in section "Morvane" under the engine's settings name.
#pragma once

#include <QString>

// Both fetch EngineUtility's SettingsAppName before the access, every time.
QString ReadSetting(const QString &key, const QString &defaultValue);
void WriteSetting(const QString &key, const QString &value);
