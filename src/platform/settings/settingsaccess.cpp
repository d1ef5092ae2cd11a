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

QStringList SettingKeys()
{
    return SettingsStore::keys(engineUtility().SettingsAppName(), QLatin1String(Keys::Section));
}

qint32 boundFolderCount(qint32 stored, const QStringList &keys)
{
    if (stored <= 0)
        return 0;
    qint32 highest = 0;
    for (const QString &key : keys) {
        for (const char *stem : {Keys::FolderName, Keys::FolderEntryId, Keys::FolderStoreId}) {
            const QLatin1String prefix(stem);
            const QStringView slot = QStringView(key).mid(prefix.size());
            if (!key.startsWith(prefix) || slot.isEmpty() || !slot.front().isDigit())
                continue;
            bool number = false;
            const qint32 n = slot.toInt(&number);
            if (number)
                highest = qMax(highest, n);
        }
    }
    return qMin(stored, highest);
}
