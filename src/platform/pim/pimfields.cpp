// SPDX-License-Identifier: MIT
#include "pimfields.h"

#include "quenlockerror.h"
#include "pimvalues.h"
#include "vdocument.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>
#include <array>

namespace PimFields {

namespace {
using enum FieldTable::Page;
using enum Value;

// The row of a field a flag looks in, by its flag key: kind and property are
// the field table's, so the two tables cannot name a field differently.
consteval Source flag(const char *flagKey)
{
    for (const FieldTable::Field &f : FieldTable::Fields)
        if (FieldTable::Checks::sameText(f.flagKey, flagKey))
            return {f.page, f.property, &f};
    throw "the field table has no flag of this key";
}

// A field of the data layer's own that no flag looks in.
consteval Source own(ItemKind item, const char *property) { return {item, property, nullptr}; }

// The mapping. Telephone and address lines follow the type conventions of
// Evolution Data Server; fields that no other program knows get X-QUENLOCK-*
// properties with TEXT escapes (so servers that re-escape X- values as TEXT
// leave them intact). A new line gets `create` as its parameters.
constexpr Field fields[] = {
    {own(Contacts, "Subject"), "FN", Any, 0, -1, Text, true, ""},
    {flag("AccountName"), "X-QUENLOCK-ACCOUNT", Any, 0, -1, Text, false, ""},
    {flag("AssistantsPhone"), "TEL", TelAssistant, 0, -1, Phone, false, "TYPE=X-EVOLUTION-ASSISTANT"},
    {flag("BusinessStreetAddress"), "ADR", AdrWork, 0, 2, Text, false, "TYPE=WORK"},
    {flag("BusinessCity"), "ADR", AdrWork, 0, 3, Text, false, "TYPE=WORK"},
    {flag("BusinessState"), "ADR", AdrWork, 0, 4, Text, false, "TYPE=WORK"},
    {flag("BusinessZip"), "ADR", AdrWork, 0, 5, Text, false, "TYPE=WORK"},
    {flag("Body"), "NOTE", Any, 0, -1, Text, false, ""},
    {flag("BusinessPhone"), "TEL", TelBusiness, 0, -1, Phone, false, "TYPE=WORK,VOICE"},
    {flag("BusinessPhone2"), "TEL", TelBusiness, 1, -1, Phone, false, "TYPE=WORK,VOICE"},
    {flag("BusinessFax"), "TEL", TelBusinessFax, 0, -1, Phone, false, "TYPE=WORK,FAX"},
    {flag("BusinessHomePage"), "URL", Any, 0, -1, Uri, false, ""},
    {flag("CallbackPhone"), "TEL", TelCallback, 0, -1, Phone, false, "TYPE=X-EVOLUTION-CALLBACK"},
    {flag("CarPhone"), "TEL", TelCar, 0, -1, Phone, false, "TYPE=CAR"},
    {flag("CompanyMainPhone"), "TEL", TelCompanyMain, 0, -1, Phone, false, "TYPE=X-EVOLUTION-COMPANY"},
    {flag("CompanyName"), "ORG", Any, 0, 0, Text, false, ""},
    {flag("EmailAddress"), "EMAIL", Any, 0, -1, Text, false, ""},
    {flag("Email2Address"), "EMAIL", Any, 1, -1, Text, false, ""},
    {flag("Email3Address"), "EMAIL", Any, 2, -1, Text, false, ""},
    {flag("EmailDisplayAs"), "X-QUENLOCK-EMAIL1-DISPLAY-NAME", Any, 0, -1, Text, false, ""},
    {flag("Email2DisplayAs"), "X-QUENLOCK-EMAIL2-DISPLAY-NAME", Any, 0, -1, Text, false, ""},
    {flag("Email3DisplayAs"), "X-QUENLOCK-EMAIL3-DISPLAY-NAME", Any, 0, -1, Text, false, ""},
    {flag("FileAs"), "X-EVOLUTION-FILE-AS", Any, 0, -1, Text, false, ""},
    {flag("HomeStreetAddress"), "ADR", AdrHome, 0, 2, Text, false, "TYPE=HOME"},
    {flag("HomeCity"), "ADR", AdrHome, 0, 3, Text, false, "TYPE=HOME"},
    {flag("HomeState"), "ADR", AdrHome, 0, 4, Text, false, "TYPE=HOME"},
    {flag("HomeZip"), "ADR", AdrHome, 0, 5, Text, false, "TYPE=HOME"},
    {flag("HomePhone"), "TEL", TelHome, 0, -1, Phone, false, "TYPE=HOME,VOICE"},
    {flag("HomePhone2"), "TEL", TelHome, 1, -1, Phone, false, "TYPE=HOME,VOICE"},
    {flag("HomeFax"), "TEL", TelHomeFax, 0, -1, Phone, false, "TYPE=HOME,FAX"},
    {flag("MobilePhone"), "TEL", TelMobile, 0, -1, Phone, false, "TYPE=CELL"},
    {flag("OfficeLocation"), "ORG", Any, 0, 2, Text, false, ""},
    {flag("OtherStreetAddress"), "ADR", AdrOther, 0, 2, Text, false, "TYPE=OTHER"},
    {flag("OtherCity"), "ADR", AdrOther, 0, 3, Text, false, "TYPE=OTHER"},
    {flag("OtherState"), "ADR", AdrOther, 0, 4, Text, false, "TYPE=OTHER"},
    {flag("OtherZip"), "ADR", AdrOther, 0, 5, Text, false, "TYPE=OTHER"},
    {flag("OtherPhone"), "TEL", TelOther, 0, -1, Phone, false, "TYPE=VOICE"},
    {flag("OtherFax"), "TEL", TelOtherFax, 0, -1, Phone, false, "TYPE=FAX"},
    {flag("Pager"), "TEL", TelPager, 0, -1, Phone, false, "TYPE=PAGER"},
    {flag("PrimaryPhone"), "TEL", TelPrimary, 0, -1, Phone, false, "TYPE=PREF"},
    {flag("RadioPhone"), "TEL", TelRadio, 0, -1, Phone, false, "TYPE=X-EVOLUTION-RADIO"},
    {flag("TTYPhone"), "TEL", TelTtyTdd, 0, -1, Phone, false, "TYPE=X-EVOLUTION-TTYTDD"},

    {flag("AppointmentSubject"), "SUMMARY", Any, 0, -1, Text, false, ""},
    {flag("AppointmentLocation"), "LOCATION", Any, 0, -1, Text, false, ""},
    {flag("AppointmentStart"), "DTSTART", Any, 0, -1, DateTime, true, ""},
    {flag("AppointmentEnd"), "DTEND", Any, 0, -1, DateTime, true, ""},
    {flag("AppointmentBody"), "DESCRIPTION", Any, 0, -1, Text, false, ""},

    {flag("TaskSubject"), "SUMMARY", Any, 0, -1, Text, false, ""},
    {flag("TaskBody"), "DESCRIPTION", Any, 0, -1, Text, false, ""},
    {flag("TaskStartDate"), "DTSTART", Any, 0, -1, Date, false, ""},
    {flag("TaskDueDate"), "DUE", Any, 0, -1, Date, false, ""},
    {flag("TaskDateCompleted"), "COMPLETED", Any, 0, -1, Date, false, ""},
    {flag("TaskTotalWork"), "ESTIMATED-DURATION", Any, 0, -1, Minutes, false, ""},
    {flag("TaskActualWork"), "X-QUENLOCK-ACTUAL-WORK", Any, 0, -1, Number, false, ""},
    {flag("TaskMileage"), "X-QUENLOCK-MILEAGE", Any, 0, -1, Text, false, ""},
    {flag("TaskBillingInformation"), "X-QUENLOCK-BILLING-INFORMATION", Any, 0, -1, Text, false, ""},
    {flag("TaskCompanies"), "X-QUENLOCK-COMPANIES", Any, 0, -1, Text, false, ""},
};

// Every flag of the field table has exactly one line, and no kind has two
// fields of one name, so a field added to the table fails the build here until
// it is mapped.
constexpr bool everyFlagMappedOnce()
{
    for (const FieldTable::Field &flagged : FieldTable::Fields) {
        int rows = 0;
        for (const Field &f : fields)
            rows += f.lookedIn == &flagged;
        if (rows != 1)
            return false;
    }
    for (const Field &a : fields)
        for (const Field &b : fields)
            if (&a != &b && a.item == b.item && FieldTable::Checks::sameText(a.property, b.property))
                return false;
    return true;
}
static_assert(everyFlagMappedOnce());

[[noreturn]] void mismatch() { throw QuenlockError(QStringLiteral("Type mismatch")); }

// TEL types that count when matching; any other TYPE value is ignored.
enum TelBit : quint32 {
    Work = 1, Home = 2, Car = 4, Cell = 8, Fax = 16, Isdn = 32, Pager = 64, Pref = 128,
    Voice = 256, Assistant = 512, Callback = 1024, Company = 2048, Radio = 4096, Telex = 8192,
    TtyTdd = 16384,
};

quint32 telBit(QByteArrayView type, bool outlookForm)
{
    struct Name
    {
        QByteArrayView name;
        quint32 bit;
    };
    static constexpr Name evolution[] = {
        {"WORK", Work}, {"HOME", Home}, {"CAR", Car}, {"CELL", Cell}, {"FAX", Fax},
        {"ISDN", Isdn}, {"PAGER", Pager}, {"PREF", Pref}, {"VOICE", Voice},
        {"X-EVOLUTION-ASSISTANT", Assistant}, {"X-EVOLUTION-CALLBACK", Callback},
        {"X-EVOLUTION-COMPANY", Company}, {"X-EVOLUTION-RADIO", Radio},
        {"X-EVOLUTION-TELEX", Telex}, {"X-EVOLUTION-TTYTDD", TtyTdd}, {"TEXTPHONE", TtyTdd},
    };
    // Outlook writes its extra kinds as X-MS-TEL;TYPE=ASSISTANT and so on.
    static constexpr Name outlook[] = {
        {"ASSISTANT", Assistant}, {"CALLBACK", Callback}, {"COMPANY", Company},
        {"RADIO", Radio}, {"TTYTDD", TtyTdd}, {"VOICE", Voice}, {"PREF", Pref},
    };
    auto lookUp = [&](const auto &names) -> quint32 {
        for (const Name &n : names)
            if (n.name.size() == type.size() && qstrnicmp(type.data(), n.name.data(), type.size()) == 0)
                return n.bit;
        return 0;
    };
    return outlookForm ? lookUp(outlook) : lookUp(evolution);
}

Category telephoneCategory(const ContentLine &line)
{
    const bool outlookForm = line.name == "X-MS-TEL";
    quint32 bits = 0;
    line.forEachType([&](QByteArrayView t) { bits |= telBit(t, outlookForm); });
    if (line.hasParam("PREF")) // vCard 4.0: PREF=1
        bits |= Pref;
    const bool pref = bits & Pref;
    // VOICE is implied by any kind that is not a fax.
    const quint32 kind = bits & ~(Pref | Voice);
    switch (kind) {
    case 0: return outlookForm ? Any : (pref ? TelPrimary : TelOther);
    case Work: return TelBusiness;
    case Home: return TelHome;
    case Work | Fax: return TelBusinessFax;
    case Home | Fax: return TelHomeFax;
    case Fax: return TelOtherFax;
    case Cell: return TelMobile;
    case Car: return TelCar;
    case Pager: return TelPager;
    case Assistant: return TelAssistant;
    case Callback: return TelCallback;
    case Company: return TelCompanyMain;
    case Radio: return TelRadio;
    case TtyTdd: return TelTtyTdd;
    default: return Any;
    }
}

Category addressCategory(const ContentLine &line)
{
    bool work = false, home = false, other = false;
    line.forEachType([&](QByteArrayView t) {
        work = work || t.compare("WORK", Qt::CaseInsensitive) == 0;
        home = home || t.compare("HOME", Qt::CaseInsensitive) == 0;
        other = other || t.compare("OTHER", Qt::CaseInsensitive) == 0;
    });
    if (work)
        return AdrWork;
    if (home)
        return AdrHome;
    if (other)
        return AdrOther;
    return AdrWork; // an address without a kind is the business address
}

Category categoryOf(const ContentLine &line)
{
    if (line.category == -1) {
        Category c = Any;
        if (line.name == "TEL" || line.name == "X-MS-TEL")
            c = telephoneCategory(line);
        else if (line.name == "ADR")
            c = addressCategory(line);
        line.category = qint8(c == Any ? -2 : c);
    }
    return line.category == -2 ? Any : Category(line.category);
}

bool matches(const ContentLine &line, const Field &field)
{
    if (field.category == Any)
        return line.name == field.line;
    if (field.category <= TelTtyTdd) {
        if (line.name != "TEL" && line.name != "X-MS-TEL")
            return false;
    } else if (line.name != "ADR") {
        return false;
    }
    return categoryOf(line) == field.category;
}

// Lines of a document no wrapper takes are read as a contact's.
ItemKind itemKind(const VDocument &doc)
{
    const ItemKinds::Kind *kind = kindOf(doc);
    return kind ? kind->page : Contacts;
}

// Field indexes by the line name they read (TEL also for X-MS-TEL).
const QHash<QByteArray, QList<int>> &fieldsByLine(ItemKind kind)
{
    static const auto tables = [] {
        std::array<QHash<QByteArray, QList<int>>, ItemKinds::Kinds.size()> t;
        for (int i = 0; i < int(std::size(fields)); ++i) {
            auto &table = t[size_t(fields[i].item)];
            table[fields[i].line].append(i);
            if (qstrcmp(fields[i].line, "TEL") == 0)
                table["X-MS-TEL"].append(i);
        }
        return t;
    }();
    return tables[size_t(kind)];
}

// One pass over the item's lines finds the line of every field.
const QList<int> &fieldLines(const VDocument &doc)
{
    QList<int> &lines = doc.fieldLines();
    if (!lines.isEmpty())
        return lines;
    lines.fill(-1, qsizetype(std::size(fields)));
    const auto &byLine = fieldsByLine(itemKind(doc));
    // Lines so far per (line name, category); an item has only a few of each.
    struct Seen
    {
        QByteArrayView name;
        int category;
        int count;
    };
    QVarLengthArray<Seen, 32> seen;
    for (int i : doc.properties()) {
        const ContentLine &l = doc.line(i);
        const auto candidates = byLine.constFind(l.name);
        if (candidates == byLine.constEnd())
            continue;
        const int category = categoryOf(l);
        const QByteArrayView name = l.name == "X-MS-TEL" ? QByteArrayView("TEL") : QByteArrayView(l.name);
        auto it = std::find_if(seen.begin(), seen.end(), [&](const Seen &s) {
            return s.category == category && s.name == name;
        });
        if (it == seen.end()) {
            seen.append({name, category, 0});
            it = seen.end() - 1;
        }
        int &n = it->count;
        for (int f : *candidates)
            if (fields[f].category == category && fields[f].nth == n && lines[f] < 0)
                lines[f] = i;
        ++n;
    }
    return lines;
}

// The field's line, or -1; *count gets the number of matching lines seen.
int locate(const VDocument &doc, const Field &field, int *count = nullptr)
{
    if (!count)
        return fieldLines(doc)[&field - fields];

    int seen = 0;
    for (int i : doc.properties()) {
        if (!matches(doc.line(i), field))
            continue;
        if (seen++ == field.nth)
            return i;
    }
    if (count)
        *count = seen;
    return -1;
}

int lineNamed(const VDocument &doc, const char *name) { return doc.find(name); }

bool isUriValue(const ContentLine &line) { return line.paramValue("VALUE").toUpper() == "URI"; }

// Values written without TEXT escapes still must not break the line.
QString rawValue(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    out.replace(u'\r', QStringLiteral("\\n"));
    out.replace(u'\n', QStringLiteral("\\n"));
    return out;
}

QString readText(VDocument &doc, const Field &field, int index)
{
    const ContentLine &line = doc.line(index);
    QString escaped = doc.escapedValue(line);
    const VText::Dialect dialect = doc.dialect();
    switch (field.value) {
    case Phone: {
        QString v = (dialect == VText::Dialect::VCard40 && !isUriValue(line))
                        ? VText::unescapeText(escaped, dialect, false)
                        : escaped;
        if (v.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            v.remove(0, 4);
        return v;
    }
    case Uri:
        return dialect == VText::Dialect::VCard21 ? escaped
                                                  : VText::unescapeText(escaped, dialect, false);
    default:
        if (field.component >= 0)
            return VText::unescapeText(VText::component(escaped, field.component), dialect, true);
        // In place: a long note is not copied again.
        VText::unescapeInPlace(escaped, dialect, false);
        return escaped;
    }
}

QString escapeFor(const VDocument &doc, const Field &field, const ContentLine *line,
                  const QString &text)
{
    const VText::Dialect dialect = doc.dialect();
    switch (field.value) {
    case Phone: {
        const bool uri = line && (isUriValue(*line) || line->value().toLower().startsWith("tel:"));
        if (uri)
            return QStringLiteral("tel:") + rawValue(text);
        if (dialect == VText::Dialect::VCard40)
            return VText::escapeText(text, dialect, false);
        return dialect == VText::Dialect::VCard21 ? text : rawValue(text);
    }
    case Uri:
        return dialect == VText::Dialect::VCard21 ? text : rawValue(text);
    default:
        return VText::escapeText(text, dialect, field.component >= 0);
    }
}

// The creation parameters in the file's own dialect.
QByteArray createParams(const VDocument &doc, const Field &field)
{
    QByteArray p = field.create;
    if (p.isEmpty())
        return p;
    const QByteArray values = p.mid(p.indexOf('=') + 1);
    switch (doc.dialect()) {
    case VText::Dialect::VCard21:
        return QByteArray(values).replace(',', ';'); // bare types: TEL;WORK;VOICE
    case VText::Dialect::VCard40: {
        if (values == "PREF")
            return "PREF=1";
        if (values == "X-EVOLUTION-TTYTDD")
            return "TYPE=textphone";
        return "TYPE=" + (values.startsWith("X-") ? values : values.toLower());
    }
    default:
        return p;
    }
}

const Field *previousOf(const Field &field)
{
    for (const Field &f : fields)
        if (f.item == field.item && qstrcmp(f.line, field.line) == 0
            && f.category == field.category && f.nth == field.nth - 1
            && f.component == field.component)
            return &f;
    return nullptr;
}

void writeText(VDocument &doc, const Field &field, const QString &text)
{
    int count = 0;
    const int index = locate(doc, field, &count);
    if (index >= 0) {
        const ContentLine &line = doc.line(index);
        if (field.component >= 0) {
            QStringList parts = VText::splitComponents(doc.escapedValue(line));
            while (parts.size() <= field.component)
                parts.append(QString());
            parts[field.component] = escapeFor(doc, field, &line, text);
            bool allEmpty = true;
            for (const QString &p : parts)
                allEmpty = allEmpty && p.isEmpty();
            if (allEmpty && !field.required)
                doc.remove(index);
            else
                doc.setEscapedValue(index, parts.join(u';'));
        } else if (text.isEmpty() && !field.required) {
            doc.remove(index);
        } else {
            doc.setEscapedValue(index, escapeFor(doc, field, &line, text));
        }
        return;
    }
    if (text.isEmpty())
        return;
    if (count < field.nth) {
        // A second number or address needs a first: made now, it would be the first.
        const Field *previous = previousOf(field);
        throw QuenlockError(QStringLiteral("%1 cannot be set while %2 is empty")
                                .arg(QLatin1String(field.property),
                                     QLatin1String(previous ? previous->property : "the field before it")));
    }
    QString value = escapeFor(doc, field, nullptr, text);
    if (field.component >= 0) {
        QStringList parts(qMax<int>(qstrcmp(field.line, "ADR") == 0 ? 7 : 0, field.component + 1));
        parts[field.component] = value;
        value = parts.join(u';');
    }
    doc.insert(field.line, createParams(doc, field), value);
}

// --- dates and durations ---

PimValues::ICalTime timeAt(VDocument &doc, int index) { return PimValues::parseICalTime(doc.line(index)); }

int referenceYear(const PimValues::ICalTime &t)
{
    return t.form == PimValues::ICalTime::Form::Date ? t.date.year() : t.local.date().year();
}

QString appointmentText(const PimValues::ICalTime &t)
{
    return t.form == PimValues::ICalTime::Form::Date ? PimValues::dateText(t.date)
                                                     : PimValues::dateTimeText(t.local);
}

// DTEND, else DTSTART plus DURATION, else the end RFC 5545 3.6.1 implies.
QString readEnd(VDocument &doc)
{
    const int end = lineNamed(doc, "DTEND");
    if (end >= 0)
        return appointmentText(timeAt(doc, end));
    const int start = lineNamed(doc, "DTSTART");
    if (start < 0)
        return {};
    PimValues::ICalTime t = timeAt(doc, start);
    const int duration = lineNamed(doc, "DURATION");
    const qint64 seconds = duration >= 0 ? PimValues::parseDuration(doc.line(duration).value())
                         : t.form == PimValues::ICalTime::Form::Date ? 86400 : 0;
    if (t.form == PimValues::ICalTime::Form::Date)
        t.date = t.date.addDays(seconds / 86400);
    else
        t.local = t.local.addSecs(seconds);
    return appointmentText(t);
}

// Puts what the user typed into a value of the given form. A DATE takes no
// time of day; a date typed for a DATE-TIME keeps keepTime.
void applyTyped(PimValues::ICalTime &t, const PimValues::TypedTime &typed, const QTime &keepTime)
{
    if (t.form == PimValues::ICalTime::Form::Date) {
        if (typed.hasTime && typed.local.time() != QTime(0, 0))
            mismatch();
        t.date = typed.local.date();
        return;
    }
    t.local = typed.hasTime ? typed.local : QDateTime(typed.local.date(), keepTime);
    if (!t.local.isValid())
        mismatch();
}

QByteArray paramsFor(const PimValues::ICalTime &t)
{
    if (t.form == PimValues::ICalTime::Form::Date)
        return "VALUE=DATE";
    if (t.form == PimValues::ICalTime::Form::Zoned)
        return "TZID=" + t.tzid;
    return {};
}

QByteArray formatDuration(qint64 seconds)
{
    if (seconds % 86400 == 0)
        return "P" + QByteArray::number(seconds / 86400) + 'D';
    QByteArray out = "PT";
    if (seconds >= 3600)
        out += QByteArray::number(seconds / 3600) + 'H';
    if (seconds % 3600 >= 60)
        out += QByteArray::number(seconds % 3600 / 60) + 'M';
    if (seconds % 60)
        out += QByteArray::number(seconds % 60) + 'S';
    return out;
}

void writeDateTime(VDocument &doc, const Field &field, const QString &text, bool taskDate)
{
    const QByteArray name = field.line;
    if (text.trimmed().isEmpty()) {
        if (field.required)
            mismatch();
        const int index = lineNamed(doc, name);
        if (index >= 0)
            doc.remove(index);
        return;
    }
    const int index = lineNamed(doc, name);
    if (index >= 0) {
        PimValues::ICalTime t = timeAt(doc, index);
        const PimValues::TypedTime typed = PimValues::parseTyped(text, referenceYear(t));
        applyTyped(t, typed, t.local.time());
        doc.setEscapedValue(index, QString::fromLatin1(PimValues::formatICalTime(t)));
        return;
    }
    const int start = lineNamed(doc, "DTSTART");
    if (name == "DTEND" && start >= 0 && lineNamed(doc, "DURATION") >= 0) {
        // The event keeps its DURATION form: the new end becomes a new duration.
        const PimValues::ICalTime s = timeAt(doc, start);
        PimValues::ICalTime e = s;
        applyTyped(e, PimValues::parseTyped(text, referenceYear(s)), QTime(0, 0));
        const qint64 seconds = s.form == PimValues::ICalTime::Form::Date
                                   ? s.date.daysTo(e.date) * 86400
                                   : s.local.secsTo(e.local);
        if (seconds < 0)
            mismatch();
        doc.setEscapedValue(lineNamed(doc, "DURATION"), QString::fromLatin1(formatDuration(seconds)));
        return;
    }
    // A new line takes the form of its partner (DTSTART and DTEND or DUE
    // share one form); COMPLETED is always UTC.
    PimValues::ICalTime t;
    t.form = taskDate ? PimValues::ICalTime::Form::Date : PimValues::ICalTime::Form::Utc;
    const char *partner = name == "DTSTART" ? (taskDate ? "DUE" : "DTEND") : "DTSTART";
    const int other = lineNamed(doc, partner);
    if (name == "COMPLETED") {
        t.form = PimValues::ICalTime::Form::Utc;
    } else if (other >= 0) {
        const PimValues::ICalTime o = timeAt(doc, other);
        t.form = o.form;
        t.tzid = o.tzid;
    }
    applyTyped(t, PimValues::parseTyped(text, QDate::currentDate().year()), QTime(0, 0));
    doc.insert(name, paramsFor(t), QString::fromLatin1(PimValues::formatICalTime(t)));
}

// Another text for the instant the field holds (a month name in other
// letters, a time typed for an all-day date's midnight) changes nothing: a
// write must not give the item a line it did not have, such as a DTEND.
bool sameInstant(const QString &typed, const QString &current)
{
    if (typed.trimmed().isEmpty() || current.isEmpty())
        return false;
    try {
        const int year = QDate::currentDate().year();
        const PimValues::TypedTime a = PimValues::parseTyped(typed, year);
        const PimValues::TypedTime b = PimValues::parseTyped(current, year);
        if (a.local.date() != b.local.date())
            return false;
        if (!a.hasTime) // a date typed for a date-time keeps its time of day
            return true;
        return a.local.time() == (b.hasTime ? b.local.time() : QTime(0, 0));
    } catch (const QuenlockError &) {
        return false;
    }
}

QString readValue(VDocument &doc, const Field &field)
{
    switch (field.value) {
    case DateTime: {
        if (qstrcmp(field.line, "DTEND") == 0)
            return readEnd(doc);
        const int index = lineNamed(doc, field.line);
        return index < 0 ? QString() : appointmentText(timeAt(doc, index));
    }
    case Date: {
        const int index = lineNamed(doc, field.line);
        if (index < 0)
            return {};
        const PimValues::ICalTime t = timeAt(doc, index);
        return PimValues::dateText(t.form == PimValues::ICalTime::Form::Date ? t.date
                                                                              : t.local.date());
    }
    case Minutes: {
        const int index = lineNamed(doc, field.line);
        if (index < 0)
            return {};
        return QString::number(PimValues::parseDuration(doc.line(index).value()) / 60);
    }
    case Number: {
        const int index = locate(doc, field);
        if (index < 0)
            return {};
        const QString text = readText(doc, field, index).trimmed();
        try {
            return QString::number(PimValues::parseNumber(text));
        } catch (const QuenlockError &) {
            return text; // not ours: shown as it stands
        }
    }
    default: {
        const int index = locate(doc, field);
        return index < 0 ? QString() : readText(doc, field, index);
    }
    }
}
} // namespace

const Field *findByName(ItemKind item, const QString &property);

const ItemKinds::Kind *kindOf(const VDocument &doc)
{
    if (doc.kind() == VDocument::Kind::DistList)
        return nullptr;
    const QByteArray component = doc.component();
    for (const ItemKinds::Kind &kind : ItemKinds::Kinds)
        if (component == kind.component)
            return &kind;
    return nullptr;
}

const Field *begin() { return std::begin(fields); }
const Field *end() { return std::end(fields); }

const Field *find(ItemKind item, const QString &property)
{
    // A run asks for the same few names, held in the same strings, for every
    // item: those are remembered by address. The copy kept here holds the
    // string's buffer, so no other text can come to live at that address.
    // Static and raw strings (no buffer of their own) are not remembered.
    struct Recent
    {
        QString name;
        const Field *field = nullptr;
    };
    static std::array<std::array<Recent, 256>, ItemKinds::Kinds.size()> recent;
    const bool owned = property.capacity() > 0;
    const quint64 hash = quint64(quintptr(property.constData())) * 0x9E3779B97F4A7C15ull;
    Recent &slot = recent[size_t(item)][hash >> 56];
    if (owned && slot.field && slot.name.constData() == property.constData()
        && slot.name.size() == property.size())
        return slot.field;
    const Field *f = findByName(item, property);
    if (owned && f)
        slot = {property, f};
    return f;
}

const Field *findByName(ItemKind item, const QString &property)
{
    // Callers spell the names as the table does; other spellings are rare.
    static const auto exact = [] {
        std::array<QHash<QString, const Field *>, ItemKinds::Kinds.size()> h;
        for (const Field &f : fields)
            h[size_t(f.item)].insert(QLatin1String(f.property), &f);
        return h;
    }();
    if (const Field *f = exact[size_t(item)].value(property))
        return f;
    for (const Field &f : fields)
        if (f.item == item && property.compare(QLatin1String(f.property), Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

void locateFields(const VDocument &doc) { fieldLines(doc); }

QString read(VDocument &doc, const Field &field) { return readValue(doc, field); }

void write(VDocument &doc, const Field &field, const QString &text)
{
    const QString current = readValue(doc, field);
    if (text == current)
        return;
    switch (field.value) {
    case DateTime:
    case Date:
        if (!sameInstant(text, current))
            writeDateTime(doc, field, text, field.value == Date);
        return;
    case Minutes:
    case Number: {
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty()) {
            writeText(doc, field, QString());
            return;
        }
        const qint32 n = PimValues::parseNumber(trimmed);
        if (field.value == Number) {
            writeText(doc, field, QString::number(n));
            return;
        }
        const QString duration = QString::fromLatin1(PimValues::formatMinutes(n));
        const int index = lineNamed(doc, field.line);
        if (index >= 0)
            doc.setEscapedValue(index, duration);
        else
            doc.insert(field.line, {}, duration);
        return;
    }
    default:
        writeText(doc, field, text);
    }
}

QString fullNameAndCompany(VDocument &doc)
{
    const QString name = read(doc, *find(ItemKind::Contacts, QStringLiteral("Subject")));
    const QString company = read(doc, *find(ItemKind::Contacts, QStringLiteral("CompanyName")));
    if (company.isEmpty())
        return name;
    if (name.isEmpty())
        return company;
    return name + QStringLiteral(" (") + company + u')';
}

void touchRevision(VDocument &doc)
{
    const bool card = doc.dialect() != VText::Dialect::ICalendar;
    const int index = doc.find(card ? QByteArray("REV") : QByteArray("LAST-MODIFIED"));
    if (index < 0)
        return;
    const QByteArray old = doc.line(index).value().trimmed();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const bool extended = old.contains('-');
    QString value;
    if (!old.contains('T'))
        value = now.toString(extended ? u"yyyy-MM-dd" : u"yyyyMMdd");
    else
        value = now.toString(extended ? u"yyyy-MM-dd'T'HH:mm:ss'Z'" : u"yyyyMMdd'T'HHmmss'Z'");
    doc.setEscapedValue(index, value);
}

} // namespace PimFields
