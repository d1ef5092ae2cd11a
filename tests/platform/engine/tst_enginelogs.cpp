// SPDX-License-Identifier: MIT
// The host engine stand-in: durable logs, text table, class factory.
#include "testenvironment.h"
#include "engineactivitylog.h"
#include "progids.h"
#include "logdatabase.h"

#include <QtTest>
#include <sqlite3.h>

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

QTEST_GUILESS_MAIN(TestEngineLogs)
#include "tst_enginelogs.moc"
