// SPDX-License-Identifier: MIT
// Settings store access in section "Morvane" under the engine's settings name.
#pragma once

#include <QString>

// Both fetch EngineUtility's SettingsAppName before the access, every time.
QString ReadSetting(const QString &key, const QString &defaultValue);
void WriteSetting(const QString &key, const QString &value);

// The reads of a replace run, as an interface a test can stand in for.
class SettingsAccess
{
public:
    virtual ~SettingsAccess() = default;
    virtual QString read(const QString &key, const QString &defaultValue) = 0;
};

// The settings store through ReadSetting.
class StoreSettings final : public SettingsAccess
{
public:
    QString read(const QString &key, const QString &defaultValue) override
    {
        return ReadSetting(key, defaultValue);
    }
};
