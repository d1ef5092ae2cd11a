// SPDX-License-Identifier: MIT
#include "settingsaccess.h"

#include "engineutility.h"
#include "settingsstore.h"
#include "settingskeys.h"

QString ReadSetting(const QString &key, const QString &defaultValue)
{
    return SettingsStore::read(engineUtility().SettingsAppName(), QLatin1String(Keys::Section), key,
                               defaultValue);
}

void WriteSetting(const QString &key, const QString &value)
{
    SettingsStore::write(engineUtility().SettingsAppName(), QLatin1String(Keys::Section), key, value);
}
