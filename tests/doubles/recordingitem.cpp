// SPDX-License-Identifier: MIT
#include "recordingitem.h"

#include <QDateTime>

namespace {
const QString DateFormat = QStringLiteral("yyyy-MM-dd");
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm");

QString toText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(DateFormat);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(DateTimeFormat);
    case QMetaType::Double:
        return QString::number(value.toDouble());
    default:
        return value.toString();
    }
}

QVariant fromText(const QVariant &old, const QString &text)
{
    const QString mismatch = QStringLiteral("Type mismatch");
    switch (old.typeId()) {
    case QMetaType::QDate: {
        const QDate date = QDate::fromString(text, DateFormat);
        if (!date.isValid())
            throw QuenlockError(mismatch);
        return date;
    }
    case QMetaType::QDateTime: {
        const QDateTime time = QDateTime::fromString(text, DateTimeFormat);
        if (!time.isValid())
            throw QuenlockError(mismatch);
        return time;
    }
    case QMetaType::Double: {
        bool ok = false;
        const double number = text.toDouble(&ok);
        if (!ok)
            throw QuenlockError(mismatch);
        return number;
    }
    default:
        return text;
    }
}
} // namespace

QString RecordingItem::read(const QString &property)
{
    m_timeline << QStringLiteral("read ") + property;
    if (failReading.contains(property))
        throw QuenlockError(QStringLiteral("Cannot read ") + property);
    return toText(values.value(property, QString()));
}

void RecordingItem::write(const QString &property, const QString &text)
{
    m_timeline << QStringLiteral("write %1=%2").arg(property, text);
    if (failWriting.contains(property))
        throw QuenlockError(QStringLiteral("Cannot write ") + property);
    values.insert(property, fromText(values.value(property, QString()), text));
}

QString RecordingItem::EntryID()
{
    m_timeline << QStringLiteral("EntryID");
    if (failEntryId)
        throw QuenlockError(QStringLiteral("The item has no entry id"));
    return entryId;
}

QString RecordingItem::Subject()
{
    m_timeline << QStringLiteral("Subject");
    if (failReading.contains(QStringLiteral("Subject()")))
        throw QuenlockError(QStringLiteral("Cannot read the subject"));
    return values.value(QStringLiteral("Subject")).toString();
}

QStringList RecordingItem::writes() const
{
    QStringList out;
    for (const QString &event : m_timeline)
        if (event.startsWith(QLatin1String("write ")))
            out << event.mid(6);
    return out;
}
