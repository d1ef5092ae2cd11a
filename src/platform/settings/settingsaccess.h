// SPDX-License-Identifier: MIT
// Settings store access in section "Morvane" under the engine's settings name.
#pragma once

#include <QString>
#include <QStringList>

// Both fetch EngineUtility's SettingsAppName before the access, every time.
QString ReadSetting(const QString &key, const QString &defaultValue);
void WriteSetting(const QString &key, const QString &value);
// The keys the section holds.
QStringList SettingKeys();

// The folder count to walk: a stored count, but never past the highest
// folder slot the section holds a key for (missing slots below that one
// still count), and 0 for a negative one. A hand-edited count of two
// billion would otherwise have a run look up every missing slot.
qint32 boundFolderCount(qint32 stored, const QStringList &keys);

// The reads of a replace run, as an interface a test can stand in for.
class SettingsAccess
{
public:
    virtual ~SettingsAccess() = default;
    virtual QString read(const QString &key, const QString &defaultValue) = 0;
    virtual QStringList keys() = 0;
};

// The settings store through ReadSetting.
class StoreSettings final : public SettingsAccess
{
public:
    QString read(const QString &key, const QString &defaultValue) override
    {
        return ReadSetting(key, defaultValue);
    }
    QStringList keys() override { return SettingKeys(); }
};
