// SPDX-License-Identifier: MIT
// The per-user settings store: text values by application, section and key.
#pragma once

#include <QString>

namespace SettingsStore {
// The stored text, or defaultValue when application, section or key is missing.
QString read(const QString &application, const QString &section, const QString &key,
             const QString &defaultValue);
// Stores the text; it is on disk when this returns. Throws QuenlockError on failure.
void write(const QString &application, const QString &section, const QString &key,
           const QString &value);
} // namespace SettingsStore
