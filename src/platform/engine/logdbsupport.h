// SPDX-License-Identifier: MIT
// What the log database's source files share: failures, text columns, times.
#pragma once

#include <QString>
#include <sqlite3.h>

namespace LogDb {

// A step that failed: the text a read reports, and SQLite's own reason,
// which a write's error carries.
struct Failure
{
    QString description;
    QString reason;
};

// Bound as UTF-16 so every character, line breaks and NULs included, is kept.
inline void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                        SQLITE_TRANSIENT);
}

inline QString columnText(sqlite3_stmt *statement, int column)
{
    const void *data = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return QString::fromUtf16(static_cast<const char16_t *>(data), bytes / 2);
}

// Now, in UTC, ISO 8601 with milliseconds.
QString now();

} // namespace LogDb
