// SPDX-License-Identifier: MIT
// One output record of the host: named fields in a fixed order, each with the
// value a script reads (JSON) and the text a person reads (a tab-separated
// column, a table cell). Every command and the changes table write through it,
// so every field is escaped one way.
#pragma once

#include <QAbstractTableModel>
#include <QJsonValue>
#include <QList>
#include <QString>

struct PlannedChange;

class Record
{
public:
    struct Field
    {
        QString key;
        QJsonValue json; // undefined: not in the JSON object
        QString text;
        bool inText = true; // a column of the tab-separated line
    };

    // The same value in both forms.
    Record &add(const QString &key, const QString &text);
    Record &add(const QString &key, qint64 number);
    // A value whose JSON differs from its text (a flag, a list).
    Record &add(const QString &key, const QJsonValue &json, const QString &text);
    // In the JSON object and the window's table only.
    Record &hidden(const QString &key, const QString &text);
    // In the text line and the window's table only.
    Record &textOnly(const QString &key, const QString &text);

    const Field *find(const QString &key) const;
    QList<Field> fields;
};

namespace RecordWriter {
// A backslash, tab or line break as \\, \t, \n, \r: one record is one line.
QString escaped(const QString &text);
// The text fields, escaped, joined by tabs; no line end.
QString tabSeparated(const Record &record);
// One JSON object, keys in the record's order; no line end.
QString jsonLine(const Record &record);
// Writes the record as one line in the form asked for.
QString line(const Record &record, bool asJson);
} // namespace RecordWriter

// A field a run changes or an undo gives back, as people and scripts read it:
// the item's name and the field's caption for people, the item's file and the
// field's property name for scripts; a body's values as their text for people.
Record changeRecord(const PlannedChange &change);

// Records as a table for the window: one column per key given, its cells one
// line each (line breaks shown as the terminal shows them), the whole text in
// the tool tip.
class RecordModel final : public QAbstractTableModel
{
public:
    struct Column
    {
        QString key, header;
    };
    RecordModel(QList<Column> columns, QList<Record> records, QObject *parent);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<Column> m_columns;
    QList<Record> m_records;
};
