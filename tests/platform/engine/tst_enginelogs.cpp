// SPDX-License-Identifier: MIT
// The host engine stand-in: durable logs, text table, class factory.
#include "testenvironment.h"
#include "engineactivitylog.h"
#include "progids.h"
#include "logdatabase.h"

#include <QtTest>

class TestEngineLogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void activityTextKeptExactly_data();
    void activityTextKeptExactly();
    void logsLiveUnderXdgState();
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
