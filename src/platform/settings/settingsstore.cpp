// SPDX-License-Identifier: MIT
// The settings store as INI files: $XDG_CONFIG_HOME/quenlock/<application>.ini,
// one [section] per section. QSettings quotes and escapes values itself, so
// every text round-trips, and it saves through a temporary file and a rename.
#include "settingsstore.h"

#include "quenlockerror.h"
#include "enginepaths.h"

#include <QDir>
#include <QSettings>

namespace {
QString fileFor(const QString &application)
{
    if (application.isEmpty() || application.contains(QLatin1Char('/'))
        || application.startsWith(QLatin1Char('.')))
        throw QuenlockError(QStringLiteral("Invalid settings application name '%1'").arg(application));
    return EnginePaths::configDir() + QLatin1Char('/') + application + QStringLiteral(".ini");
}

QString statusText(QSettings::Status status)
{
    return status == QSettings::FormatError ? QStringLiteral("the file is not a valid settings file")
                                            : QStringLiteral("the file cannot be written");
}
} // namespace

QString SettingsStore::read(const QString &application, const QString &section, const QString &key,
                            const QString &defaultValue)
{
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.beginGroup(section);
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with unquoted commas reads as a list; give it back whole.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SettingsStore::write(const QString &application, const QString &section, const QString &key,
                          const QString &value)
{
    const QString file = fileFor(application);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        throw QuenlockError(QStringLiteral("Cannot create the settings folder of %1").arg(file));
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        throw QuenlockError(QStringLiteral("Cannot write setting %1 to %2: %3")
                                .arg(key, file, statusText(settings.status())));
    settings.beginGroup(section);
    settings.setValue(key, value);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw QuenlockError(QStringLiteral("Cannot write setting %1 to %2: %3")
                                .arg(key, file, statusText(settings.status())));
}

QStringList SettingsStore::keys(const QString &application, const QString &section)
{
    QSettings settings(fileFor(application), QSettings::IniFormat);
    settings.beginGroup(section);
    return settings.childKeys();
}
