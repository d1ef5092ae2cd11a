// SPDX-License-Identifier: MIT
// The per-user settings store: text values by application, section and key.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace SettingsStore {
// The stored text, or defaultValue when application, section or key is missing.
QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue);
// Stores the text; it is on disk when this returns. Throws QuenlockError on failure.
void write(const QString &application, const QString &section, const QString &key,
           const QString &value);
// The keys of a section, in the store's order (for listing by the host).
QStringList keys(const QString &application, const QString &section);
// Values read in place of the stored ones, by this process only (a one-off
// run's settings); keys() lists them too. Nothing is written. Empty values:
// the store alone again.
void overlay(const QString &application, const QString &section, const QHash<QString, QString> &values);
} // namespace SettingsStore
