// SPDX-License-Identifier: MIT
// Item files read, edited and saved through the wrappers, against expected files.
#include "pimtesting.h"
#include "itemkinds.h"
#include "testenvironment.h"

#include <QRegularExpression>

namespace {
struct Write
{
    QString property, text;
    QString readsAs = text; // what a read gives afterwards
};
using Writes = QList<Write>;

// "extended" for 2024-01-02T03:04:05Z, "basic" for 20240102T030405Z, else empty.
QString stampForm(const QByteArray &line)
{
    static const QRegularExpression basic(QStringLiteral(":\\d{8}T\\d{6}Z\r?$"));
    static const QRegularExpression extended(QStringLiteral(":\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z\r?$"));
    const QString text = QString::fromLatin1(line);
    return extended.match(text).hasMatch() ? QStringLiteral("extended")
           : basic.match(text).hasMatch()  ? QStringLiteral("basic")
                                           : QString();
}

// The form of the input's own line for that property (a stamp refreshed by a save).
QString originalForm(const QByteArray &original, const QByteArray &property)
{
    for (const QByteArray &line : original.split('\n'))
        if (line.startsWith(property + ':'))
            return stampForm(line);
    return {};
}

// Expected files write a REV or LAST-MODIFIED that a save refreshes as
// "@NOW@": the actual line must hold a UTC time between `from` and now, in
// the form the original line had.
bool matchesWithNow(const QByteArray &actual, const QByteArray &expected, const QByteArray &original,
                    const QDateTime &from, QString *why)
{
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    if (a.size() != e.size()) {
        *why = QStringLiteral("%1 lines, expected %2; %3").arg(a.size()).arg(e.size())
                   .arg(firstDifference(actual, expected));
        return false;
    }
    static const QRegularExpression stamp(
        QStringLiteral("^(REV|LAST-MODIFIED):(\\d{4})-?(\\d{2})-?(\\d{2})T(\\d{2}):?(\\d{2}):?(\\d{2})Z(\r?)$"));
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (e[i].contains("@NOW@")) {
            const auto m = stamp.match(QString::fromLatin1(a[i]));
            const QByteArray property = e[i].left(e[i].indexOf(':'));
            if (!m.hasMatch() || m.captured(1).toLatin1() != property
                || m.captured(8).isEmpty() != !e[i].endsWith('\r')) {
                *why = QStringLiteral("line %1 is no fresh time stamp: %2").arg(i + 1).arg(QString::fromLatin1(a[i]));
                return false;
            }
            const QString form = originalForm(original, property);
            if (form.isEmpty() || stampForm(a[i]) != form) {
                *why = QStringLiteral("line %1 is not in the %2 form of the original: %3")
                           .arg(i + 1).arg(form.isEmpty() ? QStringLiteral("(missing)") : form,
                                           QString::fromLatin1(a[i]));
                return false;
            }
            const QDateTime t(QDate(m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt()),
                              QTime(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt()),
                              QTimeZone::utc());
            if (t < from.addSecs(-1) || t > QDateTime::currentDateTimeUtc().addSecs(1)) {
                *why = QStringLiteral("line %1 holds an old time: %2").arg(i + 1).arg(QString::fromLatin1(a[i]));
                return false;
            }
        } else if (a[i] != e[i]) {
            *why = firstDifference(actual, expected);
            return false;
        }
    }
    return true;
}

QStringList goldenInputs()
{
    QStringList files;
    for (const QString &f : QDir(dataPath(QStringLiteral("golden"))).entryList(QDir::Files, QDir::Name)) {
        const int dots = int(f.count(u'.'));
        if (dots == 1 && (f.endsWith(QLatin1String(".vcf")) || f.endsWith(QLatin1String(".ics"))))
            files.append(f);
    }
    return files;
}

// Every field a flag looks in, taken from the field table, so a field added
// there is read, written and read back here; plus the contact's own Subject
// and the body as rich text.
QStringList propertiesOf(const QString &typeName)
{
    const ItemKinds::Kind *kind = ItemKinds::ofType(typeName);
    if (!kind)
        return {};
    QStringList properties{QStringLiteral("Subject"), QStringLiteral("RTFBody")};
    for (const FieldTable::Field &field : kind->fields())
        if (!properties.contains(QLatin1String(field.property)))
            properties << QLatin1String(field.property);
    return properties;
}
} // namespace

Q_DECLARE_METATYPE(Writes)

// Expected local times below are those of Central European time.
class TestPimGolden : public CentralEuropeanTest
{
    Q_OBJECT

private slots:
    void readsFields_data();
    void readsFields();
    void edits_data();
    void edits();
    void typeNames_data();
    void typeNames();
    void unreadableFiles_data();
    void unreadableFiles();
    void refusedWrites_data();
    void refusedWrites();
    void refusesFileChangedUnderneath();
    void byteOrderMarkAndLineEndsStay_data();
    void byteOrderMarkAndLineEndsStay();
    void readAndSaveChangesNoByte_data();
    void readAndSaveChangesNoByte();
    void valuesSurviveSaveAndRead_data();
    void valuesSurviveSaveAndRead();
};

void TestPimGolden::readsFields_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");
    const QString eds = QStringLiteral("contact30-eds.vcf");
    const QList<std::pair<const char *, const char *>> edsFields = {
        {"Subject", "Jane Doe"},
        {"Account", "ACC-77"},
        {"AssistantTelephoneNumber", "+1 555 0501"},
        {"BusinessAddressStreet", "1 Industrial Way"},
        {"BusinessAddressCity", "Springfield"},
        {"BusinessAddressState", "IL"},
        {"BusinessAddressPostalCode", "62701"},
        {"Body", "Met at the trade fair; wants a catalogue.\nCall back in spring, not before."},
        {"BusinessTelephoneNumber", "+1 555 0101"},
        {"Business2TelephoneNumber", "+1 555 0102"},
        {"BusinessFaxNumber", "+1 555 0103"},
        {"BusinessHomePage", "https://acme.example/jane"},
        {"CallbackTelephoneNumber", "+1 555 0502"},
        {"CarTelephoneNumber", "+1 555 0402"},
        {"CompanyMainTelephoneNumber", "+1 555 0503"},
        {"CompanyName", "Acme Corp"},
        {"Email1Address", "jane@acme.example"},
        {"Email2Address", "jane@home.example"},
        {"Email3Address", "jd@other.example"},
        {"Email1DisplayName", "Jane (Work)"},
        {"Email2DisplayName", "Jane at home"},
        {"Email3DisplayName", "JD"},
        {"FileAs", "Doe, Jane"},
        {"HomeAddressStreet", "742 Evergreen Terrace"},
        {"HomeAddressCity", "Springfield"},
        {"HomeAddressState", "OR"},
        {"HomeAddressPostalCode", "97403"},
        {"HomeTelephoneNumber", "+1 555 0201"},
        {"Home2TelephoneNumber", "+1 555 0202"},
        {"HomeFaxNumber", "+1 555 0203"},
        {"MobileTelephoneNumber", "+1 555 0401"},
        {"OfficeLocation", "Room 12"},
        {"OtherAddressStreet", "9 Side Street, Unit 2"},
        {"OtherAddressCity", "Shelbyville"},
        {"OtherAddressState", "KY"},
        {"OtherAddressPostalCode", "40065"},
        {"OtherTelephoneNumber", "+1 555 0301"},
        {"OtherFaxNumber", "+1 555 0303"},
        {"PagerNumber", "+1 555 0403"},
        {"PrimaryTelephoneNumber", "+1 555 0404"},
        {"RadioTelephoneNumber", "+1 555 0504"},
        {"TTYTDDTelephoneNumber", "+1 555 0505"},
        {"FullNameAndCompany", "Jane Doe (Acme Corp)"},
        {"businesstelephonenumber", "+1 555 0101"},
    };
    for (const auto &[p, v] : edsFields)
        QTest::addRow("3.0 %s", p) << eds << QString::fromLatin1(p) << QString::fromUtf8(v);

    const QString outlook = QStringLiteral("contact21-outlook.vcf");
    const QList<std::pair<const char *, const char *>> outlookFields = {
        {"Subject", "Hans Müller"},
        {"CompanyName", "Grün & Co"},
        {"OfficeLocation", ""},
        {"Body", "First line of the note\nSecond line with an umlaut: ü and a long tail that goes past "
                 "the soft line break limit of 76."},
        {"BusinessTelephoneNumber", "+49 30 1234567"},
        {"HomeTelephoneNumber", "+49 30 7654321"},
        {"MobileTelephoneNumber", "+49 171 555000"},
        {"BusinessFaxNumber", "+49 30 1234568"},
        {"AssistantTelephoneNumber", "+49 30 1234570"},
        {"CallbackTelephoneNumber", "+49 30 1234571"},
        {"CompanyMainTelephoneNumber", "+49 30 1234500"},
        {"RadioTelephoneNumber", "+49 30 1234572"},
        {"TTYTDDTelephoneNumber", "+49 30 1234573"},
        {"PagerNumber", "+49 30 1234574"},
        {"OtherTelephoneNumber", ""},
        {"BusinessAddressStreet", "Hauptstraße 1"},
        {"BusinessAddressPostalCode", "10115"},
        {"BusinessHomePage", "http://www.gruen.example"},
        {"Email1Address", "hans@gruen.example"},
        {"Email2Address", ""},
        {"Account", ""},
        {"FullNameAndCompany", "Hans Müller (Grün & Co)"},
    };
    for (const auto &[p, v] : outlookFields)
        QTest::addRow("2.1 %s", p) << outlook << QString::fromLatin1(p) << QString::fromUtf8(v);

    const QString v4 = QStringLiteral("contact40-lf.vcf");
    const QList<std::pair<const char *, const char *>> v4Fields = {
        {"Subject", "Zoë Ångström"},
        {"CompanyName", "Nordljus AB"},
        {"OfficeLocation", "Kontor 3"},
        {"BusinessTelephoneNumber", "+46-8-555-0100"},
        {"MobileTelephoneNumber", "+46-70-555-0111"},
        {"TTYTDDTelephoneNumber", "+46 8 555 0199"},
        {"PrimaryTelephoneNumber", "+46 8 555 0123"},
        {"OtherTelephoneNumber", ""},
        {"HomeAddressCity", "Göteborg"},
        {"HomeAddressPostalCode", "411 38"},
        {"Body", "Föredrar e-post, inte telefon."},
    };
    for (const auto &[p, v] : v4Fields)
        QTest::addRow("4.0 %s", p) << v4 << QString::fromLatin1(p) << QString::fromUtf8(v);

    QTest::newRow("folded non-ASCII body") << "contact30-folded-lf.vcf" << "Body"
        << QString::fromUtf8("Zażółć gęślą jaźń — this note is long enough that it has to be folded "
                             "across more than one physical line in the file.");
    QTest::newRow("lower-case type") << "contact30-folded-lf.vcf" << "BusinessTelephoneNumber"
                                     << "+48 22 555 01 01";

    // Files as exporters write them: a UTF-8 byte-order mark, lines ended by a lone CR.
    QTest::newRow("BOM first line") << "contact30-bom.vcf" << "Subject" << "Mia Schultz";
    QTest::newRow("BOM folded body") << "contact30-bom.vcf" << "Body"
        << "Exported with a byte-order mark, as Windows tools write it. The note is folded.";
    QTest::newRow("BOM phone") << "contact30-bom.vcf" << "BusinessTelephoneNumber" << "+49 40 555 0101";
    QTest::newRow("CR company") << "contact21-cr.vcf" << "CompanyName" << "Atelier Lambert";
    QTest::newRow("CR quoted-printable body") << "contact21-cr.vcf" << "Body"
        << QString::fromUtf8("Première ligne\nDeuxième ligne, assez longue pour être coupée.");
    // Older exporters name the encoding alone: "NOTE;QUOTED-PRINTABLE:".
    QTest::newRow("2.1 quoted-printable short form") << "contact21-qp-short.vcf" << "Body"
        << QString::fromUtf8("Grüße aus Lagos\nGate code 4711, then the long drive past the warehouse.");
    QTest::newRow("CR last phone") << "contact21-cr.vcf" << "MobileTelephoneNumber" << "+33 6 55 55 01 02";
    QTest::newRow("BOM and CR start") << "event-bom-cr.ics" << "Start" << "5 Mar 2025 10:00:00";
    QTest::newRow("BOM and CR body") << "event-bom-cr.ics" << "Body" << "Prices for spring, and the new catalogue.";

    // Local times are Central European (TZ=Europe/Berlin), C locale short format.
    QTest::newRow("utc start") << "event-utc.ics" << "Start" << "2 Jan 2025 10:30:00";
    QTest::newRow("utc end") << "event-utc.ics" << "End" << "2 Jan 2025 11:30:00";
    QTest::newRow("event subject") << "event-utc.ics" << "Subject" << "Budget review, Q1";
    QTest::newRow("event location") << "event-utc.ics" << "Location" << "Room 12";
    QTest::newRow("event body") << "event-utc.ics" << "Body" << "Bring the figures.\nAnd the slides.";
    QTest::newRow("tzid start") << "event-tzid.ics" << "Start" << "10 Mar 2025 14:00:00";
    QTest::newRow("tzid end") << "event-tzid.ics" << "End" << "10 Mar 2025 15:00:00";
    QTest::newRow("alarm text is no body") << "event-tzid.ics" << "Body" << "";
    QTest::newRow("floating start") << "event-floating.ics" << "Start" << "4 Jul 2025 12:00:00";
    QTest::newRow("all-day start") << "event-allday.ics" << "Start" << "1 May 2025";
    QTest::newRow("all-day end") << "event-allday.ics" << "End" << "2 May 2025";
    QTest::newRow("end from duration") << "event-duration.ics" << "End" << "1 Jun 2025 11:30:00";
    QTest::newRow("series, not its exception") << "event-recurring.ics" << "Subject" << "Weekly sync";
    QTest::newRow("task subject") << "task-full.ics" << "Subject" << "File the tax return";
    QTest::newRow("task body") << "task-full.ics" << "Body" << "Forms are in the blue folder.";
    QTest::newRow("task start") << "task-full.ics" << "StartDate" << "1 Mar 2025";
    QTest::newRow("task due") << "task-full.ics" << "DueDate" << "15 Apr 2025";
    QTest::newRow("task completed (UTC, local date)") << "task-full.ics" << "DateCompleted" << "10 Apr 2025";
    QTest::newRow("task total work") << "task-full.ics" << "TotalWork" << "480";
    QTest::newRow("task actual work") << "task-full.ics" << "ActualWork" << "420";
    QTest::newRow("task mileage") << "task-full.ics" << "Mileage" << "42 km";
    QTest::newRow("task billing") << "task-full.ics" << "BillingInformation" << "Client 7; invoice later";
    QTest::newRow("task companies") << "task-full.ics" << "Companies" << "Acme, Globex";
    QTest::newRow("task date-time start") << "task-datetime.ics" << "StartDate" << "2 Mar 2025";
    QTest::newRow("task zoned due") << "task-datetime.ics" << "DueDate" << "5 Mar 2025";
    QTest::newRow("absent date") << "task-empty.ics" << "DueDate" << "";
    QTest::newRow("absent number") << "task-empty.ics" << "ActualWork" << "";
    QTest::newRow("absent duration") << "task-empty.ics" << "TotalWork" << "";
}

void TestPimGolden::readsFields()
{
    QFETCH(QString, file);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    Scratch s({QStringLiteral("golden/") + file});
    auto w = s.wrap(file);
    QCOMPARE(w->read(property), expected);
    if (property == QLatin1String("Subject"))
        QCOMPARE(w->Subject(), expected);
    if (property == QLatin1String("FullNameAndCompany"))
        QCOMPARE(dynamic_cast<SafeContactItem &>(*w).FullNameAndCompany(), expected);
    QCOMPARE(w->EntryID(), file);
}

void TestPimGolden::edits_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<Writes>("writes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("3.0 CRLF, fields changed in place") << "contact30-eds.vcf"
        << Writes{{"BusinessTelephoneNumber", "+1 555 0111"},
                  {"Business2TelephoneNumber", "+1 555 0112"},
                  {"CompanyName", "Globex, Inc."},
                  {"OfficeLocation", "Room 14"},
                  {"BusinessAddressCity", "Capital City"},
                  {"OtherAddressStreet", "10 Side Street; Rear"},
                  {"Email2Address", "jane@new.example"},
                  {"Email2DisplayName", "Jane; at home"},
                  {"FileAs", "Doe, J."},
                  {"Body", "Line one\nLine two, with comma"},
                  {"Account", "ACC-78"},
                  {"HomeAddressPostalCode", "97404"},
                  {"Home2TelephoneNumber", "+1 555 0212"},
                  {"TTYTDDTelephoneNumber", "+1 555 0515"},
                  {"PrimaryTelephoneNumber", "+1 555 0414"}}
        << "contact30-eds.edit.vcf";
    QTest::newRow("3.0 lines created") << "contact30-min.vcf"
        << Writes{{"PagerNumber", "555 0300"},
                  {"BusinessAddressStreet", "1 Main St"},
                  {"CompanyName", "Acme"},
                  {"OfficeLocation", "R1"},
                  {"Email1Address", "a@b.example"},
                  {"Account", "x"}}
        << "contact30-min.create.vcf";
    QTest::newRow("2.1 Outlook export") << "contact21-outlook.vcf"
        << Writes{{"Body", "Erste\nZweite"},
                  {"CompanyName", "Blau & Co"},
                  {"MobileTelephoneNumber", "+49 171 555001"},
                  {"CallbackTelephoneNumber", "+49 30 1234579"},
                  {"HomeFaxNumber", "+49 30 7654322"},
                  {"HomeAddressStreet", QString::fromUtf8("Südweg 2")},
                  {"Email2Address", "h.mueller@example.org"},
                  {"FileAs", "Mueller, Hans"}}
        << "contact21-outlook.edit.vcf";
    QTest::newRow("4.0 LF") << "contact40-lf.vcf"
        << Writes{{"MobileTelephoneNumber", "+46-70-555-0199"},
                  {"BusinessTelephoneNumber", "+46-8-555-0101"},
                  {"PrimaryTelephoneNumber", "+46 8 555 0124"},
                  {"FileAs", QString::fromUtf8("Ångström, Zoë")},
                  {"PagerNumber", "+46 8 555 0150"},
                  {"RadioTelephoneNumber", "+46 8 555 0160"},
                  {"HomeAddressCity", QString::fromUtf8("Malmö")},
                  {"CompanyName", "Nordljus, Norrsken AB"}}
        << "contact40-lf.edit.vcf";
    QTest::newRow("folded non-ASCII") << "contact30-folded-lf.vcf"
        << Writes{{"Body", QString::fromUtf8(readFile(dataPath("golden/contact30-folded-lf.body.txt")))}}
        << "contact30-folded-lf.edit.vcf";
    QTest::newRow("3.0 with a byte-order mark") << "contact30-bom.vcf"
        << Writes{{"BusinessTelephoneNumber", "+49 40 555 0111"},
                  {"CompanyName", "Lindenhof AG"},
                  {"PagerNumber", "+49 40 555 0150"},
                  {"Body", "Short note\nwith a second line"}}
        << "contact30-bom.edit.vcf";
    QTest::newRow("2.1 with CR line ends") << "contact21-cr.vcf"
        << Writes{{"CompanyName", "Atelier Lambert et Fils, restauration de meubles anciens, de tableaux et de cadres"},
                  {"Body", "Une ligne\nDeux lignes"},
                  {"MobileTelephoneNumber", "+33 6 55 55 01 99"},
                  {"PagerNumber", "+33 1 55 55 01 50"}}
        << "contact21-cr.edit.vcf";
    QTest::newRow("2.1 quoted-printable short form") << "contact21-qp-short.vcf"
        << Writes{{"Body", QString::fromUtf8("Straße 1\nLagos")}} << "contact21-qp-short.edit.vcf";
    QTest::newRow("event with a byte-order mark and CR line ends") << "event-bom-cr.ics"
        << Writes{{"Location", "Room 3"},
                  {"Subject", "Supplier call; prices"},
                  {"Start", "5 Mar 2025 09:30:00"},
                  {"Body", "Prices for spring, the new catalogue and the delivery dates for the autumn range."}}
        << "event-bom-cr.edit.ics";
    QTest::newRow("event UTC") << "event-utc.ics"
        << Writes{{"Location", "Room 14"},
                  {"Start", "2 Jan 2025 11:00:00"},
                  {"Subject", "Budget review; Q1, final"},
                  {"Body", "Bring the figures."}}
        << "event-utc.edit.ics";
    QTest::newRow("event TZID") << "event-tzid.ics"
        << Writes{{"Start", "10 Mar 2025 15:00:00"},
                  {"End", "10 Mar 2025 16:30:00"},
                  {"Body", "Agenda: none"}}
        << "event-tzid.edit.ics";
    QTest::newRow("event floating") << "event-floating.ics"
        << Writes{{"End", "4 Jul 2025 16:00:00"}} << "event-floating.edit.ics";
    QTest::newRow("event all-day") << "event-allday.ics"
        << Writes{{"End", "3 May 2025"}, {"Start", "1 May 2025 00:00:00", "1 May 2025"}} << "event-allday.edit.ics";
    QTest::newRow("event with duration") << "event-duration.ics"
        << Writes{{"End", "1 Jun 2025 12:00:00"}} << "event-duration.edit.ics";
    QTest::newRow("series with exception") << "event-recurring.ics"
        << Writes{{"Subject", "Weekly sync (all)"}} << "event-recurring.edit.ics";
    QTest::newRow("task, every field") << "task-full.ics"
        << Writes{{"Subject", "File the tax return now"},
                  {"Body", "Forms: blue folder"},
                  {"StartDate", "2 Mar 2025"},
                  {"DueDate", "16 Apr 2025"},
                  {"DateCompleted", "11 Apr 2025"},
                  {"TotalWork", "450"},
                  {"ActualWork", "+435", "435"},
                  {"Mileage", "43 km; return"},
                  {"BillingInformation", "Client 8"},
                  {"Companies", "Acme, Initech"}}
        << "task-full.edit.ics";
    QTest::newRow("task fields emptied") << "task-full.ics"
        << Writes{{"DueDate", ""}, {"Mileage", ""}} << "task-full.clear.ics";
    QTest::newRow("task date-times keep their form") << "task-datetime.ics"
        << Writes{{"DueDate", "6 Mar 2025"}, {"StartDate", "3 Mar 2025"}} << "task-datetime.edit.ics";
    QTest::newRow("task lines created") << "task-empty.ics"
        << Writes{{"DueDate", "1 Apr 2025"},
                  {"StartDate", "25 Mar 2025"},
                  {"DateCompleted", "2 Apr 2025"},
                  {"TotalWork", "60"},
                  {"ActualWork", "30"},
                  {"Companies", "Acme"}}
        << "task-empty.create.ics";
}

void TestPimGolden::edits()
{
    QFETCH(QString, input);
    QFETCH(Writes, writes);
    QFETCH(QString, expected);
    Scratch s({QStringLiteral("golden/") + input});
    const QDateTime before = QDateTime::currentDateTimeUtc();
    {
        auto w = s.wrap(input);
        for (const Write &write : writes) {
            w->write(write.property, write.text);
            QCOMPARE(w->read(write.property), write.readsAs);
        }
        w->Save();
    }
    QString why;
    QVERIFY2(matchesWithNow(readFile(s.filePath(input)), readFile(dataPath(QStringLiteral("golden/") + expected)),
                            readFile(dataPath(QStringLiteral("golden/") + input)), before, &why),
             qPrintable(why));
    // No temporary file is left beside the item.
    QCOMPARE(QDir(s.collectionPath()).entryList(QDir::Files | QDir::Hidden), QStringList{input});
}

void TestPimGolden::typeNames_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typeName");
    QTest::newRow("vCard 2.1") << "contact21-outlook.vcf" << "ContactItem";
    QTest::newRow("vCard 3.0") << "contact30-eds.vcf" << "ContactItem";
    QTest::newRow("vCard 4.0") << "contact40-lf.vcf" << "ContactItem";
    QTest::newRow("byte-order mark") << "contact30-bom.vcf" << "ContactItem";
    QTest::newRow("CR line ends") << "contact21-cr.vcf" << "ContactItem";
    QTest::newRow("both, iCalendar") << "event-bom-cr.ics" << "AppointmentItem";
    QTest::newRow("group 3.0") << "group30.vcf" << "DistListItem";
    QTest::newRow("group 4.0") << "group40.vcf" << "DistListItem";
    QTest::newRow("event") << "event-utc.ics" << "AppointmentItem";
    QTest::newRow("task") << "task-full.ics" << "TaskItem";
    QTest::newRow("journal") << "journal.ics" << "JournalItem";
}

void TestPimGolden::typeNames()
{
    QFETCH(QString, file);
    QFETCH(QString, typeName);
    Scratch s({QStringLiteral("golden/") + file});
    QCOMPARE(s.item(file)->TypeName(), typeName);
    QVERIFY(env->utility.lines.isEmpty());
}

void TestPimGolden::unreadableFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no END") << "no-end.vcf" << "the vCard has no END:VCARD line";
    QTest::newRow("empty") << "empty.vcf" << "the file holds no vCard or iCalendar data";
    QTest::newRow("not UTF-8") << "latin1.ics" << "the file is not valid UTF-8";
    QTest::newRow("only a time zone") << "no-item.ics" << "the iCalendar object holds no event, task or journal entry";
    QTest::newRow("prose") << "prose.vcf" << "the file does not start with BEGIN:VCARD or BEGIN:VCALENDAR";
}

void TestPimGolden::unreadableFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    Scratch s({QStringLiteral("unreadable/") + file, QStringLiteral("golden/contact30-min.vcf")});
    const QByteArray before = readFile(s.filePath(file));
    auto items = s.collection()->Items();
    QCOMPARE(items->Count(), 2);
    // File-name order puts contact30-min.vcf first except before "empty", "latin1", "no-*".
    const int bad = file > QStringLiteral("contact30-min.vcf") ? 2 : 1;
    QCOMPARE(items->Item(bad)->TypeName(), QStringLiteral("UnreadableItem"));
    QCOMPARE(items->Item(3 - bad)->TypeName(), QStringLiteral("ContactItem"));
    QCOMPARE(env->utility.lines.size(), 1);
    const LogLine line = env->utility.lines.first();
    QCOMPARE(line.source, QStringLiteral("Quenlock.Pim"));
    QCOMPARE(line.level, 0);
    QCOMPARE(line.message, QStringLiteral("The file \"%1\" cannot be read: %2").arg(s.filePath(file), reason));
    // No wrapper takes it, and the file stays as it was.
    for (const char *id : {"VEVavizud.VHSafeContactItem", "VEVavizud.VHSafeTaskItem"}) {
        auto w = ClassFactory::create<SafeItem>(QLatin1String(id));
        QVERIFY_THROWS_EXCEPTION(QuenlockError, w->setItem(items->Item(bad)));
    }
    QCOMPARE(readFile(s.filePath(file)), before);
}

void TestPimGolden::refusedWrites_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("not a date") << "task-full.ics" << "DueDate" << "soon" << "Type mismatch";
    QTest::newRow("no such day") << "task-full.ics" << "DueDate" << "31 Feb 2025" << "Type mismatch";
    QTest::newRow("date in a number") << "task-full.ics" << "ActualWork" << "12x" << "Type mismatch";
    QTest::newRow("number too large") << "task-full.ics" << "TotalWork" << "99999999999" << "Overflow";
    QTest::newRow("empty start") << "event-utc.ics" << "Start" << "" << "Type mismatch";
    QTest::newRow("time on an all-day event") << "event-allday.ics" << "Start" << "1 May 2025 10:00:00" << "Type mismatch";
    QTest::newRow("end before start, as a duration") << "event-duration.ics" << "End" << "1 Jun 2025 09:00:00" << "Type mismatch";
    QTest::newRow("second number before the first") << "contact30-min.vcf" << "Business2TelephoneNumber" << "5"
        << "Business2TelephoneNumber cannot be set while BusinessTelephoneNumber is empty";
    QTest::newRow("third e-mail before the second") << "contact21-outlook.vcf" << "Email3Address" << "x@y.example"
        << "Email3Address cannot be set while Email2Address is empty";
    QTest::newRow("unknown property") << "contact30-min.vcf" << "Birthday" << "1 Jan 2000"
        << "The contact has no property \"Birthday\"";
    QTest::newRow("appointment property on a task") << "task-full.ics" << "Location" << "x"
        << "The task has no property \"Location\"";
    QTest::newRow("read-only") << "contact30-eds.vcf" << "FullNameAndCompany" << "x"
        << "The property \"FullNameAndCompany\" is read-only";
    QTest::newRow("plain text as RTF") << "contact30-eds.vcf" << "RTFBody" << "no rich text"
        << "The text written to RTFBody is not an RTF document";
    // Only the first would be searched, and the file counted as changed.
    QTest::newRow("file of two events") << "events.two.ics" << "Location" << "Room 3"
        << "…events.two.ics\" holds 2 events, tasks or journal entries with different UIDs; a file of several is left as it is";
}

void TestPimGolden::refusedWrites()
{
    QFETCH(QString, file);
    QFETCH(QString, property);
    QFETCH(QString, text);
    QFETCH(QString, error);
    Scratch s({QStringLiteral("golden/") + file});
    const QByteArray before = readFile(s.filePath(file));
    auto w = s.wrap(file);
    QString old;
    try {
        old = w->read(property);
    } catch (const QuenlockError &) {
    }
    try {
        w->write(property, text);
        QFAIL("the write was accepted");
    } catch (const QuenlockError &e) {
        if (error.startsWith(u'…')) // the rest of a message that names the file
            QVERIFY2(e.description().endsWith(error.mid(1)), qPrintable(e.description()));
        else
            QCOMPARE(e.description(), error);
    }
    try {
        QCOMPARE(w->read(property), old);
    } catch (const QuenlockError &) {
    }
    w->Save();
    QCOMPARE(readFile(s.filePath(file)), before);
}

void TestPimGolden::refusesFileChangedUnderneath()
{
    Scratch s({QStringLiteral("golden/contact30-eds.vcf")});
    auto w = s.wrap(QStringLiteral("contact30-eds.vcf"));
    w->write(QStringLiteral("CompanyName"), QStringLiteral("Globex"));
    // Another program rewrites the file (same size, new content and inode).
    QByteArray theirs = readFile(s.filePath("contact30-eds.vcf"));
    theirs.replace("Jane Doe", "Jane Roe");
    QFile::remove(s.filePath("contact30-eds.vcf"));
    s.write(QStringLiteral("contact30-eds.vcf"), theirs);
    try {
        w->Save();
        QFAIL("the save went ahead");
    } catch (const QuenlockError &e) {
        QCOMPARE(e.description(), QStringLiteral("The file \"%1\" was changed by another program after it "
                                                 "was read; it was not saved").arg(s.filePath("contact30-eds.vcf")));
    }
    QCOMPARE(readFile(s.filePath("contact30-eds.vcf")), theirs);

    // Touched only (same bytes, new time): also refused.
    auto again = s.wrap(QStringLiteral("contact30-eds.vcf"));
    again->write(QStringLiteral("CompanyName"), QStringLiteral("Globex"));
    QFile f(s.filePath("contact30-eds.vcf"));
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    f.close();
    QVERIFY_THROWS_EXCEPTION(QuenlockError, again->Save());
    QCOMPARE(readFile(s.filePath("contact30-eds.vcf")), theirs);
}

void TestPimGolden::byteOrderMarkAndLineEndsStay_data()
{
    QTest::addColumn<QByteArray>("bom");
    QTest::addColumn<QByteArray>("eol");
    QTest::addColumn<bool>("lastLineEnded");
    const QByteArray bom = "\xEF\xBB\xBF";
    QTest::newRow("BOM, CRLF") << bom << QByteArray("\r\n") << true;
    QTest::newRow("BOM, LF") << bom << QByteArray("\n") << true;
    QTest::newRow("CR") << QByteArray() << QByteArray("\r") << true;
    QTest::newRow("BOM, CR, last line open") << bom << QByteArray("\r") << false;
}

// A changed line and a new one take the file's line end; the mark and every
// other byte stay.
void TestPimGolden::byteOrderMarkAndLineEndsStay()
{
    QFETCH(QByteArray, bom);
    QFETCH(QByteArray, eol);
    QFETCH(bool, lastLineEnded);
    auto file = [&](const QList<QByteArray> &lines) {
        QByteArray out = bom + lines.join(eol);
        return lastLineEnded ? out + eol : out;
    };
    const QList<QByteArray> before = {"BEGIN:VCARD", "VERSION:3.0", "FN:Ann", "TEL;TYPE=CELL:1",
                                      "NOTE:a note long enough to be folded when it is written back and s",
                                      " o it is one line read in two", "END:VCARD"};
    Scratch s;
    s.write(QStringLiteral("a.vcf"), file(before));
    {
        auto w = s.wrap(QStringLiteral("a.vcf"));
        QCOMPARE(w->read(QStringLiteral("Subject")), QStringLiteral("Ann"));
        QCOMPARE(w->read(QStringLiteral("Body")),
                 QStringLiteral("a note long enough to be folded when it is written back and so it is one line read in two"));
        w->write(QStringLiteral("MobileTelephoneNumber"), QStringLiteral("2"));
        w->write(QStringLiteral("PagerNumber"), QStringLiteral("3"));
        w->write(QStringLiteral("Body"), QStringLiteral("a note long enough to be folded when it is written back and so it is one line read in 2"));
        w->Save();
    }
    const QList<QByteArray> after = {"BEGIN:VCARD", "VERSION:3.0", "FN:Ann", "TEL;TYPE=CELL:2", "TEL;TYPE=PAGER:3",
                                     "NOTE:a note long enough to be folded when it is written back and so it is o",
                                     " ne line read in 2", "END:VCARD"};
    QCOMPARE(readFile(s.filePath(QStringLiteral("a.vcf"))), file(after));
    QCOMPARE(s.wrap(QStringLiteral("a.vcf"))->read(QStringLiteral("MobileTelephoneNumber")), QStringLiteral("2"));
}

void TestPimGolden::readAndSaveChangesNoByte_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &f : goldenInputs())
        QTest::newRow(qPrintable(f)) << f;
}

// Every field read and written back unchanged, then saved: not one byte moves,
// and the file is not even rewritten.
void TestPimGolden::readAndSaveChangesNoByte()
{
    QFETCH(QString, file);
    Scratch s({QStringLiteral("golden/") + file});
    const QByteArray before = readFile(s.filePath(file));
    const QDateTime mtime = QFileInfo(s.filePath(file)).lastModified();
    const QString type = s.item(file)->TypeName();
    QVERIFY2(type != QLatin1String("UnreadableItem"), qPrintable(env->utility.lines.value(0).message));
    const QStringList properties = propertiesOf(type);
    if (properties.isEmpty())
        QSKIP("no wrapper for this kind");
    auto w = s.wrap(file);
    for (const QString &p : properties) {
        w->write(p, w->read(p));
        // Another text for the same instant (as a replace in a date's text
        // may leave it) adds no line and rewrites none.
        if (p == u"Start" || p == u"End" || p.endsWith(u"Date") || p == u"DateCompleted")
            w->write(p, w->read(p) + u' ');
    }
    w->Save();
    QCOMPARE(readFile(s.filePath(file)), before);
    QCOMPARE(QFileInfo(s.filePath(file)).lastModified(), mtime);
}

void TestPimGolden::valuesSurviveSaveAndRead_data()
{
    QTest::addColumn<QString>("file");
    for (const QString &f : goldenInputs())
        QTest::newRow(qPrintable(f)) << f;
}

// Awkward values written to every field come back the same after a save and
// a fresh read; every other field keeps its value.
void TestPimGolden::valuesSurviveSaveAndRead()
{
    QFETCH(QString, file);
    Scratch s({QStringLiteral("golden/") + file});
    const QString type = s.item(file)->TypeName();
    QStringList properties = propertiesOf(type);
    properties.removeAll(QStringLiteral("RTFBody"));
    if (properties.isEmpty())
        QSKIP("no wrapper for this kind");
    const QString text = QString::fromUtf8("a;b,c\\d \"q\" é€𝄞\nnext\tline: end");
    auto valueFor = [&](const QString &p) -> QString {
        if (p.contains(QLatin1String("Telephone")) || p.endsWith(QLatin1String("Number")))
            return QStringLiteral("+1 (555) 010-9999");
        if (p == QLatin1String("BusinessHomePage"))
            return QStringLiteral("https://example.org/a,b;c?x=1");
        if (p.startsWith(QLatin1String("Email")) && p.endsWith(QLatin1String("Address")))
            return QStringLiteral("some.one+tag@example.org");
        if (p == QLatin1String("Start"))
            return QStringLiteral("3 Feb 2026 07:15:00");
        if (p == QLatin1String("End"))
            return QStringLiteral("3 Feb 2026 08:45:00");
        if (p.endsWith(QLatin1String("Date")) || p == QLatin1String("DateCompleted"))
            return QStringLiteral("29 Feb 2028");
        if (p.endsWith(QLatin1String("Work")))
            return QStringLiteral("1234");
        if (p == QLatin1String("Subject") || p == QLatin1String("Body") || p == QLatin1String("Location"))
            return text;
        return text;
    };
    // Fields that an all-day event holds as dates only.
    const bool allDay = file == QLatin1String("event-allday.ics");

    for (const QString &p : properties) {
        Scratch fresh({QStringLiteral("golden/") + file});
        QMap<QString, QString> others;
        {
            auto w = fresh.wrap(file);
            for (const QString &o : properties)
                others.insert(o, w->read(o));
            QString v = valueFor(p);
            if (allDay && (p == QLatin1String("Start") || p == QLatin1String("End")))
                v = p == QLatin1String("Start") ? QStringLiteral("3 Feb 2026") : QStringLiteral("5 Feb 2026");
            try {
                w->write(p, v);
            } catch (const QuenlockError &e) {
                // A second number or address needs its first (see refusedWrites).
                QVERIFY2(e.description().contains(QLatin1String("cannot be set while")), qPrintable(e.description()));
                continue;
            }
            others.insert(p, v);
            if (p == QLatin1String("Start") && !allDay && fresh.item(file)) {
                // An end given by DURATION moves with the start.
                others.insert(QStringLiteral("End"), w->read(QStringLiteral("End")));
            }
            w->Save();
        }
        auto reread = fresh.wrap(file);
        for (const QString &o : properties)
            QVERIFY2(reread->read(o) == others.value(o),
                     qPrintable(QStringLiteral("after writing %1, %2 reads \"%3\", expected \"%4\"")
                                    .arg(p, o, reread->read(o), others.value(o))));
    }
}

QTEST_GUILESS_MAIN(TestPimGolden)
#include "tst_pimgolden.moc"
