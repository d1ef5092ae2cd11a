// SPDX-License-Identifier: MIT
#include "hostconfig.h"

#include "enginepaths.h"
#include "quenlockerror.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString AccountSection = QStringLiteral("Account ");

bool isTrue(const QString &value)
{
    const QString v = value.trimmed().toLower();
    return v == u"true" || v == u"yes" || v == u"1" || v == u"on";
}

QList<Dav::AccountSettings> loadAccounts(QSettings &settings)
{
    QList<Dav::AccountSettings> accounts;
    for (const QString &group : settings.childGroups()) {
        if (!group.startsWith(AccountSection) || group.size() == AccountSection.size())
            continue;
        settings.beginGroup(group);
        Dav::AccountSettings a;
        a.name = group.mid(AccountSection.size()).trimmed();
        a.url = QUrl(settings.value(QStringLiteral("url")).toString().trimmed());
        a.username = settings.value(QStringLiteral("username")).toString();
        // A command line holds commas: read as written, not as a list.
        const QVariant command = settings.value(QStringLiteral("passwordCommand"));
        a.passwordCommand = command.typeId() == QMetaType::QStringList ? command.toStringList().join(u',')
                                                                       : command.toString();
        a.caFile = settings.value(QStringLiteral("caFile")).toString();
        a.insecure = isTrue(settings.value(QStringLiteral("insecure")).toString());
        settings.endGroup();
        accounts << a;
    }
    return accounts;
}
} // namespace

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
    config.accounts = loadAccounts(settings);
    const QString fallback = EnginePaths::dataDir() + QStringLiteral("/store");
    if (config.stores.isEmpty() && (config.accounts.isEmpty() || QFileInfo(fallback).isDir()))
        config.stores << fallback;
    return config;
}

Dav::AccountSettings HostConfig::account(const QString &name) const
{
    for (const Dav::AccountSettings &a : accounts)
        if (a.name == name)
            return a;
    throw QuenlockError(QStringLiteral("There is no account \"%1\": add it to %2 as a section [Account %1] "
                                       "with url=, username= and passwordCommand=")
                            .arg(name, file()));
}
