// SPDX-License-Identifier: MIT
// The host engine stand-in: durable logs, text table, class factory.
#include "enginehost.h"
#include "storeevidence.h"
#include "storerun.h"
#include "testenvironment.h"
#include "engineactivitylog.h"
#include "engineapi.h"
#include "fieldflags.h"
#include "hostsession.h"
#include "pimclasses.h"
#include "progids.h"
#include "logdatabase.h"
#include "recordingprogress.h"
#include "regexclasses.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"

#include <QDirIterator>
#include <QtTest>
#include <sqlite3.h>

namespace {
QString logFile() { return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/quenlock/logs.sqlite"); }

// One undo record: the five entries a changed field gets.
void writeUndoRecord(LogDatabase &db, int n)
{
    for (const char *prefix : {"FolderStoreId: ", "FolderEntryId: ", "ItemEntryId: ", "FieldName: ", "FieldValue: "})
        db.appendActivity(QStringLiteral("Morvane"), QStringLiteral("UndoSave"),
                          QLatin1String(prefix) + QString::number(n), -1);
}

// Registered for every connection opened after it: max_page_count cannot go
// below the size the file has, so asking for one page pins the file at its
// size, as a full disk would.
int pinSize(sqlite3 *db, char **, const sqlite3_api_routines *)
{
    sqlite3_exec(db, "PRAGMA max_page_count=1", nullptr, nullptr, nullptr);
    return SQLITE_OK;
}
const auto PinSize = reinterpret_cast<void (*)()>(&pinSize);

// What another program or the file system does to the log file.
struct Cause
{
    sqlite3 *holder = nullptr;
    explicit Cause(const QString &kind)
    {
        if (kind == u"full") {
            LogDatabase::instance().close();
            sqlite3_auto_extension(PinSize);
        } else if (kind == u"locked") {
            sqlite3_open_v2(logFile().toUtf8().constData(), &holder, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        } else {
            LogDatabase::instance().close();
            QFile::remove(logFile() + QStringLiteral("-wal"));
            QFile::remove(logFile() + QStringLiteral("-shm"));
            QFile junk(logFile());
            if (junk.open(QIODevice::WriteOnly | QIODevice::Truncate))
                junk.write("junk\n");
        }
    }
    ~Cause() { remove(); }
    void remove()
    {
        sqlite3_cancel_auto_extension(PinSize);
        if (holder) {
            sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(holder);
            holder = nullptr;
        }
        QFile junk(logFile());
        if (junk.open(QIODevice::ReadOnly) && junk.read(4) == "junk")
            QFile::remove(logFile());
    }
};

// The lines of `after` that differ from `before`, revision stamps aside.
int changedLines(const QByteArray &before, const QByteArray &after)
{
    const QList<QByteArray> a = before.split('\n'), b = after.split('\n');
    int changed = 0;
    for (const QByteArray &line : b)
        changed += !line.startsWith("REV:") && !a.contains(line);
    return changed;
}
} // namespace

class TestEngineLogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void activityTextKeptExactly_data();
    void activityTextKeptExactly();
    void logsLiveUnderXdgState();
    void hostLineCommittedAtOnce();
    void rowsSurviveReopen();
    void textTable_data();
    void textTable();
    void unknownClassCannotBeCreated();
    void writeFailures_data();
    void writeFailures();
    void runStopsWhenTheLogIsFull();
};

void TestEngineLogs::activityTextKeptExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("line-breaks") << QStringLiteral("12 Main St\r\nSuite 4\nBack");
    QTest::newRow("rich-text") << QStringLiteral("{\\rtf1\\ansi Hello\\par}");
    QTest::newRow("non-ascii") << QStringLiteral("Zoë 東京 😀");
    QTest::newRow("nul-inside") << QString::fromUtf16(u"a\0b", 3);
    QTest::newRow("blanks") << QStringLiteral("  padded  ");
}

void TestEngineLogs::activityTextKeptExactly()
{
    QFETCH(QString, text);
    TestEnvironment env;
    env.useRealActivityLog();
    ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog))
        ->WriteEntry(QStringLiteral("Morvane"), QStringLiteral("UndoSave"), text, -1);
    LogDatabase::instance().close();
    const auto rows = LogDatabase::instance().activityLog();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].text, text);
    QCOMPARE(rows[0].kind, -1);
    QCOMPARE(rows[0].name, QStringLiteral("UndoSave"));
}

void TestEngineLogs::logsLiveUnderXdgState()
{
    TestEnvironment env;
    setEngineUtilityOverride(nullptr);
    engineUtility().LogMessage(QStringLiteral("Error occurred.  Reason: x"), 0, QStringLiteral("Morvane.SetDirty"));
    QVERIFY(QFile::exists(env.path() + QStringLiteral("/state/quenlock/logs.sqlite")));
    const auto rows = LogDatabase::instance().hostLog();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].source, QStringLiteral("Morvane.SetDirty"));
    QCOMPARE(rows[0].level, 0);
}

// Another process reading logs.sqlite sees a host log line as soon as it is written.
void TestEngineLogs::hostLineCommittedAtOnce()
{
    TestEnvironment env;
    env.useRealActivityLog();
    setEngineUtilityOverride(nullptr);
    // A pending activity row keeps a transaction open; the host line must not wait for it.
    ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog))
        ->WriteEntry(QStringLiteral("Morvane"), QStringLiteral("n"), QStringLiteral("pending"), 0);
    engineUtility().LogMessage(QStringLiteral("Error occurred.  Reason: x"), 0, QStringLiteral("Morvane.Save"));

    const QByteArray file = (env.path() + QStringLiteral("/state/quenlock/logs.sqlite")).toUtf8();
    sqlite3 *reader = nullptr;
    QCOMPARE(sqlite3_open_v2(file.constData(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *query = nullptr;
    QCOMPARE(sqlite3_prepare_v2(reader, "SELECT source, message FROM host_log", -1, &query, nullptr), SQLITE_OK);
    QStringList rows;
    while (sqlite3_step(query) == SQLITE_ROW)
        rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query, 0))) + QLatin1Char('|')
                    + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query, 1)));
    sqlite3_finalize(query);
    sqlite3_close(reader);
    QCOMPARE(rows, QStringList{QStringLiteral("Morvane.Save|Error occurred.  Reason: x")});
}

void TestEngineLogs::rowsSurviveReopen()
{
    TestEnvironment env;
    env.useRealActivityLog();
    for (int i = 0; i < 2500; ++i)
        ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog))
            ->WriteEntry(QStringLiteral("Morvane"), QStringLiteral("n"), QString::number(i), 0);
    LogDatabase::instance().close();
    const auto rows = LogDatabase::instance().activityLog();
    QCOMPARE(rows.size(), 2500);
    QCOMPARE(rows.first().text, QStringLiteral("0"));
    QCOMPARE(rows.last().text, QStringLiteral("2499"));
    QCOMPARE(LogDatabase::instance().activityLog(rows[2400].id).size(), 99);
}

void TestEngineLogs::textTable_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("present");
    for (int key = 1; key <= 17; key += 2)
        QTest::newRow(qPrintable(QString::number(key))) << QString::number(key) << true;
    QTest::newRow("even key") << QStringLiteral("2") << false;
    QTest::newRow("beyond") << QStringLiteral("19") << false;
}

void TestEngineLogs::textTable()
{
    QFETCH(QString, key);
    QFETCH(bool, present);
    setEngineUtilityOverride(nullptr);
    TextTable table{{QStringLiteral("stale"), QStringLiteral("x")}};
    engineUtility().LoadTextTable(table, QStringLiteral("Morvane"));
    QVERIFY(!table.contains(QStringLiteral("stale")));
    const QString text = engineUtility().LookupText(table, key);
    QCOMPARE(text.size() > 20, present);
    QVERIFY(present || text.isEmpty());
    TextTable other;
    engineUtility().LoadTextTable(other, QStringLiteral("NoSuchSection"));
    QVERIFY(other.isEmpty());
}

void TestEngineLogs::unknownClassCannotBeCreated()
{
    try {
        ClassFactory::createObject(QStringLiteral("No.Such.Class"));
        QFAIL("created");
    } catch (const QuenlockError &error) {
        QCOMPARE(error.description(), QStringLiteral("ActiveX component can't create object"));
    }
}

void TestEngineLogs::writeFailures_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rowsKept"); // activity rows on disk once the cause is gone
    QTest::newRow("full") << QStringLiteral("full")
                          << QStringLiteral("The activity log cannot be written: database or disk is full") << 5;
    QTest::newRow("locked") << QStringLiteral("locked")
                            << QStringLiteral("The activity log cannot be written: database is locked") << 5;
    QTest::newRow("corrupt") << QStringLiteral("corrupt")
                             << QStringLiteral("The activity log cannot be written: file is not a database") << 0;
}

// A write that fails takes back the rows not yet committed (no half undo
// record reaches the disk), and the commit a save makes before its rename
// fails as well, at once, until control returns to the event loop.
void TestEngineLogs::writeFailures()
{
    QFETCH(QString, cause);
    QFETCH(QString, message);
    QFETCH(int, rowsKept);
    TestEnvironment env;
    LogDatabase &db = LogDatabase::instance();
    writeUndoRecord(db, 0);
    db.commit();
    Cause failing(cause);

    QElapsedTimer clock;
    clock.start();
    QString thrown;
    try {
        for (int n = 1; n < 1000; ++n)
            writeUndoRecord(db, n);
    } catch (const LogWriteError &error) {
        thrown = error.description();
    }
    QCOMPARE(thrown, message);
    // Another program's lock is waited for, but not for ever.
    if (cause == u"locked")
        QVERIFY2(clock.elapsed() >= 4500 && clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    clock.restart();
    QVERIFY_THROWS_EXCEPTION(LogWriteError, db.commit());
    QVERIFY_THROWS_EXCEPTION(LogWriteError, db.appendHostLog(0, QStringLiteral("Morvane.cmdConvert"), message));
    QVERIFY(clock.elapsed() < 1000);

    // A passing failure is forgotten once control is back in the event loop
    // (the window's next try), with the database left open.
    failing.remove();
    QCoreApplication::processEvents();
    QVERIFY(db.failure().isEmpty());
    QCOMPARE(db.activityLog().size(), rowsKept);
    writeUndoRecord(db, 1);
    db.close();
    QCOMPARE(db.activityLog().size(), rowsKept + 5);
}

// The run over a copy of the sample store, with the host's own hooks, stops
// at the first undo record the full log cannot take: every item saved before
// has all its records, the item being changed stays as it was, and no
// temporary file is left behind.
void TestEngineLogs::runStopsWhenTheLogIsFull()
{
    TestEnvironment env;
    env.useRealActivityLog();
    setEngineUtilityOverride(nullptr);
    const QString store = env.path() + QStringLiteral("/store");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SOURCE_DIR "/samples/store"), store}), 0);
    const QMap<QString, QByteArray> before = readTree(store);
    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    EngineHost host;
    host.engineApi = std::make_shared<EngineApi>(Pim::createApplication({store}, QString(), HostSession::pimHooks()));
    chooseContactsFolder(store);
    for (const char *key : {"BusinessPhone", "HomePhone", "MobilePhone", "OtherPhone"})
        WriteSetting(QLatin1String(key), QStringLiteral("1"));
    QVERIFY(LogDatabase::instance().activityLog().isEmpty());
    Cause full(QStringLiteral("full"));

    QString thrown;
    try {
        runOver(host, {QStringLiteral("\\(503\\)"), QStringLiteral("(458)"), 0});
    } catch (const LogWriteError &error) {
        thrown = error.description();
    }
    QCOMPARE(thrown, QStringLiteral("The activity log cannot be written: database or disk is full"));
    full.remove();
    LogDatabase::instance().close();

    const QMap<QString, QByteArray> after = readTree(store);
    QCOMPARE(after.keys(), before.keys()); // no temporary file left
    QMap<QString, int> changed; // item file -> fields changed
    for (auto it = after.cbegin(); it != after.cend(); ++it)
        if (const int lines = changedLines(before.value(it.key()), it.value()))
            changed.insert(QFileInfo(it.key()).fileName(), lines);
    QCOMPARE(undoRecordsPerItem(), changed);
    // The log filled up before the records of all 16 items a whole run
    // saves were durable: the items whose records were lost were not saved.
    QVERIFY(changed.size() < 16);
}

QTEST_GUILESS_MAIN(TestEngineLogs)
#include "tst_enginelogs.moc"
