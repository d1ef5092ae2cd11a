// SPDX-License-Identifier: MIT
// What the log database's source files share: failures, text columns, times.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <sqlite3.h>

namespace LogDb {

// How long a write waits for another program's lock on the file before it
// fails; README.md names this time.
constexpr int BusyTimeoutMs = 5000;

// A step that failed: the text a read reports, and SQLite's own reason,
// which a write's error carries.
struct Failure
{
    QString description;
    QString reason;
};

// The text must live until the statement has run: SQLite reads it in place
// instead of copying it first (an undo record of a 5 MB body is 10 MB of
// UTF-16 it need not hold twice). LogDatabase::step clears them after the step.
inline void bindText(sqlite3_stmt *statement, int index, const QString &text)
{
    // Bound as UTF-16 so every character, line breaks and NULs included, is kept.
    sqlite3_bind_text16(statement, index, text.utf16(), int(text.size() * sizeof(char16_t)),
                        SQLITE_STATIC);
}

inline QString columnText(sqlite3_stmt *statement, int column)
{
    const void *data = sqlite3_column_text16(statement, column);
    const int bytes = sqlite3_column_bytes16(statement, column);
    return QString::fromUtf16(static_cast<const char16_t *>(data), bytes / 2);
}

// Now, in UTC, ISO 8601 with milliseconds; valid until the next call.
QByteArrayView now();

inline void bindTime(sqlite3_stmt *statement, int index)
{
    const QByteArrayView time = now();
    sqlite3_bind_text(statement, index, time.data(), int(time.size()), SQLITE_STATIC);
}

} // namespace LogDb
