// SPDX-License-Identifier: MIT
// Dates, times, durations and numbers as the user reads and types them.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

struct ContentLine;

namespace PimValues {

// The user's locale, QLocale::system(); dates and times use its short format.
const QLocale &locale();

// An iCalendar DATE or DATE-TIME value and the form it is written in.
struct ICalTime
{
    enum class Form : quint8 { Date, Utc, Zoned, Floating };
    Form form = Form::Date;
    QDate date;          // for Date
    QDateTime local;     // for the others, in local time
    QByteArray tzid;     // for Zoned
};

// Throws "Type mismatch" on a malformed value and a clear error on a TZID that
// names no known zone.
ICalTime parseICalTime(const ContentLine &line);
// The value text in the same form (date, UTC, zone, floating).
QByteArray formatICalTime(const ICalTime &time);

QString dateText(const QDate &date);
QString dateTimeText(const QDateTime &local);

// What the user typed: a date with or without a time of day, in local time.
struct TypedTime
{
    QDateTime local;
    bool hasTime = false;
};
// Parses the short date-time or the short date format. A two-digit year
// lands in the century nearest referenceYear. Throws "Type mismatch".
TypedTime parseTyped(const QString &text, int referenceYear);

// RFC 5545 durations (P1W, PT1H30M, -P2D) in seconds; throws "Type mismatch".
qint64 parseDuration(const QByteArray &text);
QByteArray formatMinutes(qint64 minutes);

// A whole number in plain decimal, or "Type mismatch" / "Overflow".
qint32 parseNumber(const QString &text);

} // namespace PimValues
