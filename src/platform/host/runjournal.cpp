// SPDX-License-Identifier: MIT
// The log database's run journal: runs, and the fields each one changed.
#include "logdatabase.h"

#include "logdbsupport.h"
#include "quenlockerror.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
QString foldersText(const QStringList &folders)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(folders)).toJson(QJsonDocument::Compact));
}

QStringList foldersOf(const QString &text)
{
    QStringList folders;
    for (const QJsonValue &name : QJsonDocument::fromJson(text.toUtf8()).array())
        folders << name.toString();
    return folders;
}
} // namespace

// An activity log from before the journal gets its tables on first open.
void LogDatabase::createJournalTables()
{
    exec("CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, started TEXT NOT NULL,"
         " search_for TEXT NOT NULL, replace_with TEXT NOT NULL, case_sensitive INTEGER NOT NULL,"
         " special_instructions TEXT NOT NULL, folders TEXT NOT NULL, undoes INTEGER,"
         " saved INTEGER, complete INTEGER, undone_by INTEGER)");
    exec("CREATE TABLE IF NOT EXISTS run_changes(id INTEGER PRIMARY KEY, run_id INTEGER NOT NULL,"
         " store_id TEXT NOT NULL, folder_id TEXT NOT NULL, item_id TEXT NOT NULL, field TEXT NOT NULL,"
         " old_value TEXT NOT NULL, new_value TEXT NOT NULL)");
    exec("CREATE INDEX IF NOT EXISTS run_changes_run ON run_changes(run_id)");
}

void LogDatabase::execBound(const char *sql, const std::function<void(sqlite3_stmt *)> &bind)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
        fail(QStringLiteral("prepare"));
    bind(statement);
    const int status = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (status != SQLITE_DONE)
        fail(QStringLiteral("run journal write"));
}

void LogDatabase::beginRun(const RunStart &start)
{
    QStringList folders = start.folders;
    for (qsizetype i = 0; i < folders.size() && i < start.stores.size(); ++i)
        if (m_accountStores.contains(start.stores.at(i)))
            folders[i] = start.stores.at(i) + u'/' + folders.at(i);
    write("run journal", [&] {
        begin();
        execBound("INSERT INTO runs(started, search_for, replace_with, case_sensitive,"
                  " special_instructions, folders, undoes) VALUES(?,?,?,?,?,?,?)",
                  [&, folders = foldersText(folders)](sqlite3_stmt *insert) {
                      LogDb::bindTime(insert, 1);
                      LogDb::bindText(insert, 2, start.searchFor);
                      LogDb::bindText(insert, 3, start.replaceWith);
                      sqlite3_bind_int(insert, 4, start.caseValue);
                      LogDb::bindText(insert, 5, start.specialInstructions);
                      LogDb::bindText(insert, 6, folders);
                      if (start.undoes)
                          sqlite3_bind_int64(insert, 7, start.undoes);
                  });
        m_run = {sqlite3_last_insert_rowid(m_db), start.undoes};
    });
}

void LogDatabase::recordChange(const PlannedChange &change)
{
    write("run journal", [&] {
        begin();
        sqlite3_bind_int64(m_insertChange, 1, m_run.id);
        const QString *texts[] = {&change.storeId, &change.folderEntryId, &change.itemEntryId,
                                  &change.field, &change.oldValue, &change.newValue};
        for (int i = 0; i < 6; ++i)
            LogDb::bindText(m_insertChange, i + 2, *texts[i]);
        step(m_insertChange, "run journal write");
        ++m_pending;
    });
}

void LogDatabase::endRun(qint32 saved, RunEnd how)
{
    write("run journal", [&] {
        begin();
        execBound("UPDATE runs SET saved = ?, complete = ? WHERE id = ?", [&](sqlite3_stmt *update) {
            sqlite3_bind_int(update, 1, saved);
            sqlite3_bind_int(update, 2, int(how));
            sqlite3_bind_int64(update, 3, m_run.id);
        });
        if (how == RunEnd::Finished && m_run.undoes) {
            const qint64 undone = m_run.undoes;
            execBound("UPDATE runs SET undone_by = NULL WHERE undone_by = ?",
                      [&](sqlite3_stmt *update) { sqlite3_bind_int64(update, 1, undone); });
            execBound("UPDATE runs SET undone_by = ? WHERE id = ?", [&](sqlite3_stmt *update) {
                sqlite3_bind_int64(update, 1, m_run.id);
                sqlite3_bind_int64(update, 2, undone);
            });
        }
        commitPending();
        m_run = {};
    });
}

void LogDatabase::markRunFailed()
{
    if (!m_db || !m_run.id)
        return;
    sqlite3_stmt *update = nullptr;
    // Not waited for: a file locked by another program is why the logs failed.
    sqlite3_busy_timeout(m_db, 0);
    if (sqlite3_prepare_v2(m_db, "UPDATE runs SET complete = ? WHERE id = ? AND saved IS NULL", -1, &update,
                           nullptr) == SQLITE_OK) {
        sqlite3_bind_int(update, 1, int(RunEnd::LogFailed));
        sqlite3_bind_int64(update, 2, m_run.id);
        sqlite3_step(update);
    }
    sqlite3_finalize(update);
    sqlite3_busy_timeout(m_db, LogDb::BusyTimeoutMs);
}

QList<LogDatabase::RunEntry> LogDatabase::runs()
{
    QList<RunEntry> entries;
    eachRow("run journal", "SELECT id, started, search_for, replace_with, case_sensitive, special_instructions, folders,"
            " undoes, COALESCE(saved, (SELECT COUNT(*) FROM (SELECT DISTINCT store_id, folder_id, item_id"
            " FROM run_changes WHERE run_id = runs.id))), complete IS NOT NULL, complete, undone_by"
            " FROM runs WHERE id > ? ORDER BY id DESC",
            0, [&](sqlite3_stmt *row) {
                const RunStart start{LogDb::columnText(row, 2), LogDb::columnText(row, 3),
                                     sqlite3_column_int(row, 4), LogDb::columnText(row, 5),
                                     foldersOf(LogDb::columnText(row, 6)), sqlite3_column_int64(row, 7), {}};
                entries.append({sqlite3_column_int64(row, 0), LogDb::columnText(row, 1), start,
                                sqlite3_column_int64(row, 8), sqlite3_column_int(row, 9) != 0,
                                RunEnd(sqlite3_column_int(row, 10)), sqlite3_column_int64(row, 11)});
            });
    return entries;
}

QList<PlannedChange> LogDatabase::runChanges(qint64 runId)
{
    QList<PlannedChange> changes;
    eachRow("run journal", "SELECT store_id, folder_id, item_id, field, old_value, new_value FROM run_changes"
            " WHERE run_id = ? ORDER BY id",
            runId, [&](sqlite3_stmt *row) {
                changes.append({LogDb::columnText(row, 0), LogDb::columnText(row, 1), LogDb::columnText(row, 2),
                                LogDb::columnText(row, 3), LogDb::columnText(row, 4), LogDb::columnText(row, 5)});
            });
    return changes;
}
