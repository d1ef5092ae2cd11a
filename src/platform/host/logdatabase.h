// SPDX-License-Identifier: MIT
// The host log and the activity log, in one SQLite database under XDG state.
#pragma once

#include "runjournal.h"

#include <QList>
#include <QString>
#include <functional>

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

    // A journaled run, as runs() lists it.
    struct RunEntry
    {
        qint64 id;
        QString started;
        RunStart start;
        qint64 changed; // items saved; for a run that never ended, items with journaled changes
        bool ended; // false: cut short (killed) or still going
        RunEnd how; // when ended
        qint64 undoneBy; // the undo that gave it back, else 0
    };

    static LogDatabase &instance();

    void appendHostLog(int level, const QString &source, const QString &message);
    void appendActivity(const QString &source, const QString &name, const QString &text, int kind);
    // Makes every pending row durable.
    void commit();
    // The failed write's error text while writes fail (see above), else empty.
    QString failure() const { return m_failure; }
    // The run journal (see EngineUtility). Rows go out with the activity
    // rows, in the same transactions; endRun of a finished undo marks the run
    // it gave back as undone, and the run an undone undo had given back as
    // not undone.
    void beginRun(const RunStart &start);
    // The store ids that are server accounts: a run's folder in one is
    // journaled as "ACCOUNT/NAME", so that runs names the account as its
    // store; a folder of a store directory keeps its name as configured.
    void setAccountStores(const QStringList &names) { m_accountStores = names; }
    void recordChange(const PlannedChange &change);
    void endRun(qint32 saved, RunEnd how);
    // Newest first.
    QList<RunEntry> runs();
    // The fields a run changed, in its order.
    QList<PlannedChange> runChanges(qint64 runId);

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
    void createJournalTables();
    void release();
    void begin();
    void commitPending();
    // Runs body, a write to the named log; a failure in it becomes the
    // LogWriteError every later write throws.
    void write(const char *log, const std::function<void()> &body);
    void abandon(const QString &failure);
    // Tells the journal, if it still takes one small write, that the run in
    // hand ended because the logs failed, not because it was killed.
    void markRunFailed();
    // Runs a query of the named log with one whole-number parameter and
    // hands each row to row; QuenlockError when the file cannot be read or
    // a row on the way is damaged ("The run journal is damaged: ...").
    void eachRow(const char *log, const char *sql, qint64 parameter,
                 const std::function<void(sqlite3_stmt *)> &row);
    void exec(const char *sql);
    // Prepares, binds (through bind), runs and finalizes one statement.
    void execBound(const char *sql, const std::function<void(sqlite3_stmt *)> &bind);
    // Runs a statement prepared once (BEGIN and COMMIT, issued per saved item).
    void step(sqlite3_stmt *statement, const char *what);
    // Copies the write-ahead log into the database, if no reader is in the way.
    void checkpoint();
    [[noreturn]] void fail(const QString &what);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insertHost = nullptr;
    sqlite3_stmt *m_insertActivity = nullptr;
    sqlite3_stmt *m_insertChange = nullptr;
    sqlite3_stmt *m_begin = nullptr;
    sqlite3_stmt *m_commit = nullptr;
    int m_pending = 0;
    bool m_inTransaction = false;
    bool m_commitQueued = false;
    QString m_failure;
    QStringList m_accountStores;
    struct
    {
        qint64 id = 0;
        qint64 undoes = 0;
    } m_run; // the run being journaled
};
