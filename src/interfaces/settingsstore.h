// SPDX-License-Identifier: MIT
// The per-user settings store: text values by application, section and key.
#pragma once

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
} // namespace SettingsStore
