// SPDX-License-Identifier: MIT
// The log database over a real file that is damaged or kept from growing.
#include "testenvironment.h"
#include "logdatabase.h"
#include "quenlockerror.h"

#include <QFile>
#include <QScopeGuard>
#include <QtTest>
#include <functional>
#include <sqlite3.h>

namespace {
QString logFile() { return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quenlock/logs.sqlite"); }

// A run of `count` changed fields, each with its undo record and a host log
// line every 100: enough rows for every table to span many pages.
void journalRun(LogDatabase &db, int count, const std::function<void()> &afterItem = {})
{
    db.beginRun({QStringLiteral("a"), QStringLiteral("b"), 0, QString(), {QStringLiteral("Contacts")}, 0, {}});
    const QString value = QStringLiteral("(503) 555-0100 ").repeated(8);
    for (int n = 0; n < count; ++n) {
        for (const char *prefix : {"FolderStoreId: ", "FolderEntryId: ", "ItemEntryId: ", "FieldName: ", "FieldValue: "})
            db.appendActivity(QStringLiteral("Morvane"), QStringLiteral("UndoSave"),
                              QLatin1String(prefix) + QString::number(n), -1);
        db.recordChange({QStringLiteral("/store"), QStringLiteral("contacts"), QStringLiteral("c%1.vcf").arg(n),
                         QStringLiteral("BusinessTelephoneNumber"), value, value + u'!'});
        if (n % 4 == 0)
            db.appendHostLog(0, QStringLiteral("Quenlock.Pim"), QStringLiteral("line %1").arg(n));
        db.commit();
        if (afterItem)
            afterItem();
    }
    db.endRun(count, RunEnd::Finished);
}

// Overwrites one leaf page in the middle of the table with 4 KB of 0xFF, as
// a failing disk or a stray write would.
void damageLeafPage(const QString &table)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *query = nullptr;
    QVERIFY(sqlite3_open(logFile().toUtf8().constData(), &db) == SQLITE_OK);
    sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = ? AND pagetype = 'leaf' ORDER BY pageno", -1,
                       &query, nullptr);
    sqlite3_bind_text(query, 1, table.toUtf8().constData(), -1, SQLITE_TRANSIENT);
    QList<qint64> leaves;
    while (sqlite3_step(query) == SQLITE_ROW)
        leaves << sqlite3_column_int64(query, 0);
    sqlite3_finalize(query);
    sqlite3_close(db);
    QVERIFY2(leaves.size() > 4, qPrintable(table));
    QFile file(logFile());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek((leaves[leaves.size() / 2] - 1) * 4096));
    QCOMPARE(file.write(QByteArray(4096, char(0xFF))), 4096);
}
// Registered for the connections opened after it: the file may not grow
// past 40 pages (160 KB), as on a disk that fills up.
int smallDisk(sqlite3 *db, char **, const sqlite3_api_routines *)
{
    sqlite3_exec(db, "PRAGMA max_page_count=40", nullptr, nullptr, nullptr);
    return SQLITE_OK;
}
const auto SmallDisk = reinterpret_cast<void (*)()>(&smallDisk);
} // namespace

class TestLogFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damagedPageStopsTheRead_data();
    void damagedPageStopsTheRead();
    void writeAheadLogStaysBounded();
    void logFailureIsARunStateOfItsOwn();
};

void TestLogFaults::damagedPageStopsTheRead_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("message");
    QTest::newRow("journal") << QStringLiteral("run_changes")
                             << QStringLiteral("The run journal is damaged: database disk image is malformed");
    QTest::newRow("activity log") << QStringLiteral("activity_log")
                                  << QStringLiteral("The activity log is damaged: database disk image is malformed");
    QTest::newRow("host log") << QStringLiteral("host_log")
                              << QStringLiteral("The host log is damaged: database disk image is malformed");
}

// A damaged page must not end a list early as if it were whole: an undo
// would give back part of a run and mark it undone.
void TestLogFaults::damagedPageStopsTheRead()
{
    QFETCH(QString, table);
    QFETCH(QString, message);
    TestEnvironment env;
    LogDatabase &db = LogDatabase::instance();
    journalRun(db, 3000);
    QCOMPARE(db.runChanges(1).size(), 3000);
    db.close();
    damageLeafPage(table);

    const auto read = [&]() -> qsizetype {
        if (table == u"run_changes")
            return db.runChanges(1).size();
        return table == u"activity_log" ? db.activityLog().size() : db.hostLog().size();
    };
    QString thrown;
    try {
        qInfo("read %lld rows", qlonglong(read()));
    } catch (const QuenlockError &error) {
        thrown = error.description();
    }
    QCOMPARE(thrown, message);
    db.close();
}

// A batch run never returns to the event loop: the write-ahead log must be
// copied back during the run, or the state folder grows with every commit.
void TestLogFaults::writeAheadLogStaysBounded()
{
    TestEnvironment env;
    LogDatabase &db = LogDatabase::instance();
    qint64 peak = 0;
    journalRun(db, 3000, [&] { peak = qMax(peak, QFileInfo(logFile() + QStringLiteral("-wal")).size()); });
    db.close();
    qInfo("write-ahead log peak %lld bytes, database %lld bytes", peak, QFileInfo(logFile()).size());
    QVERIFY2(peak <= 4096000 + 64 * 4096, qPrintable(QString::number(peak)));
}

// A run the logs stopped is told apart from one that was killed.
void TestLogFaults::logFailureIsARunStateOfItsOwn()
{
    TestEnvironment env;
    LogDatabase &db = LogDatabase::instance();
    sqlite3_auto_extension(SmallDisk);
    const auto cancel = qScopeGuard([] { sqlite3_cancel_auto_extension(SmallDisk); });
    QString thrown;
    try {
        journalRun(db, 3000);
    } catch (const LogWriteError &error) {
        thrown = error.description();
    }
    QVERIFY2(thrown.endsWith(QStringLiteral(" cannot be written: database or disk is full")), qPrintable(thrown));
    db.close();
    const QList<LogDatabase::RunEntry> runs = db.runs();
    QCOMPARE(runs.size(), 1);
    QVERIFY(runs[0].ended);
    QCOMPARE(runs[0].how, RunEnd::LogFailed);
    QVERIFY(runs[0].changed > 0);
}

QTEST_GUILESS_MAIN(TestLogFaults)
#include "tst_logfaults.moc"
