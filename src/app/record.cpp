// SPDX-License-Identifier: MIT
#include "record.h"

#include "fieldtable.h"
#include "rtftext.h"
#include "runjournal.h"
#include "safeitem.h"

#include <QJsonArray>
#include <QJsonDocument>

Record &Record::add(const QString &key, const QString &text) { return add(key, QJsonValue(text), text); }

Record &Record::add(const QString &key, qint64 number)
{
    return add(key, QJsonValue(number), QString::number(number));
}

Record &Record::add(const QString &key, const QJsonValue &json, const QString &text)
{
    fields.append({key, json, text, true});
    return *this;
}

Record &Record::hidden(const QString &key, const QString &text)
{
    fields.append({key, QJsonValue(text), text, false});
    return *this;
}

Record &Record::textOnly(const QString &key, const QString &text)
{
    fields.append({key, QJsonValue(QJsonValue::Undefined), text, true});
    return *this;
}

const Record::Field *Record::find(const QString &key) const
{
    for (const Field &field : fields)
        if (field.key == key)
            return &field;
    return nullptr;
}

QString RecordWriter::escaped(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': result += QLatin1String("\\\\"); break;
        case u'\t': result += QLatin1String("\\t"); break;
        case u'\n': result += QLatin1String("\\n"); break;
        case u'\r': result += QLatin1String("\\r"); break;
        default: result += c;
        }
    }
    return result;
}

QString RecordWriter::tabSeparated(const Record &record)
{
    QStringList columns;
    for (const Record::Field &field : record.fields)
        if (field.inText)
            columns << escaped(field.text);
    return columns.join(u'\t');
}

namespace {
// One value as compact JSON: a one-element array with its brackets cut.
QString compact(const QJsonValue &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}
} // namespace

QString RecordWriter::jsonLine(const Record &record)
{
    QStringList members;
    for (const Record::Field &field : record.fields)
        if (!field.json.isUndefined())
            members << compact(field.key) + u':' + compact(field.json);
    return u'{' + members.join(u',') + u'}';
}

QString RecordWriter::line(const Record &record, bool asJson)
{
    return asJson ? jsonLine(record) : tabSeparated(record);
}

namespace {
// The field chooser's caption of a property, for changes that came without one.
QString captionOf(const QString &property)
{
    const FieldTable::Field *field = FieldTable::byProperty(FieldTable::Fields, property);
    return field ? QString::fromLatin1(field->caption) : property;
}
} // namespace

Record changeRecord(const PlannedChange &c)
{
    // The undo record of a body holds its rich text; people read its text.
    const bool body = BodyField::isBody(c.field);
    auto text = [body](const QString &value) { return body ? RtfText::toPlainText(value).value_or(value) : value; };
    Record record;
    record.add(QStringLiteral("store"), c.storeId).add(QStringLiteral("folder"), c.folderEntryId);
    record.hidden(QStringLiteral("item"), c.itemEntryId);
    record.add(QStringLiteral("name"), c.itemName.isEmpty() ? c.itemEntryId : c.itemName);
    record.hidden(QStringLiteral("field"), c.field);
    record.add(QStringLiteral("caption"), c.caption.isEmpty() ? captionOf(c.field) : c.caption);
    record.add(QStringLiteral("old"), QJsonValue(c.oldValue), text(c.oldValue));
    record.add(QStringLiteral("new"), QJsonValue(c.newValue), text(c.newValue));
    return record;
}

RecordModel::RecordModel(QList<Column> columns, QList<Record> records, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_records(std::move(records))
{
}

int RecordModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_records.size()); }

int RecordModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QVariant RecordModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Record::Field *field = m_records.at(index.row()).find(m_columns.at(index.column()).key);
    const QString text = field ? field->text : QString();
    if (role == Qt::ToolTipRole)
        return text.size() > 2000 ? text.left(2000) + QStringLiteral("...") : text;
    return QString(text).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= m_columns.size())
        return {};
    return m_columns.at(section).header;
}
