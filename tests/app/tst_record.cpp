// SPDX-License-Identifier: MIT
// The host's one record writer: whatever a value holds, one record is one
// line, and a script gets the value back exactly.
#include "record.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class TestRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneRecordIsOneLine_data();
    void oneRecordIsOneLine();
};

void TestRecord::oneRecordIsOneLine_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("column"); // as the tab-separated line shows it
    QTest::newRow("plain") << QStringLiteral("Contacts") << QStringLiteral("Contacts");
    QTest::newRow("backslash") << QStringLiteral("\\(503\\)") << QStringLiteral("\\\\(503\\\\)");
    QTest::newRow("backslash before n") << QStringLiteral("C:\\new") << QStringLiteral("C:\\\\new");
    QTest::newRow("tab") << QStringLiteral("a\tb") << QStringLiteral("a\\tb");
    QTest::newRow("line breaks") << QStringLiteral("a\r\nb\n") << QStringLiteral("a\\r\\nb\\n");
    QTest::newRow("quotes and non-ASCII") << QStringLiteral("\"Zoë\" 😀") << QStringLiteral("\"Zoë\" 😀");
    QTest::newRow("control character") << QStringLiteral("a\u0001b") << QStringLiteral("a\u0001b");
}

void TestRecord::oneRecordIsOneLine()
{
    QFETCH(QString, value);
    QFETCH(QString, column);
    Record record;
    record.add(QStringLiteral("id"), 7).add(QStringLiteral("name"), value).hidden(QStringLiteral("file"), value);
    record.add(QStringLiteral("flag"), QJsonValue(true), QStringLiteral("1"));

    QCOMPARE(RecordWriter::tabSeparated(record), QStringLiteral("7\t") + column + QStringLiteral("\t1"));
    const QString json = RecordWriter::jsonLine(record);
    QVERIFY(!json.contains(u'\n') && !json.contains(u'\r'));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object.value(u"name").toString(), value);
    QCOMPARE(object.value(u"file").toString(), value);
    QCOMPARE(object.value(u"id").toInteger(), 7);
    QCOMPARE(object.value(u"flag").toBool(), true);
    QVERIFY2(json.startsWith(u"{\"id\":7,\"name\":"), qPrintable(json)); // the record's order
}

QTEST_GUILESS_MAIN(TestRecord)
#include "tst_record.moc"
