// SPDX-License-Identifier: MIT
// The field text replacement rule, the area-code mode, the body step, the
// e-mail line and what an error does to an item.
#include "progids.h"
#include "processorfixture.h"

#include <QDateTime>
#include <QTest>

struct FieldCase
{
    QString before, pattern, replacement;
    qint32 caseFlag;
    QString after;
    bool changed;
};
Q_DECLARE_METATYPE(FieldCase)

struct PhoneCase
{
    QString instruction, before, pattern, replacement, after;
    bool changed;
};
Q_DECLARE_METATYPE(PhoneCase)

struct BodyCase
{
    QString body, rtf, pattern, replacement, rtfAfter; // rtfAfter null: no change
};
Q_DECLARE_METATYPE(BodyCase)

const QString AreaCodes = QStringLiteral("Only look in city/area codes");

class TestItemProcessors : public QObject
{
    Q_OBJECT

private slots:
    void plainField_data();
    void plainField();
    void areaCode_data();
    void areaCode();
    void reversedParenthesesLeaveOtherFields();
    void body_data();
    void body();
    void emailLine();
    void emailSubSteps_data();
    void emailSubSteps();
    void errorEndsItemButKeepsChange();
    void errorBeforeFirstStep_data();
    void errorBeforeFirstStep();
    void patternErrors_data();
    void patternErrors();
    void typedFields_data();
    void typedFields();
    void refusedDateKeepsRecord();
};

void TestItemProcessors::plainField_data()
{
    QTest::addColumn<FieldCase>("c");
    QTest::newRow("case-insensitive") << FieldCase{"Alpha Beta", "a", "b", 0, "blphb Betb", true};
    QTest::newRow("case-sensitive") << FieldCase{"Alpha Beta", "a", "b", 1, "Alphb Betb", true};
    QTest::newRow("any-non-zero-flag-is-case-sensitive") << FieldCase{"Alpha Beta", "a", "b", -1, "Alphb Betb", true};
    QTest::newRow("case-sensitive-miss") << FieldCase{"ACME", "acme", "x", 1, "ACME", false};
    QTest::newRow("no-match") << FieldCase{"Acme", "x", "y", 0, "Acme", false};
    QTest::newRow("replacement-equal-to-search") << FieldCase{"Acme", "cm", "cm", 0, "Acme", true};
    QTest::newRow("empty-replacement-removes-every-match") << FieldCase{"5 Main 5", "5", "", 0, " Main ", true};
    QTest::newRow("empty-replacement-whole-field") << FieldCase{"5", "5", "", 0, "", true};
    QTest::newRow("empty-replacement-at-end") << FieldCase{"Suite 5", "5", "", 0, "Suite ", true};
    QTest::newRow("empty-search-matches-nothing") << FieldCase{"ab", "", "X", 0, "ab", false};
    QTest::newRow("empty-field-searched-too") << FieldCase{"", "^$", "none", 0, "none", true};
    QTest::newRow("empty-field-no-match") << FieldCase{"", "x", "y", 0, "", false};
    QTest::newRow("groups") << FieldCase{"Lee, Ann", "(\\w+), (\\w+)", "$2 $1", 0, "Ann Lee", true};
    QTest::newRow("regex-metacharacters") << FieldCase{"a.b", ".", "-", 0, "---", true};
    QTest::newRow("caret-is-text-start") << FieldCase{"1 Main\nSuite 5", "^S", "s", 1, "1 Main\nSuite 5", false};
    QTest::newRow("multi-line-flag") << FieldCase{"1 Main\nSuite 5", "(?m)^S", "s", 1, "1 Main\nsuite 5", true};
}

// One record with the old value before the write; nothing at all on a miss.
void TestItemProcessors::plainField()
{
    QFETCH(FieldCase, c);
    ProcessorFixture f;
    f.choose({QStringLiteral("CompanyName")});
    f.item.values.insert(QStringLiteral("CompanyName"), c.before);
    const bool changed = f.process(Processor::Contacts, c.pattern, c.replacement, c.caseFlag);
    QCOMPARE(changed, c.changed);
    QStringList expected = f.opening(Processor::Contacts) << QStringLiteral("read CompanyName");
    if (c.changed)
        expected << ProcessorFixture::undoRecord(QStringLiteral("CompanyName"), c.before)
                 << QStringLiteral("write CompanyName=") + c.after;
    QCOMPARE(f.timeline, expected);
    QCOMPARE(f.item.values.value(QStringLiteral("CompanyName")).toString(), c.after);
    QCOMPARE(f.errors(), QStringList());
}

void TestItemProcessors::areaCode_data()
{
    QTest::addColumn<PhoneCase>("c");
    QTest::newRow("area-replaced") << PhoneCase{AreaCodes, "(555) 123-4567", "555", "777", "(777) 123-4567", true};
    QTest::newRow("outside-not-searched") << PhoneCase{AreaCodes, "(555) 123-4567", "123", "999", "(555) 123-4567", false};
    QTest::newRow("none-searches-whole-number") << PhoneCase{"None", "(555) 123-4567", "123", "999", "(555) 999-4567", true};
    QTest::newRow("instruction-is-case-sensitive")
        << PhoneCase{"only look in city/area codes", "(555) 123-4567", "123", "999", "(555) 999-4567", true};
    QTest::newRow("no-parentheses") << PhoneCase{AreaCodes, "555-1234", "555", "777", "555-1234", false};
    QTest::newRow("open-only") << PhoneCase{AreaCodes, "(555 1234", "555", "777", "(555 1234", false};
    QTest::newRow("close-only") << PhoneCase{AreaCodes, "555) 1234", "555", "777", "555) 1234", false};
    QTest::newRow("close-before-open") << PhoneCase{AreaCodes, ")555( 1234", "555", "777", ")555( 1234", false};
    QTest::newRow("close-before-open-match-after") << PhoneCase{AreaCodes, "1) (555 1234", "555", "777", "1) (555 1234", false};
    QTest::newRow("empty-replacement") << PhoneCase{AreaCodes, "(555) 555-1234", "555", "", "() 555-1234", true};
    QTest::newRow("empty-replacement-every-match-in-area")
        << PhoneCase{AreaCodes, "(5 5) 5", "5", "", "( ) 5", true};
    QTest::newRow("pattern-may-match-parentheses")
        << PhoneCase{AreaCodes, "+1 (555) 1", "\\(555\\)", "555", "+1 555 1", true};
    QTest::newRow("only-first-group") << PhoneCase{AreaCodes, "(555) (666) 7", "666", "0", "(555) (666) 7", false};
    QTest::newRow("text-around-kept") << PhoneCase{AreaCodes, "+44 (20) 7946 0000 ext 20", "20", "21",
                                                   "+44 (21) 7946 0000 ext 20", true};
}

void TestItemProcessors::areaCode()
{
    QFETCH(PhoneCase, c);
    ProcessorFixture f;
    f.choose({QStringLiteral("BusinessPhone")}, c.instruction);
    f.item.values.insert(QStringLiteral("BusinessTelephoneNumber"), c.before);
    const bool changed = f.process(Processor::Contacts, c.pattern, c.replacement);
    QCOMPARE(changed, c.changed);
    QStringList expected = f.opening(Processor::Contacts) << QStringLiteral("read BusinessTelephoneNumber");
    if (c.changed)
        expected << ProcessorFixture::undoRecord(QStringLiteral("BusinessTelephoneNumber"), c.before)
                 << QStringLiteral("write BusinessTelephoneNumber=") + c.after;
    QCOMPARE(f.timeline, expected);
    QCOMPARE(f.errors(), QStringList());
}

// A number whose ")" comes first has no area code; the contact's other
// phone fields are still processed and nothing is logged as an error.
void TestItemProcessors::reversedParenthesesLeaveOtherFields()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("BusinessPhone"), QStringLiteral("HomePhone")}, AreaCodes);
    f.item.values.insert(QStringLiteral("BusinessTelephoneNumber"), QStringLiteral("555) 1 (555"));
    f.item.values.insert(QStringLiteral("HomeTelephoneNumber"), QStringLiteral("(555) 1"));
    QVERIFY(f.process(Processor::Contacts, QStringLiteral("555"), QStringLiteral("777")));
    QCOMPARE(f.item.writes(), QStringList{QStringLiteral("HomeTelephoneNumber=(777) 1")});
    QCOMPARE(f.errors(), QStringList());
}

void TestItemProcessors::body_data()
{
    QTest::addColumn<BodyCase>("c");
    const QString rtf = QStringLiteral("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 call par\\par}");
    QTest::newRow("match-in-both") << BodyCase{"call par", rtf, "par", "X",
                                               "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 call X\\par}"};
    QTest::newRow("plain-body-must-match-first") << BodyCase{"call", rtf, "par", "X", QString()};
    // The body is searched as one text, as any other field: anchors and
    // look-arounds see all of it, and a match may cross formatting and breaks.
    QTest::newRow("caret-only-at-body-start")
        << BodyCase{"abc\nabc\nxabc", "{\\rtf1 abc\\par abc\\par xabc}", "^abc", "X",
                    "{\\rtf1 X\\par abc\\par xabc}"};
    QTest::newRow("dollar-only-at-body-end")
        << BodyCase{"abc\nabc", "{\\rtf1 abc\\par {\\b abc}}", "abc$", "X", "{\\rtf1 abc\\par {\\b X}}"};
    QTest::newRow("end-of-text-inserts-once")
        << BodyCase{"ab\ncd", "{\\rtf1 ab\\par c{\\i d}}", "\\z", "!", "{\\rtf1 ab\\par c{\\i d!}}"};
    QTest::newRow("match-across-formatting")
        << BodyCase{"abcd", "{\\rtf1{\\b ab}cd}", "abc", "Z", "{\\rtf1{\\b Z}d}"};
    QTest::newRow("look-behind-across-formatting")
        << BodyCase{"abcd", "{\\rtf1 ab{\\b cd}}", "(?<=b)c", "X", "{\\rtf1 ab{\\b Xd}}"};
    QTest::newRow("empty-replacement-across-formatting")
        << BodyCase{"abcd", "{\\rtf1 a{\\b bc}d}", "bcd", "", "{\\rtf1 a{\\b }}"};
    QTest::newRow("match-across-break-keeps-it")
        << BodyCase{"ab\ncd", "{\\rtf1 ab\\par cd}", "b\\nc", "-", "{\\rtf1 a-\\par d}"};
    QTest::newRow("only-in-codes") << BodyCase{"Arial text", "{\\rtf1{\\fonttbl{\\f0 Arial;}}text}", "Arial", "X", QString()};
    QTest::newRow("inserted-braces-escaped") << BodyCase{"a b", "{\\rtf1 a b}", "b", "{b}\\", "{\\rtf1 a \\{b\\}\\\\}"};
    QTest::newRow("inserted-accent-escaped")
        << BodyCase{"Cafe", "{\\rtf1 Cafe}", "e$", QString::fromUtf8("\xC3\xA9"), "{\\rtf1 Caf\\u233?}"};
    QTest::newRow("inserted-line-break") << BodyCase{"a;b", "{\\rtf1 a;b}", ";", "\n", "{\\rtf1 a\\par b}"};
    QTest::newRow("empty-replacement-every-match")
        << BodyCase{"x1 x2\nx3", "{\\rtf1 x1 x2\\par x3}", "x", "", "{\\rtf1 1 2\\par 3}"};
    QTest::newRow("escaped-source-text-found")
        << BodyCase{QString::fromUtf8("Caf\xC3\xA9"), "{\\rtf1 Caf\\'e9}", QString::fromUtf8("\xC3\xA9"), "e",
                    "{\\rtf1 Cafe}"};
}

// Body then RTFBody are read; the record holds the old rich text under
// "Body"; only RTFBody is written, and only its text.
void TestItemProcessors::body()
{
    QFETCH(BodyCase, c);
    ProcessorFixture f;
    f.choose({QStringLiteral("Body")});
    f.item.values.insert(QStringLiteral("Body"), c.body);
    f.item.values.insert(QStringLiteral("RTFBody"), c.rtf);
    const bool changed = f.process(Processor::Contacts, c.pattern, c.replacement);
    QCOMPARE(changed, !c.rtfAfter.isNull());
    QStringList expected = f.opening(Processor::Contacts) << QStringLiteral("read Body");
    // A miss in the plain body ends the step before the rich body is read.
    if (QTest::currentDataTag() != QLatin1String("plain-body-must-match-first"))
        expected << QStringLiteral("read RTFBody");
    if (changed)
        expected << ProcessorFixture::undoRecord(QStringLiteral("Body"), c.rtf)
                 << QStringLiteral("write RTFBody=") + c.rtfAfter;
    QCOMPARE(f.timeline, expected);
}

void TestItemProcessors::emailLine()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("EmailAddress"), QStringLiteral("Email2Address"), QStringLiteral("Email3Address")});
    for (const char *p : {"Email1Address", "Email2Address", "Email3Address"})
        f.item.values.insert(QLatin1String(p), QStringLiteral("ann@old.example"));
    QVERIFY(f.process(Processor::Contacts, QStringLiteral("old"), QStringLiteral("new")));
    QStringList expected = f.opening(Processor::Contacts);
    expected << QStringLiteral("read Email1Address")
             << ProcessorFixture::undoRecord(QStringLiteral("Email1Address"), QStringLiteral("ann@old.example"))
             << QStringLiteral("write Email1Address=ann@new.example") << QStringLiteral("read Email1Address")
             << QStringLiteral("activity MorvaneContacts: Updated Email1Address: ann@new.example");
    for (const char *p : {"Email2Address", "Email3Address"})
        expected << QStringLiteral("read ") + QLatin1String(p)
                 << ProcessorFixture::undoRecord(QLatin1String(p), QStringLiteral("ann@old.example"))
                 << QStringLiteral("write %1=ann@new.example").arg(QLatin1String(p));
    QCOMPARE(f.timeline, expected);
}

void TestItemProcessors::emailSubSteps_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("reasonStart");
    QTest::newRow("read") << "read" << "old" << "new" << 171 << "Cannot read Email1Address";
    QTest::newRow("invalid-pattern") << "" << "(old" << "new" << 173 << "Invalid pattern at offset 4: ";
    QTest::newRow("entry-id") << "entryid" << "old" << "new" << 174 << "The item has no entry id";
    QTest::newRow("invalid-replacement") << "" << "old" << "$9" << 175 << "Invalid replacement at offset ";
    QTest::newRow("write") << "write" << "old" << "new" << 176 << "Cannot write Email1Address";
    QTest::newRow("write-after-empty-replacement") << "write" << "old" << "" << 175 << "Cannot write Email1Address";
}

void TestItemProcessors::emailSubSteps()
{
    QFETCH(QString, fault);
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(int, step);
    QFETCH(QString, reasonStart);
    ProcessorFixture f;
    f.choose({QStringLiteral("EmailAddress"), QStringLiteral("Email2Address")});
    f.item.values.insert(QStringLiteral("Email1Address"), QStringLiteral("ann@old.example"));
    f.item.values.insert(QStringLiteral("Email2Address"), QStringLiteral("ann@old.example"));
    if (fault == QLatin1String("read"))
        f.item.failReading << QStringLiteral("Email1Address");
    else if (fault == QLatin1String("write"))
        f.item.failWriting << QStringLiteral("Email1Address");
    f.item.failEntryId = fault == QLatin1String("entryid");
    QVERIFY(!f.process(Processor::Contacts, pattern, replacement));
    QCOMPARE(f.env.utility.lines.size(), 1);
    const QString prefix = QStringLiteral("Error occurred at line %1.  Reason: ").arg(step);
    const QString message = f.env.utility.lines.first().message;
    QVERIFY2(message.startsWith(prefix + reasonStart), qPrintable(message));
    QCOMPARE(f.env.utility.lines.first().source, QStringLiteral("Morvane.SearchAndReplaceContacts"));
    QCOMPARE(f.env.utility.lines.first().level, 0);
    QVERIFY(!f.timeline.contains(QStringLiteral("read Email2Address")));
}

// The third chosen field fails: the line names step 40, the item counts as
// changed from the first field, and no later step runs.
void TestItemProcessors::errorEndsItemButKeepsChange()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("AccountName"), QStringLiteral("AssistantsPhone"),
              QStringLiteral("BusinessStreetAddress"), QStringLiteral("BusinessCity")});
    f.item.values.insert(QStringLiteral("Account"), QStringLiteral("acc-1"));
    f.item.values.insert(QStringLiteral("BusinessAddressCity"), QStringLiteral("city-1"));
    f.item.failReading << QStringLiteral("BusinessAddressStreet");
    QVERIFY(f.process(Processor::Contacts, QStringLiteral("1"), QStringLiteral("2")));
    QCOMPARE(f.errors(), QStringList{ProcessorFixture::errorLine(
                             Processor::Contacts, 40, QStringLiteral("Cannot read BusinessAddressStreet"))});
    QCOMPARE(f.item.writes(), QStringList{QStringLiteral("Account=acc-2")});
    QVERIFY(!f.timeline.contains(QStringLiteral("read BusinessAddressCity")));
    QCOMPARE(f.timeline.last(), QStringLiteral(
        "error Morvane.SearchAndReplaceContacts: Error occurred at line 40.  Reason: Cannot read BusinessAddressStreet"));
}

void TestItemProcessors::errorBeforeFirstStep_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("subject") << "subject" << "Cannot read the subject";
    QTest::newRow("no-control") << "control" << "ActiveX component can't create object";
}

void TestItemProcessors::errorBeforeFirstStep()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    ProcessorFixture f;
    f.choose({QStringLiteral("AccountName")});
    f.item.values.insert(QStringLiteral("Account"), QStringLiteral("x"));
    if (fault == QLatin1String("subject"))
        f.item.failReading << QStringLiteral("Subject()");
    else
        ClassFactory::registerClass(QLatin1String(ProgId::RegexControl), {});
    QVERIFY(!f.process(Processor::Contacts, QStringLiteral("x"), QStringLiteral("y")));
    QCOMPARE(f.errors(), QStringList{ProcessorFixture::errorLine(Processor::Contacts, 0, reason)});
    QVERIFY(!f.timeline.contains(QStringLiteral("read Account")));
}

void TestItemProcessors::patternErrors_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("reasonStart");
    QTest::newRow("invalid") << "(ab" << "ab" << "x" << "Invalid pattern at offset 3: missing closing parenthesis";
    QTest::newRow("catastrophic") << "(a+)+$" << QString(40, u'a') + u'!' << "x"
                                  << "Search abandoned: the pattern is too complex for this text";
    // The field matches, but no new text can be made: no record of a
    // change that never happens.
    QTest::newRow("invalid-replacement") << "ab" << "ab" << "[$99]" << "Invalid replacement at offset";
}

// A pattern the control cannot use is logged at the first looked-in field
// and ends the item; it never counts as "no match" for every field.
void TestItemProcessors::patternErrors()
{
    QFETCH(QString, pattern);
    QFETCH(QString, field);
    QFETCH(QString, replacement);
    QFETCH(QString, reasonStart);
    ProcessorFixture f;
    f.choose({QStringLiteral("CompanyName"), QStringLiteral("OfficeLocation")});
    f.item.values.insert(QStringLiteral("CompanyName"), field);
    QVERIFY(!f.process(Processor::Contacts, pattern, replacement));
    QCOMPARE(f.env.utility.lines.size(), 1);
    const QString message = f.env.utility.lines.first().message;
    QVERIFY2(message.startsWith(QStringLiteral("Error occurred at line 160.  Reason: ") + reasonStart),
             qPrintable(message));
    QVERIFY(!f.timeline.contains(QStringLiteral("read OfficeLocation")));
    QCOMPARE(f.item.writes(), QStringList());
    QVERIFY(std::none_of(f.env.activity.cbegin(), f.env.activity.cend(),
                         [](const ActivityLine &line) { return line.kind == -1; }));
}

void TestItemProcessors::typedFields_data()
{
    QTest::addColumn<int>("processor");
    QTest::addColumn<QString>("flag");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QVariant>("after");
    QTest::newRow("due-date") << int(Processor::Tasks) << "TaskDueDate" << "DueDate" << QVariant(QDate(2024, 3, 5))
                              << "-03-" << "-04-" << QVariant(QDate(2024, 4, 5));
    QTest::newRow("start-date-year") << int(Processor::Tasks) << "TaskStartDate" << "StartDate"
                                     << QVariant(QDate(2023, 12, 31)) << "^2023" << "2024" << QVariant(QDate(2024, 12, 31));
    QTest::newRow("actual-work-number") << int(Processor::Tasks) << "TaskActualWork" << "ActualWork"
                                        << QVariant(120.0) << "12" << "15" << QVariant(150.0);
    QTest::newRow("total-work-no-match") << int(Processor::Tasks) << "TaskTotalWork" << "TotalWork"
                                         << QVariant(60.0) << "7" << "8" << QVariant(60.0);
    QTest::newRow("appointment-start") << int(Processor::Appointments) << "AppointmentStart" << "Start"
                                       << QVariant(QDateTime(QDate(2024, 5, 1), QTime(9, 30)))
                                       << "09:30" << "10:00" << QVariant(QDateTime(QDate(2024, 5, 1), QTime(10, 0)));
    QTest::newRow("appointment-location") << int(Processor::Appointments) << "AppointmentLocation" << "Location"
                                          << QVariant(QStringLiteral("Room 12")) << "12" << "14"
                                          << QVariant(QStringLiteral("Room 14"));
    QTest::newRow("task-subject") << int(Processor::Tasks) << "TaskSubject" << "Subject"
                                  << QVariant(QStringLiteral("Call Ann")) << "Ann" << "Bo"
                                  << QVariant(QStringLiteral("Call Bo"));
}

// Dates and numbers are searched in the wrapper's text form, and the new
// text goes back through the wrapper, which turns it into the field's type.
void TestItemProcessors::typedFields()
{
    QFETCH(int, processor);
    QFETCH(QString, flag);
    QFETCH(QString, property);
    QFETCH(QVariant, before);
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QVariant, after);
    ProcessorFixture f;
    f.choose({flag});
    f.item.values.insert(property, before);
    const bool changed = f.process(Processor(processor), pattern, replacement);
    QCOMPARE(changed, before != after);
    QCOMPARE(f.item.values.value(property), after);
    QCOMPARE(f.errors(), QStringList());
}

// The task refuses the rewritten date: the record made for it stays, the
// item ends there, and the later task fields are not looked at.
void TestItemProcessors::refusedDateKeepsRecord()
{
    ProcessorFixture f;
    f.choose({QStringLiteral("TaskDueDate"), QStringLiteral("TaskMileage")});
    f.item.values.insert(QStringLiteral("DueDate"), QDate(2024, 3, 5));
    f.item.values.insert(QStringLiteral("Mileage"), QStringLiteral("03 km"));
    QVERIFY(!f.process(Processor::Tasks, QStringLiteral("03"), QStringLiteral("13")));
    QCOMPARE(f.errors(), QStringList{ProcessorFixture::errorLine(Processor::Tasks, 650,
                                                                 QStringLiteral("Type mismatch"))});
    QVERIFY(f.timeline.contains(QStringLiteral("undo FieldValue: 2024-03-05")));
    QCOMPARE(f.item.values.value(QStringLiteral("DueDate")), QVariant(QDate(2024, 3, 5)));
    QVERIFY(!f.timeline.contains(QStringLiteral("read Mileage")));
}

QTEST_GUILESS_MAIN(TestItemProcessors)
#include "tst_itemprocessors.moc"
