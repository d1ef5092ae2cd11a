// SPDX-License-Identifier: MIT
#include "hostconfig.h"

#include "enginepaths.h"

#include <QSettings>

QString HostConfig::file() { return EnginePaths::configDir() + QStringLiteral("/host.ini"); }

HostConfig HostConfig::load()
{
    QSettings settings(file(), QSettings::IniFormat);
    HostConfig config;
    config.stores = settings.value(QStringLiteral("Stores/paths")).toStringList();
    for (QString &path : config.stores)
        path = path.trimmed();
    config.stores.removeAll(QString());
    config.defaultContacts = settings.value(QStringLiteral("Stores/defaultContacts")).toString();
    if (config.stores.isEmpty())
        config.stores << EnginePaths::dataDir() + QStringLiteral("/store");
    return config;
}
