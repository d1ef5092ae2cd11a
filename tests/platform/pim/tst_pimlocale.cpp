// SPDX-License-Identifier: MIT
// Dates and times as the user's locale writes them, read and typed back.
// ctest runs this once per locale (LC_ALL); rows of other locales are skipped.
#include "testenvironment.h"
#include "pimtesting.h"

class TestPimLocale : public CentralEuropeanTest
{
    Q_OBJECT

private slots:
    void readsAndWrites_data();
    void readsAndWrites();
};

void TestPimLocale::readsAndWrites_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("before");   // what a read gives first
    QTest::addColumn<QString>("typed");    // what is written
    QTest::addColumn<QByteArray>("line");  // the line the file then holds

    QTest::newRow("en_US utc start") << "en_US" << "event-utc.ics" << "Start" << "1/2/25 10:30 AM"
                                     << "1/3/25 9:00 AM" << QByteArray("DTSTART:20250103T080000Z\r\n");
    QTest::newRow("en_US two-digit year stays in this century") << "en_US" << "task-full.ics" << "DueDate"
        << "4/15/25" << "1/2/26" << QByteArray("DUE;VALUE=DATE:20260102\r\n");
    QTest::newRow("en_US all-day") << "en_US" << "event-allday.ics" << "End" << "5/2/25" << "5/4/25"
                                   << QByteArray("DTEND;VALUE=DATE:20250504\r\n");
    QTest::newRow("en_US zoned") << "en_US" << "event-tzid.ics" << "Start" << "3/10/25 2:00 PM"
                                 << "3/10/25 3:00 PM" << QByteArray("DTSTART;TZID=America/New_York:20250310T100000\n");
    QTest::newRow("de_DE utc start") << "de_DE" << "event-utc.ics" << "Start" << "02.01.25 10:30"
                                     << "03.01.25 09:00" << QByteArray("DTSTART:20250103T080000Z\r\n");
    QTest::newRow("de_DE task date") << "de_DE" << "task-full.ics" << "StartDate" << "01.03.25"
                                     << "02.03.25" << QByteArray("DTSTART;VALUE=DATE:20250302\r\n");
    QTest::newRow("de_DE floating") << "de_DE" << "event-floating.ics" << "End" << "04.07.25 15:00"
                                    << "04.07.25 17:45" << QByteArray("DTEND:20250704T174500\n");
    QTest::newRow("C utc start") << "C" << "event-utc.ics" << "Start" << "2 Jan 2025 10:30:00"
                                 << "3 Jan 2025 09:00:00" << QByteArray("DTSTART:20250103T080000Z\r\n");
    QTest::newRow("C summer time") << "C" << "event-duration.ics" << "Start" << "1 Jun 2025 10:00:00"
                                   << "1 Dec 2025 10:00:00" << QByteArray("DTSTART:20251201T090000Z\n");
}

void TestPimLocale::readsAndWrites()
{
    QFETCH(QString, locale);
    QFETCH(QString, file);
    QFETCH(QString, property);
    QFETCH(QString, before);
    QFETCH(QString, typed);
    QFETCH(QByteArray, line);
    if (QLocale::system().name() != locale)
        QSKIP("a row for another locale");
    Scratch s({QStringLiteral("golden/") + file});
    {
        auto w = s.wrap(file);
        QCOMPARE(w->read(property), before);
        w->write(property, typed);
        QCOMPARE(w->read(property), typed);
        w->Save();
    }
    QVERIFY2(readFile(s.filePath(file)).contains(line), readFile(s.filePath(file)).constData());
}

QTEST_GUILESS_MAIN(TestPimLocale)
#include "tst_pimlocale.moc"
