// SPDX-License-Identifier: MIT
// The host log and the activity log, in one SQLite database under XDG state.
#pragma once

#include <QList>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// Rows are appended inside one open transaction and committed in batches:
// before an item file is replaced (commit()), with every host log line,
// every 1000 rows, when control returns to the event loop and at exit. So an
// undo record always reaches the disk before the change it describes.
//
// A write that fails (disk full, the file locked by another program for
// longer than the busy timeout, a damaged file) throws LogWriteError and
// takes back the rows not yet committed: they describe changes not yet saved,
// and half an undo record must never reach the disk. From then on every
// write and commit fails at once with the same error, so the save of the item
// whose records were lost fails too, and a locked file is waited for only
// once. That lasts until control returns to the event loop (a window's next
// try starts afresh) or close().
class LogDatabase
{
public:
    struct HostEntry
    {
        qint64 id;
        QString time;
        int level;
        QString source;
        QString message;
    };
    struct ActivityEntry
    {
        qint64 id;
        QString time;
        QString source;
        QString name;
        QString text;
        int kind;
    };

    static LogDatabase &instance();

    void appendHostLog(int level, const QString &source, const QString &message);
    void appendActivity(const QString &source, const QString &name, const QString &text, int kind);
    // Makes every pending row durable.
    void commit();
    // The failed write's error text while writes fail (see above), else empty.
    QString failure() const { return m_failure; }
    // Oldest first, rows after the given id; QuenlockError when the file
    // cannot be read.
    QList<HostEntry> hostLog(qint64 afterId = 0);
    QList<ActivityEntry> activityLog(qint64 afterId = 0);
    // Commits and closes; the next use opens the file of the current
    // XDG_STATE_HOME, with no failure remembered.
    void close();

private:
    LogDatabase() = default;
    ~LogDatabase();
    void open();
    void createTables();
    void release();
    void begin();
    void commitPending();
    // Runs body, a write to the named log; a failure in it becomes the
    // LogWriteError every later write throws.
    template <class Body>
    void write(const char *log, Body &&body);
    void abandon(const QString &failure);
    sqlite3_stmt *select(const char *sql, qint64 afterId);
    void exec(const char *sql);
    // Runs a statement prepared once (BEGIN and COMMIT, issued per saved item).
    void step(sqlite3_stmt *statement, const char *what);
    // Copies the write-ahead log into the database, if no reader is in the way.
    void checkpoint();
    [[noreturn]] void fail(const QString &what);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insertHost = nullptr;
    sqlite3_stmt *m_insertActivity = nullptr;
    sqlite3_stmt *m_begin = nullptr;
    sqlite3_stmt *m_commit = nullptr;
    int m_pending = 0;
    bool m_inTransaction = false;
    bool m_commitQueued = false;
    QString m_failure;
};
