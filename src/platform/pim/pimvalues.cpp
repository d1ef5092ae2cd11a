// SPDX-License-Identifier: MIT
#include "pimvalues.h"

#include "quenlockerror.h"
#include "textnumber.h"
#include "vdocument.h"

#include <QTimeZone>

namespace PimValues {

namespace {
[[noreturn]] void mismatch() { throw QuenlockError(QStringLiteral("Type mismatch")); }

bool digits(const QByteArray &t, qsizetype from, qsizetype count, int *out)
{
    int v = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (i >= t.size() || t.at(i) < '0' || t.at(i) > '9')
            return false;
        v = v * 10 + (t.at(i) - '0');
    }
    *out = v;
    return true;
}

// TZID values are IANA names, Windows names (Outlook) or IANA names behind a
// vendor prefix ("/mozilla.org/20050126_1/Europe/Berlin").
QTimeZone zoneFor(const QByteArray &tzid)
{
    QTimeZone zone(tzid);
    if (zone.isValid())
        return zone;
    const QByteArray iana = QTimeZone::windowsIdToDefaultIanaId(tzid);
    if (!iana.isEmpty() && QTimeZone(iana).isValid())
        return QTimeZone(iana);
    for (qsizetype slash = tzid.indexOf('/'); slash >= 0; slash = tzid.indexOf('/', slash + 1)) {
        QTimeZone tail(tzid.mid(slash + 1));
        if (tail.isValid())
            return tail;
    }
    return {};
}

bool twoDigitYear(const QString &format)
{
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

// Qt reads "yy" as 19yy; put the year in the century nearest the reference.
QDate nearestCentury(const QDate &date, int referenceYear)
{
    const int two = ((date.year() % 100) + 100) % 100;
    const int base = referenceYear - ((referenceYear % 100) + 100) % 100;
    int best = base + two;
    for (int candidate : {base - 100 + two, base + 100 + two})
        if (qAbs(candidate - referenceYear) < qAbs(best - referenceYear))
            best = candidate;
    return QDate(best, date.month(), date.day());
}
} // namespace

const QLocale &locale()
{
    static const QLocale system = QLocale::system();
    return system;
}

ICalTime parseICalTime(const ContentLine &line)
{
    const QByteArray v = line.value().trimmed();
    ICalTime t;
    int y, mo, d, h = 0, mi = 0, s = 0;
    if (!digits(v, 0, 4, &y) || !digits(v, 4, 2, &mo) || !digits(v, 6, 2, &d))
        mismatch();
    const QDate date(y, mo, d);
    if (!date.isValid())
        mismatch();
    if (v.size() == 8) {
        t.form = ICalTime::Form::Date;
        t.date = date;
        return t;
    }
    if (v.size() < 15 || v.at(8) != 'T' || !digits(v, 9, 2, &h) || !digits(v, 11, 2, &mi)
        || !digits(v, 13, 2, &s))
        mismatch();
    const QTime time(h, mi, qMin(s, 59)); // a leap second reads as :59
    if (!time.isValid())
        mismatch();
    if (v.size() == 16 && v.at(15) == 'Z') {
        t.form = ICalTime::Form::Utc;
        t.local = QDateTime(date, time, QTimeZone::utc()).toLocalTime();
    } else if (v.size() != 15) {
        mismatch();
    } else if (line.hasParam("TZID")) {
        t.form = ICalTime::Form::Zoned;
        t.tzid = line.paramValue("TZID");
        const QTimeZone zone = zoneFor(t.tzid);
        if (!zone.isValid())
            throw QuenlockError(QStringLiteral("The time zone \"%1\" is not known")
                                    .arg(QString::fromUtf8(t.tzid)));
        t.local = QDateTime(date, time, zone).toLocalTime();
    } else {
        t.form = ICalTime::Form::Floating;
        t.local = QDateTime(date, time);
    }
    return t;
}

QByteArray formatICalTime(const ICalTime &t)
{
    switch (t.form) {
    case ICalTime::Form::Date:
        return t.date.toString(u"yyyyMMdd").toLatin1();
    case ICalTime::Form::Utc:
        return t.local.toUTC().toString(u"yyyyMMdd'T'HHmmss'Z'").toLatin1();
    case ICalTime::Form::Zoned:
        return t.local.toTimeZone(zoneFor(t.tzid)).toString(u"yyyyMMdd'T'HHmmss").toLatin1();
    case ICalTime::Form::Floating:
        return t.local.toString(u"yyyyMMdd'T'HHmmss").toLatin1();
    }
    return {};
}

QString dateText(const QDate &date) { return locale().toString(date, QLocale::ShortFormat); }

QString dateTimeText(const QDateTime &local)
{
    return locale().toString(local, QLocale::ShortFormat);
}

TypedTime parseTyped(const QString &text, int referenceYear)
{
    const QString t = text.trimmed();
    TypedTime typed;
    const QString dtFormat = locale().dateTimeFormat(QLocale::ShortFormat);
    QDateTime dt = locale().toDateTime(t, dtFormat);
    if (dt.isValid()) {
        typed.hasTime = true;
        if (twoDigitYear(dtFormat))
            dt = QDateTime(nearestCentury(dt.date(), referenceYear), dt.time());
        typed.local = dt;
        return typed;
    }
    const QString dFormat = locale().dateFormat(QLocale::ShortFormat);
    QDate date = locale().toDate(t, dFormat);
    if (!date.isValid())
        mismatch();
    if (twoDigitYear(dFormat))
        date = nearestCentury(date, referenceYear);
    typed.local = QDateTime(date, QTime(0, 0));
    return typed;
}

qint64 parseDuration(const QByteArray &raw)
{
    const QByteArray t = raw.trimmed().toUpper();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == '+' || t.at(i) == '-'))
        negative = t.at(i++) == '-';
    if (i >= t.size() || t.at(i++) != 'P')
        mismatch();
    qint64 total = 0;
    bool inTime = false, any = false;
    while (i < t.size()) {
        if (t.at(i) == 'T') {
            inTime = true;
            ++i;
            continue;
        }
        qint64 n = 0;
        const qsizetype start = i;
        while (i < t.size() && t.at(i) >= '0' && t.at(i) <= '9' && i - start < 12)
            n = n * 10 + (t.at(i++) - '0');
        if (i == start || i >= t.size())
            mismatch();
        const char unit = t.at(i++);
        qint64 seconds = 0;
        if (!inTime && unit == 'W') seconds = 7 * 86400;
        else if (!inTime && unit == 'D') seconds = 86400;
        else if (inTime && unit == 'H') seconds = 3600;
        else if (inTime && unit == 'M') seconds = 60;
        else if (inTime && unit == 'S') seconds = 1;
        else mismatch();
        // Twelve digits of weeks, many times over, pass any sane duration:
        // stop at an overflow rather than wrap.
        if (__builtin_mul_overflow(n, seconds, &seconds) || __builtin_add_overflow(total, seconds, &total))
            throw QuenlockError(QStringLiteral("Overflow"));
        any = true;
    }
    if (!any)
        mismatch();
    return negative ? -total : total;
}

QByteArray formatMinutes(qint64 minutes)
{
    if (minutes < 0)
        return "-PT" + QByteArray::number(-minutes) + 'M';
    return "PT" + QByteArray::number(minutes) + 'M';
}

qint32 parseNumber(const QString &text) { return textToLong(text); }

} // namespace PimValues
