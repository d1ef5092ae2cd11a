// SPDX-License-Identifier: MIT
#include "logdatabase.h"

#include "enginepaths.h"
#include "quenlockerror.h"
#include "logdbsupport.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDir>
#include <QMetaObject>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sqlite3.h>

namespace {
constexpr int BatchRows = 1000;

} // namespace

// UTC, ISO 8601 with milliseconds. Formatted by hand: local time would make
// the C library look at the time-zone file for every row of a long run. The
// text is ASCII, bound as it is: no string to allocate and convert per row.
// It stays valid until the next call.
QByteArrayView LogDb::now()
{
    const auto clock = std::chrono::system_clock::now().time_since_epoch();
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(clock).count();
    // A run writes many rows per second: the date part is formatted once a second.
    static qint64 formattedSecond = -1;
    static char text[32];
    static int length = 0;
    if (ms / 1000 != formattedSecond) {
        formattedSecond = ms / 1000;
        const time_t seconds = time_t(formattedSecond);
        struct tm utc {};
        gmtime_r(&seconds, &utc);
        length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.000Z",
                               utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                               utc.tm_min, utc.tm_sec);
    }
    const int millis = int(ms % 1000);
    text[length - 4] = char('0' + millis / 100);
    text[length - 3] = char('0' + millis / 10 % 10);
    text[length - 2] = char('0' + millis % 10);
    return QByteArrayView(text, length);
}

LogDatabase &LogDatabase::instance()
{
    static LogDatabase database;
    return database;
}

LogDatabase::~LogDatabase()
{
    try {
        close();
    } catch (const QuenlockError &) {
        // Nothing left to report to at exit.
    }
}

void LogDatabase::fail(const QString &what)
{
    const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
    throw LogDb::Failure{QStringLiteral("Log database %1 failed: %2").arg(what, reason), reason};
}

void LogDatabase::exec(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString::fromLatin1(sql));
}

void LogDatabase::step(sqlite3_stmt *statement, const char *what)
{
    const int status = sqlite3_step(statement);
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement); // texts are bound in place and about to go
    if (status != SQLITE_DONE)
        fail(QString::fromLatin1(what));
}

// A file that cannot be opened is left closed, so the next use tries afresh.
void LogDatabase::open()
{
    if (m_db)
        return;
    const QString file = EnginePaths::logDatabaseFile();
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder))
        throw LogDb::Failure{QStringLiteral("Cannot create the folder of the log database %1").arg(file),
                      QStringLiteral("cannot create the folder %1").arg(folder)};
    try {
        if (sqlite3_open_v2(file.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            fail(QStringLiteral("open"));
        sqlite3_busy_timeout(m_db, LogDb::BusyTimeoutMs);
        createTables();
    } catch (const LogDb::Failure &failure) {
        release();
        throw LogDb::Failure{QStringLiteral("Cannot open the log database %1: %2").arg(file, failure.reason),
                      failure.reason};
    }
}

void LogDatabase::createTables()
{
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA synchronous=NORMAL");
    // A batch run or undo never returns to the event loop, and every item's
    // commit adds pages to the write-ahead log: it is copied into the
    // database whenever it holds 1000 pages (4 MB, SQLite's own default) and
    // cut back to that size, so the state folder needs little more than the
    // database itself. Each copy syncs the disk once.
    exec("PRAGMA wal_autocheckpoint=1000");
    exec("PRAGMA journal_size_limit=4096000");
    exec("CREATE TABLE IF NOT EXISTS host_log(id INTEGER PRIMARY KEY, time TEXT NOT NULL,"
         " level INTEGER NOT NULL, source TEXT NOT NULL, message TEXT NOT NULL)");
    exec("CREATE TABLE IF NOT EXISTS activity_log(id INTEGER PRIMARY KEY, time TEXT NOT NULL,"
         " source TEXT NOT NULL, name TEXT NOT NULL, text TEXT NOT NULL, kind INTEGER NOT NULL)");
    createJournalTables();
    if (sqlite3_prepare_v2(m_db, "INSERT INTO host_log(time, level, source, message) VALUES(?,?,?,?)",
                           -1, &m_insertHost, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(m_db,
                              "INSERT INTO activity_log(time, source, name, text, kind) VALUES(?,?,?,?,?)",
                              -1, &m_insertActivity, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(m_db,
                              "INSERT INTO run_changes(run_id, store_id, folder_id, item_id, field,"
                              " old_value, new_value) VALUES(?,?,?,?,?,?,?)",
                              -1, &m_insertChange, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(m_db, "BEGIN", -1, &m_begin, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(m_db, "COMMIT", -1, &m_commit, nullptr) != SQLITE_OK)
        fail(QStringLiteral("prepare"));
}

// Closes the connection without committing.
void LogDatabase::release()
{
    sqlite3_finalize(m_insertHost);
    sqlite3_finalize(m_insertActivity);
    sqlite3_finalize(m_insertChange);
    sqlite3_finalize(m_begin);
    sqlite3_finalize(m_commit);
    m_insertHost = m_insertActivity = m_insertChange = m_begin = m_commit = nullptr;
    m_run = {};
    sqlite3_close(m_db);
    m_db = nullptr;
    m_inTransaction = false;
    m_pending = 0;
}

void LogDatabase::begin()
{
    open();
    if (!m_inTransaction) {
        step(m_begin, "BEGIN");
        m_inTransaction = true;
    }
    // Rows written during a synchronous run become durable once it returns
    // to the event loop, whatever else happens.
    if (!m_commitQueued && QCoreApplication::instance()) {
        m_commitQueued = true;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this] {
            m_commitQueued = false;
            try {
                commit();
                checkpoint();
            } catch (const QuenlockError &) {
                // Retried at the next commit point.
            }
        }, Qt::QueuedConnection);
    }
}

void LogDatabase::write(const char *log, const std::function<void()> &body)
{
    if (!m_failure.isEmpty())
        throw LogWriteError(m_failure);
    try {
        body();
    } catch (const LogDb::Failure &failure) {
        abandon(QStringLiteral("The %1 cannot be written: %2").arg(QLatin1String(log), failure.reason));
        throw LogWriteError(m_failure);
    }
}

void LogDatabase::abandon(const QString &failure)
{
    m_failure = failure;
    if (m_db && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    m_pending = 0;
    markRunFailed();
    // A batch command never returns to the event loop: there the failure
    // stands until the command ends and reports it.
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this] { m_failure.clear(); },
                                  Qt::QueuedConnection);
}

void LogDatabase::appendHostLog(int level, const QString &source, const QString &message)
{
    write("host log", [&] {
        begin();
        LogDb::bindTime(m_insertHost, 1);
        sqlite3_bind_int(m_insertHost, 2, level);
        LogDb::bindText(m_insertHost, 3, source);
        LogDb::bindText(m_insertHost, 4, message);
        step(m_insertHost, "host log write");
        commitPending();
    });
}

void LogDatabase::appendActivity(const QString &source, const QString &name, const QString &text,
                                 int kind)
{
    write("activity log", [&] {
        begin();
        LogDb::bindTime(m_insertActivity, 1);
        LogDb::bindText(m_insertActivity, 2, source);
        LogDb::bindText(m_insertActivity, 3, name);
        LogDb::bindText(m_insertActivity, 4, text);
        sqlite3_bind_int(m_insertActivity, 5, kind);
        step(m_insertActivity, "activity log write");
        if (++m_pending >= BatchRows)
            commitPending();
    });
}

void LogDatabase::commit()
{
    write("activity log", [this] { commitPending(); });
}

void LogDatabase::commitPending()
{
    if (!m_inTransaction)
        return;
    step(m_commit, "COMMIT");
    m_inTransaction = false;
    m_pending = 0;
}

void LogDatabase::eachRow(const char *log, const char *sql, qint64 parameter,
                          const std::function<void(sqlite3_stmt *)> &row)
{
    // This connection sees its own pending rows all the same; a commit that
    // fails is for the next writer to report, not for a reader.
    try {
        commit();
    } catch (const LogWriteError &) {
    }
    sqlite3_stmt *query = nullptr;
    try {
        open();
        if (sqlite3_prepare_v2(m_db, sql, -1, &query, nullptr) != SQLITE_OK)
            fail(QStringLiteral("read"));
    } catch (const LogDb::Failure &failure) {
        throw QuenlockError(failure.description);
    }
    sqlite3_bind_int64(query, 1, parameter);
    int status;
    while ((status = sqlite3_step(query)) == SQLITE_ROW)
        row(query);
    // A damaged page ends the rows early: a list cut short there must not
    // pass for the whole (an undo would give back part of a run and call it done).
    if (status != SQLITE_DONE) {
        const int code = sqlite3_extended_errcode(m_db) & 0xff;
        const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(query);
        throw QuenlockError(QStringLiteral("The %1 %2: %3")
                                .arg(QLatin1String(log),
                                     code == SQLITE_CORRUPT || code == SQLITE_NOTADB
                                         ? QStringLiteral("is damaged")
                                         : QStringLiteral("cannot be read"),
                                     reason));
    }
    sqlite3_finalize(query);
}

QList<LogDatabase::HostEntry> LogDatabase::hostLog(qint64 afterId)
{
    QList<HostEntry> entries;
    eachRow("host log", "SELECT id, time, level, source, message FROM host_log WHERE id > ? ORDER BY id", afterId,
            [&](sqlite3_stmt *row) {
                entries.append({sqlite3_column_int64(row, 0), LogDb::columnText(row, 1),
                                sqlite3_column_int(row, 2), LogDb::columnText(row, 3), LogDb::columnText(row, 4)});
            });
    return entries;
}

QList<LogDatabase::ActivityEntry> LogDatabase::activityLog(qint64 afterId)
{
    QList<ActivityEntry> entries;
    eachRow("activity log", "SELECT id, time, source, name, text, kind FROM activity_log WHERE id > ? ORDER BY id", afterId,
            [&](sqlite3_stmt *row) {
                entries.append({sqlite3_column_int64(row, 0), LogDb::columnText(row, 1), LogDb::columnText(row, 2),
                                LogDb::columnText(row, 3), LogDb::columnText(row, 4), sqlite3_column_int(row, 5)});
            });
    return entries;
}

void LogDatabase::checkpoint()
{
    if (m_db)
        sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

// Closes even when the last commit fails, and then reports that failure; a
// failure already reported is not reported again.
void LogDatabase::close()
{
    QString failure;
    if (m_db && m_failure.isEmpty()) {
        try {
            commit();
            checkpoint();
        } catch (const LogWriteError &error) {
            failure = error.description();
        }
    }
    release();
    m_failure.clear();
    if (!failure.isEmpty())
        throw LogWriteError(failure);
}
