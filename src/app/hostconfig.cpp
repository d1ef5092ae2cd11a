// SPDX-License-Identifier: MIT
#include "hostconfig.h"

#include "enginepaths.h"
#include "quenlockerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString AccountSection = QStringLiteral("Account ");

bool isTrue(const QString &value)
{
    const QString v = value.trimmed().toLower();
    return v == u"true" || v == u"yes" || v == u"1" || v == u"on";
}

// The [Account NAME] sections, read line by line: a value is everything
// after the first "=", as typed (QSettings would take quotes, commas and
// backslashes in a command line for its own syntax).
QList<Dav::AccountSettings> loadAccounts(const QString &path)
{
    QList<Dav::AccountSettings> accounts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return accounts;
    Dav::AccountSettings *account = nullptr;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            const QString section = line.mid(1, line.lastIndexOf(u']') - 1);
            account = nullptr;
            if (section.startsWith(AccountSection) && !section.mid(AccountSection.size()).trimmed().isEmpty()) {
                accounts.append(Dav::AccountSettings());
                account = &accounts.last();
                account->name = section.mid(AccountSection.size()).trimmed();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!account || equals <= 0 || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        const QString key = line.left(equals).trimmed(), value = line.mid(equals + 1).trimmed();
        if (key == u"url")
            account->url = QUrl(value);
        else if (key == u"username")
            account->username = value;
        else if (key == u"passwordCommand")
            account->passwordCommand = value;
        else if (key == u"caFile")
            account->caFile = value;
        else if (key == u"insecure")
            account->insecure = isTrue(value);
        else if (key == u"timeout")
            account->timeoutSeconds = qMax(0, value.toInt());
        else if (key == u"connections") {
            bool number = false;
            const int n = value.toInt(&number);
            account->connections = number && n >= 1 && n <= Dav::AccountSettings::MostConnections ? n : 0;
        }
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
    config.accounts = loadAccounts(file());
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
