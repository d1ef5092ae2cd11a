// SPDX-License-Identifier: MIT
// Every field step of the three processors, one per row of the field table:
// its flag switches on its field alone, the undo record comes before the
// write, an error reports the step's number; and the steps run in order.
#include "processorfixture.h"

#include <QTest>

namespace {

using FieldTable::StepKind;
using StepRow = FieldTable::Field;

// The steps are the field table's rows: a field added there is run here.
Processor processorOf(const StepRow &row) { return Processor(int(row.page)); }

const QString OldRtf = QStringLiteral("{\\rtf1\\ansi old x\\par}");
const QString NewRtf = QStringLiteral("{\\rtf1\\ansi old y\\par}");

QStringList flagsOf(Processor p)
{
    QStringList keys;
    for (const StepRow &row : FieldTable::Fields)
        if (processorOf(row) == p)
            keys << QLatin1String(row.flagKey);
    return keys;
}

} // namespace

Q_DECLARE_METATYPE(Processor)
Q_DECLARE_METATYPE(StepRow)

class TestFieldSteps : public QObject
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

void TestFieldSteps::eachStep_data()
{
    QTest::addColumn<StepRow>("row");
    for (const StepRow &row : FieldTable::Fields)
        QTest::addRow("%s-%d-%s", qPrintable(processorName(processorOf(row))), row.step, row.flagKey) << row;
}

// Only the chosen flag's field is read, recorded under its undo name before
// it is written, and written; no other field of the item is touched.
void TestFieldSteps::eachStep()
{
    QFETCH(StepRow, row);
    ProcessorFixture f;
    f.choose({QLatin1String(row.flagKey)});
    // Every field of every kind holds the search text; only one may change.
    for (const StepRow &other : FieldTable::Fields)
        if (QLatin1String(other.property) != QLatin1String("Subject"))
            f.item.values.insert(QLatin1String(other.property), QStringLiteral("old x"));
    f.item.values.insert(QStringLiteral("RTFBody"), OldRtf);
    if (QLatin1String(row.property) == QLatin1String("Subject"))
        f.item.values.insert(QStringLiteral("Subject"), QStringLiteral("Ann x"));

    const bool changed = f.process(processorOf(row), QStringLiteral("x"), QStringLiteral("y"));

    const QString property = QLatin1String(row.property);
    QStringList expected = f.opening(processorOf(row));
    if (property == QLatin1String("Subject")) {
        expected[1].replace(QLatin1String("Ann Lee"), QLatin1String("Ann x"));
        expected << QStringLiteral("read Subject") << ProcessorFixture::undoRecord(QStringLiteral("Subject"), QStringLiteral("Ann x"))
                 << QStringLiteral("write Subject=Ann y");
    } else if (row.kind == StepKind::Body) {
        expected << QStringLiteral("read Body") << QStringLiteral("read RTFBody")
                 << ProcessorFixture::undoRecord(QStringLiteral("Body"), OldRtf)
                 << QStringLiteral("write RTFBody=") + NewRtf;
    } else {
        expected << QStringLiteral("read ") + property
                 << ProcessorFixture::undoRecord(QLatin1String(row.property), QStringLiteral("old x"))
                 << QStringLiteral("write %1=old y").arg(property);
        if (row.kind == StepKind::Email)
            expected << QStringLiteral("read Email1Address")
                     << QStringLiteral("activity MorvaneContacts: Updated Email1Address: old y");
    }
    QCOMPARE(f.timeline, expected);
    QVERIFY(changed);
    QCOMPARE(f.errors(), QStringList());
}

// A failing read in the step names the step's number (171 for the e-mail
// address's first sub-step) and ends the item unchanged.
void TestFieldSteps::eachStepReportsItsNumber()
{
    QFETCH(StepRow, row);
    ProcessorFixture f;
    f.choose({QLatin1String(row.flagKey)});
    f.item.failReading << QLatin1String(row.property);
    const bool changed = f.process(processorOf(row), QStringLiteral("x"), QStringLiteral("y"));
    QVERIFY(!changed);
    const int step = row.kind == StepKind::Email ? 171 : row.step;
    QCOMPARE(f.errors(), QStringList{ProcessorFixture::errorLine(
                             processorOf(row), step, QStringLiteral("Cannot read ") + QLatin1String(row.property))});
    QCOMPARE(f.item.writes(), QStringList());
}

void TestFieldSteps::allStepsInOrder_data()
{
    QTest::addColumn<Processor>("processor");
    QTest::newRow("contacts") << Processor::Contacts;
    QTest::newRow("appointments") << Processor::Appointments;
    QTest::newRow("tasks") << Processor::Tasks;
}

// With every flag on and every field matching, the fields change in the
// listed order, one undo record per field, each complete before its write.
void TestFieldSteps::allStepsInOrder()
{
    QFETCH(Processor, processor);
    ProcessorFixture f;
    f.choose(flagsOf(processor));
    QStringList expectedWrites, expectedFields;
    for (const StepRow &row : FieldTable::Fields) {
        if (processorOf(row) != processor)
            continue;
        f.item.values.insert(QLatin1String(row.property), QStringLiteral("x"));
        expectedWrites << (row.kind == StepKind::Body ? QStringLiteral("RTFBody=") + NewRtf
                                            : QStringLiteral("%1=y").arg(QLatin1String(row.property)));
        expectedFields << QLatin1String(row.property);
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

void TestFieldSteps::noFlagsOnlyOpens()
{
    QFETCH(Processor, processor);
    ProcessorFixture f;
    f.choose({});
    for (const StepRow &row : FieldTable::Fields)
        if (QLatin1String(row.property) != QLatin1String("Subject"))
            f.item.values.insert(QLatin1String(row.property), QStringLiteral("x"));
    QVERIFY(!f.process(processor, QStringLiteral("x"), QStringLiteral("y")));
    QCOMPARE(f.timeline, f.opening(processor));
}

QTEST_GUILESS_MAIN(TestFieldSteps)
#include "tst_fieldsteps.moc"
