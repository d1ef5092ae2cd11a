// SPDX-License-Identifier: MIT
// Undo records: five entries, each through a fresh activity log, and the trap.
#include "countingactivitylog.h"
#include "processorfixture.h"

#include <QTest>

class TestUndoLog : public QObject
{
    Q_OBJECT

private slots:
    void fiveEntries_data();
    void fiveEntries();
    void failurePartWay_data();
    void failurePartWay();
    void refusedRecordsStillChangeFields();
    void onlyMatchingFieldsAreRecorded();
};

void TestUndoLog::fiveEntries_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "Acme Ltd";
    QTest::newRow("empty") << "";
    QTest::newRow("line-breaks-unchanged") << "12 Main St\r\nSuite 5\n";
    QTest::newRow("rich-text") << "{\\rtf1\\ansi x\\par}";
}

void TestUndoLog::fiveEntries()
{
    QFETCH(QString, value);
    ProcessorFixture f;
    UndoLog(f.logs).UndoSave(QStringLiteral("S"), QStringLiteral("F"), QStringLiteral("I"), QStringLiteral("Account"), value);
    const QString undo = QStringLiteral("UndoSave"), morvane = QStringLiteral("Morvane");
    const QList<ActivityLine> expected = {
        {morvane, undo, QStringLiteral("FolderStoreId: S"), -1},
        {morvane, undo, QStringLiteral("FolderEntryId: F"), -1},
        {morvane, undo, QStringLiteral("ItemEntryId: I"), -1},
        {morvane, undo, QStringLiteral("FieldName: Account"), -1},
        {morvane, undo, QStringLiteral("FieldValue: ") + value, -1},
    };
    QCOMPARE(f.env.activity, expected);
    QCOMPARE(f.errors(), QStringList());
}

void TestUndoLog::failurePartWay_data()
{
    QTest::addColumn<int>("failOnEntry");
    QTest::addColumn<int>("written");
    QTest::newRow("first") << 1 << 0;
    QTest::newRow("third") << 3 << 2;
    QTest::newRow("last") << 5 << 4;
    QTest::newRow("never") << 0 << 5;
}

// Entries before the failure stay; one error line at level 0 with line 0;
// the caller goes on as if nothing happened.
void TestUndoLog::failurePartWay()
{
    QFETCH(int, failOnEntry);
    QFETCH(int, written);
    ProcessorFixture f;
    installCountingActivityLog(f.env, failOnEntry, false);

    UndoLog(f.logs).UndoSave(QStringLiteral("S"), QStringLiteral("F"), QStringLiteral("I"), QStringLiteral("N"),
                    QStringLiteral("V"));

    QCOMPARE(f.env.activity.size(), written);
    // One fresh instance per entry tried, none after the failure.
    QCOMPARE(CountingActivityLog::created, failOnEntry ? failOnEntry : 5);
    QCOMPARE(f.errors(), failOnEntry ? QStringList{QStringLiteral(
                                           "Morvane.UndoSave: Error occurred at line 0.  Reason: "
                                           "The activity log is full")}
                                     : QStringList());
}

// An activity log that refuses undo entries: each changed field gives one
// error line instead of its record, and the fields are changed all the same.
void TestUndoLog::refusedRecordsStillChangeFields()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("AccountName"), QStringLiteral("CompanyName"), QStringLiteral("OfficeLocation")});
    f.item.values.insert(QStringLiteral("Account"), QStringLiteral("a1"));
    f.item.values.insert(QStringLiteral("CompanyName"), QStringLiteral("c1"));
    f.item.values.insert(QStringLiteral("OfficeLocation"), QStringLiteral("none"));
    installCountingActivityLog(f.env, 0, true);
    QVERIFY(f.process(Processor::Contacts, QStringLiteral("1"), QStringLiteral("2")));
    QCOMPARE(f.item.writes(), (QStringList{QStringLiteral("Account=a2"), QStringLiteral("CompanyName=c2")}));
    const QString line = QStringLiteral(
        "Morvane.UndoSave: Error occurred at line 0.  Reason: The activity log is full");
    QCOMPARE(f.errors(), (QStringList{line, line}));
}

void TestUndoLog::onlyMatchingFieldsAreRecorded()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("AccountName"), QStringLiteral("CompanyName"), QStringLiteral("OfficeLocation")});
    f.item.values.insert(QStringLiteral("Account"), QStringLiteral("a1"));
    f.item.values.insert(QStringLiteral("CompanyName"), QStringLiteral("none"));
    f.item.values.insert(QStringLiteral("OfficeLocation"), QStringLiteral("o1 1"));
    QVERIFY(f.process(Processor::Contacts, QStringLiteral("1"), QStringLiteral("2")));
    QStringList names;
    for (const ActivityLine &line : f.env.activity)
        if (line.kind == -1 && line.text.startsWith(QLatin1String("FieldName: ")))
            names << line.text.mid(11);
    QCOMPARE(names, (QStringList{QStringLiteral("Account"), QStringLiteral("OfficeLocation")}));
    int undoEntries = 0;
    for (const ActivityLine &line : f.env.activity)
        undoEntries += line.kind == -1;
    QCOMPARE(undoEntries, 10);
}

QTEST_GUILESS_MAIN(TestUndoLog)
#include "tst_undolog.moc"
