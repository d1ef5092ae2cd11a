// SPDX-License-Identifier: MIT
// Every field step of the three processors: which flag switches it on, which
// property it reads and writes, the undo name it records and the step number
// an error reports; and the order in which the steps run.
#include "processorfixture.h"

#include <QTest>

namespace {

enum Kind { Plain, Phone, Body, Email };

struct StepRow
{
    Processor processor;
    const char *flagKey;
    const char *property;
    const char *undoName;
    int step;
    Kind kind;
};

// Written from the field lists users are given, not from the code's table.
const StepRow Steps[] = {
    {Processor::Contacts, "AccountName", "Account", "Account", 20, Plain},
    {Processor::Contacts, "AssistantsPhone", "AssistantTelephoneNumber", "AssistantTelephoneNumber", 30, Phone},
    {Processor::Contacts, "BusinessStreetAddress", "BusinessAddressStreet", "BusinessAddressStreet", 40, Plain},
    {Processor::Contacts, "BusinessCity", "BusinessAddressCity", "BusinessAddressCity", 50, Plain},
    {Processor::Contacts, "BusinessState", "BusinessAddressState", "BusinessAddressState", 60, Plain},
    {Processor::Contacts, "BusinessZip", "BusinessAddressPostalCode", "BusinessAddressPostalCode", 70, Plain},
    {Processor::Contacts, "Body", "Body", "Body", 80, Body},
    {Processor::Contacts, "BusinessPhone", "BusinessTelephoneNumber", "BusinessTelephoneNumber", 90, Phone},
    {Processor::Contacts, "BusinessPhone2", "Business2TelephoneNumber", "Business2TelephoneNumber", 100, Phone},
    {Processor::Contacts, "BusinessFax", "BusinessFaxNumber", "BusinessFaxNumber", 110, Phone},
    {Processor::Contacts, "BusinessHomePage", "BusinessHomePage", "BusinessHomePage", 120, Plain},
    {Processor::Contacts, "CallbackPhone", "CallbackTelephoneNumber", "CallbackTelephoneNumber", 130, Phone},
    {Processor::Contacts, "CarPhone", "CarTelephoneNumber", "CarTelephoneNumber", 140, Phone},
    {Processor::Contacts, "CompanyMainPhone", "CompanyMainTelephoneNumber", "CompanyMainTelephoneNumber", 150, Phone},
    {Processor::Contacts, "CompanyName", "CompanyName", "CompanyName", 160, Plain},
    {Processor::Contacts, "EmailAddress", "Email1Address", "Email1Address", 170, Email},
    {Processor::Contacts, "Email2Address", "Email2Address", "Email2Address", 180, Plain},
    {Processor::Contacts, "Email3Address", "Email3Address", "Email3Address", 190, Plain},
    {Processor::Contacts, "EmailDisplayAs", "Email1DisplayName", "Email1DisplayName", 200, Plain},
    {Processor::Contacts, "Email2DisplayAs", "Email2DisplayName", "Email2DisplayName", 210, Plain},
    {Processor::Contacts, "Email3DisplayAs", "Email3DisplayName", "Email3DisplayName", 220, Plain},
    {Processor::Contacts, "FileAs", "FileAs", "FileAs", 225, Plain},
    {Processor::Contacts, "HomeStreetAddress", "HomeAddressStreet", "HomeAddressStreet", 230, Plain},
    {Processor::Contacts, "HomeCity", "HomeAddressCity", "HomeAddressCity", 240, Plain},
    {Processor::Contacts, "HomeState", "HomeAddressState", "HomeAddressState", 250, Plain},
    {Processor::Contacts, "HomeZip", "HomeAddressPostalCode", "HomeAddressPostalCode", 260, Plain},
    {Processor::Contacts, "HomePhone", "HomeTelephoneNumber", "HomeTelephoneNumber", 270, Phone},
    {Processor::Contacts, "HomePhone2", "Home2TelephoneNumber", "Home2TelephoneNumber", 280, Phone},
    {Processor::Contacts, "HomeFax", "HomeFaxNumber", "HomeFaxNumber", 290, Phone},
    {Processor::Contacts, "MobilePhone", "MobileTelephoneNumber", "MobileTelephoneNumber", 300, Phone},
    {Processor::Contacts, "OfficeLocation", "OfficeLocation", "OfficeLocation", 310, Plain},
    {Processor::Contacts, "OtherStreetAddress", "OtherAddressStreet", "OtherAddressStreet", 320, Plain},
    {Processor::Contacts, "OtherCity", "OtherAddressCity", "OtherAddressCity", 330, Plain},
    {Processor::Contacts, "OtherState", "OtherAddressState", "OtherAddressState", 340, Plain},
    {Processor::Contacts, "OtherZip", "OtherAddressPostalCode", "OtherAddressPostalCode", 350, Plain},
    {Processor::Contacts, "OtherPhone", "OtherTelephoneNumber", "OtherTelephoneNumber", 360, Phone},
    {Processor::Contacts, "OtherFax", "OtherFaxNumber", "OtherFaxNumber", 380, Phone},
    {Processor::Contacts, "Pager", "PagerNumber", "PagerNumber", 390, Phone},
    {Processor::Contacts, "PrimaryPhone", "PrimaryTelephoneNumber", "PrimaryTelephoneNumber", 400, Phone},
    {Processor::Contacts, "RadioPhone", "RadioTelephoneNumber", "RadioTelephoneNumber", 410, Phone},
    {Processor::Contacts, "TTYPhone", "TTYTDDTelephoneNumber", "TTYTDDTelephoneNumber", 420, Phone},
    {Processor::Appointments, "AppointmentSubject", "Subject", "Subject", 500, Plain},
    {Processor::Appointments, "AppointmentLocation", "Location", "Location", 510, Plain},
    {Processor::Appointments, "AppointmentStart", "Start", "Start", 520, Plain},
    {Processor::Appointments, "AppointmentEnd", "End", "End", 530, Plain},
    {Processor::Appointments, "AppointmentBody", "Body", "Body", 540, Body},
    {Processor::Tasks, "TaskActualWork", "ActualWork", "ActualWork", 600, Plain},
    {Processor::Tasks, "TaskBody", "Body", "Body", 610, Body},
    {Processor::Tasks, "TaskBillingInformation", "BillingInformation", "BillingInformation", 620, Plain},
    {Processor::Tasks, "TaskCompanies", "Companies", "Companies", 630, Plain},
    {Processor::Tasks, "TaskDateCompleted", "DateCompleted", "DateCompleted", 640, Plain},
    {Processor::Tasks, "TaskDueDate", "DueDate", "DueDate", 650, Plain},
    {Processor::Tasks, "TaskMileage", "Mileage", "Mileage", 660, Plain},
    {Processor::Tasks, "TaskStartDate", "StartDate", "StartDate", 670, Plain},
    {Processor::Tasks, "TaskSubject", "Subject", "Subject", 675, Plain},
    {Processor::Tasks, "TaskTotalWork", "TotalWork", "TotalWork", 680, Plain},
};

const QString OldRtf = QStringLiteral("{\\rtf1\\ansi old x\\par}");
const QString NewRtf = QStringLiteral("{\\rtf1\\ansi old y\\par}");

QStringList flagsOf(Processor p)
{
    QStringList keys;
    for (const StepRow &row : Steps)
        if (row.processor == p)
            keys << QLatin1String(row.flagKey);
    return keys;
}

} // namespace

Q_DECLARE_METATYPE(Processor)
Q_DECLARE_METATYPE(StepRow)

class tst_FieldSteps : public QObject
{
    Q_OBJECT

private slots:
    void eachStep_data();
    void eachStep();
    void eachStepReportsItsNumber_data() { eachStep_data(); }
    void eachStepReportsItsNumber();
    void allStepsInOrder_data();
    void allStepsInOrder();
    void noFlagsOnlyOpens_data() { allStepsInOrder_data(); }
    void noFlagsOnlyOpens();
};

void tst_FieldSteps::eachStep_data()
{
    QTest::addColumn<StepRow>("row");
    int contacts = 0, appointments = 0, tasks = 0;
    for (const StepRow &row : Steps) {
        contacts += row.processor == Processor::Contacts;
        appointments += row.processor == Processor::Appointments;
        tasks += row.processor == Processor::Tasks;
        QTest::addRow("%s-%d-%s", qPrintable(processorName(row.processor)), row.step, row.flagKey) << row;
    }
    QCOMPARE(contacts, 41);
    QCOMPARE(appointments, 5);
    QCOMPARE(tasks, 10);
}

// Only the chosen flag's field is read, recorded under its undo name before
// it is written, and written; no other field of the item is touched.
void tst_FieldSteps::eachStep()
{
    QFETCH(StepRow, row);
    ProcessorFixture f;
    f.choose({QLatin1String(row.flagKey)});
    // Every field of every kind holds the search text; only one may change.
    for (const StepRow &other : Steps)
        if (QLatin1String(other.property) != QLatin1String("Subject"))
            f.item.values.insert(QLatin1String(other.property), QStringLiteral("old x"));
    f.item.values.insert(QStringLiteral("RTFBody"), OldRtf);
    if (QLatin1String(row.property) == QLatin1String("Subject"))
        f.item.values.insert(QStringLiteral("Subject"), QStringLiteral("Ann x"));

    const bool changed = f.process(row.processor, QStringLiteral("x"), QStringLiteral("y"));

    const QString property = QLatin1String(row.property);
    QStringList expected = f.opening(row.processor);
    if (property == QLatin1String("Subject")) {
        expected[1].replace(QLatin1String("Ann Lee"), QLatin1String("Ann x"));
        expected << QStringLiteral("read Subject") << ProcessorFixture::undoRecord(QStringLiteral("Subject"), QStringLiteral("Ann x"))
                 << QStringLiteral("write Subject=Ann y");
    } else if (row.kind == Body) {
        expected << QStringLiteral("read Body") << QStringLiteral("read RTFBody")
                 << ProcessorFixture::undoRecord(QStringLiteral("Body"), OldRtf)
                 << QStringLiteral("write RTFBody=") + NewRtf;
    } else {
        expected << QStringLiteral("read ") + property
                 << ProcessorFixture::undoRecord(QLatin1String(row.undoName), QStringLiteral("old x"))
                 << QStringLiteral("write %1=old y").arg(property);
        if (row.kind == Email)
            expected << QStringLiteral("read Email1Address")
                     << QStringLiteral("activity MorvaneContacts: Updated Email1Address: old y");
    }
    QCOMPARE(f.timeline, expected);
    QVERIFY(changed);
    QCOMPARE(f.errors(), QStringList());
}

// A failing read in the step names the step's number (171 for the e-mail
// address's first sub-step) and ends the item unchanged.
void tst_FieldSteps::eachStepReportsItsNumber()
{
    QFETCH(StepRow, row);
    ProcessorFixture f;
    f.choose({QLatin1String(row.flagKey)});
    f.item.failReading << QLatin1String(row.property);
    const bool changed = f.process(row.processor, QStringLiteral("x"), QStringLiteral("y"));
    QVERIFY(!changed);
    const int step = row.kind == Email ? 171 : row.step;
    QCOMPARE(f.errors(), QStringList{ProcessorFixture::errorLine(
                             row.processor, step, QStringLiteral("Cannot read ") + QLatin1String(row.property))});
    QCOMPARE(f.item.writes(), QStringList());
}

void tst_FieldSteps::allStepsInOrder_data()
{
    QTest::addColumn<Processor>("processor");
    QTest::newRow("contacts") << Processor::Contacts;
    QTest::newRow("appointments") << Processor::Appointments;
    QTest::newRow("tasks") << Processor::Tasks;
}

// With every flag on and every field matching, the fields change in the
// listed order, one undo record per field, each complete before its write.
void tst_FieldSteps::allStepsInOrder()
{
    QFETCH(Processor, processor);
    ProcessorFixture f;
    f.choose(flagsOf(processor));
    QStringList expectedWrites, expectedFields;
    for (const StepRow &row : Steps) {
        if (row.processor != processor)
            continue;
        f.item.values.insert(QLatin1String(row.property), QStringLiteral("x"));
        expectedWrites << (row.kind == Body ? QStringLiteral("RTFBody=") + NewRtf
                                            : QStringLiteral("%1=y").arg(QLatin1String(row.property)));
        expectedFields << QLatin1String(row.undoName);
    }
    f.item.values.insert(QStringLiteral("RTFBody"), OldRtf);
    f.item.values.insert(QStringLiteral("Body"), QStringLiteral("old x"));

    QVERIFY(f.process(processor, QStringLiteral("x"), QStringLiteral("y")));
    QCOMPARE(f.item.writes(), expectedWrites);

    // Each write comes right after the record of its own field.
    QStringList fieldsBeforeWrites;
    QString lastField;
    for (const QString &event : f.timeline) {
        if (event.startsWith(QLatin1String("undo FieldName: ")))
            lastField = event.mid(16);
        else if (event.startsWith(QLatin1String("undo FieldValue: ")))
            continue;
        else if (event.startsWith(QLatin1String("write "))) {
            fieldsBeforeWrites << lastField;
            lastField.clear();
        }
    }
    QCOMPARE(fieldsBeforeWrites, expectedFields);
    QCOMPARE(f.errors(), QStringList());
}

void tst_FieldSteps::noFlagsOnlyOpens()
{
    QFETCH(Processor, processor);
    ProcessorFixture f;
    f.choose({});
    for (const StepRow &row : Steps)
        if (QLatin1String(row.property) != QLatin1String("Subject"))
            f.item.values.insert(QLatin1String(row.property), QStringLiteral("x"));
    QVERIFY(!f.process(processor, QStringLiteral("x"), QStringLiteral("y")));
    QCOMPARE(f.timeline, f.opening(processor));
}

QTEST_GUILESS_MAIN(tst_FieldSteps)
#include "tst_fieldsteps.moc"
