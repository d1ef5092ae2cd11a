// SPDX-License-Identifier: MIT
// Fuzz target: the vCard/iCalendar codec of the data layer. Whatever the
// bytes, parsing never crashes. A parsed item reads every field the wrappers
// map; writing back the text each read gave leaves the file byte for byte as
// it was read; writing changed texts gives a file that parses again and reads
// as the item in memory did. A refused write changes nothing.
#include "pimfields.h"
#include "pimvalues.h"
#include "quenlockerror.h"
#include "rtftext.h"
#include "vdocument.h"

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

using PimFields::Field;
using PimFields::ItemKind;

namespace {

// Bytes as a C string literal would spell them, line ends and all.
QByteArray spelled(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        if (c == '\\' || c == '"')
            out += '\\' + QByteArray(1, c);
        else if (c >= 0x20 && c < 0x7F)
            out += c;
        else
            out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        if (c == '\n')
            out += "\"\n\"";
    }
    return '"' + out + '"';
}

[[noreturn]] void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "fuzz_codec: %s\n%s\n", what, spelled(detail).constData());
    std::abort();
}

QList<const Field *> mappedFields(ItemKind kind)
{
    QList<const Field *> out;
    for (const Field *f = PimFields::begin(); f != PimFields::end(); ++f)
        if (f->item == kind)
            out.append(f);
    return out;
}

// The file a save would write.
QByteArray serialise(const VDocument &doc)
{
    QByteArray out;
    for (QByteArrayView piece : doc.pieces())
        out += piece;
    return out;
}

bool isBody(const Field &f) { return qstrcmp(f.property, "Body") == 0; }

// nullopt when the field cannot be read (an unknown character set or zone).
std::optional<QString> readField(VDocument &doc, const Field &f)
{
    try {
        return PimFields::read(doc, f);
    } catch (const QuenlockError &) {
        return std::nullopt;
    }
}

// A refused write ("Type mismatch" and the like) must leave the item as it was.
void writeField(VDocument &doc, const Field &f, const QString &text)
{
    const QByteArray before = serialise(doc);
    try {
        PimFields::write(doc, f, text);
    } catch (const QuenlockError &e) {
        if (serialise(doc) != before)
            fail("a refused write changed the item", QByteArray(f.property) + ": " + e.what());
    }
}

// What every readable field reads, in table order; null strings for the rest.
QList<QString> readAll(VDocument &doc, const QList<const Field *> &fields)
{
    QList<QString> values;
    for (const Field *f : fields)
        values.append(readField(doc, *f).value_or(QString()));
    return values;
}

// Each field gets the text it read, the body also through RTFBody as the
// wrappers make and take it: nothing may change.
void writeBackUnchanged(VDocument &doc, const QByteArray &input, const QList<const Field *> &fields)
{
    for (const Field *f : fields) {
        const std::optional<QString> text = readField(doc, *f);
        if (!text)
            continue;
        writeField(doc, *f, *text);
        if (isBody(*f)) {
            const std::optional<QString> plain = RtfText::toPlainText(RtfText::fromPlainText(*text));
            if (plain != text)
                fail("the body does not survive text to RTF to text", text->toUtf8());
            writeField(doc, *f, *plain);
        }
    }
    if (doc.isModified() || serialise(doc) != input)
        fail("writing back what was read changed the item", serialise(doc));
}

// A different text for a field, chosen by pick: one that needs escaping,
// folding or quoted-printable, one that does not convert, or nothing.
QString changedText(const Field &f, const QString &old, const QByteArray &input, quint32 pick)
{
    const QDate date(2027, 3, 28); // the night clocks go forward in Europe
    const QString texts[] = {
        old + QString::fromUtf8(" \xC3\xA9;,\\:\"\n\r\nx"),
        QStringLiteral("(458) 555-0101"),
        old.left(old.size() / 2),
        QString(70, u'w') + QString::fromUtf8("\xE2\x82\xAC\xF0\x9F\x98\x80") + old,
        QString::fromUtf8(input.right(pick % 32)),
        QString(),
    };
    const QString numbers[] = {QStringLiteral("42"), QStringLiteral("-7"), QStringLiteral("2147483647"),
                               QStringLiteral("99999999999"), old + u'0', QStringLiteral("1.5")};
    const QString dates[] = {PimValues::dateText(date),
                             PimValues::dateTimeText(QDateTime(date, QTime(2, 30))),
                             PimValues::dateTimeText(QDateTime(date.addDays(-1), QTime(23, 59))),
                             old.left(old.size() - 1), QStringLiteral("31/02/x"), QString()};
    switch (f.value) {
    case PimFields::Value::Minutes:
    case PimFields::Value::Number: return numbers[pick % std::size(numbers)];
    case PimFields::Value::Date:
    case PimFields::Value::DateTime: return dates[pick % std::size(dates)];
    default: return texts[pick % std::size(texts)];
    }
}

// Writes a changed text into every field, then saves as a run does: the file
// must parse again, serialise as it was written and read as the item did.
void writeChanged(VDocument &doc, const QByteArray &input, const QList<const Field *> &fields)
{
    quint32 pick = qHash(input, 0);
    for (const Field *f : fields) {
        writeField(doc, *f, changedText(*f, readField(doc, *f).value_or(QString()), input, pick));
        pick = pick * 1103515245u + 12345u;
    }
    PimFields::touchRevision(doc);
    const QByteArray written = serialise(doc);
    std::optional<VDocument> again;
    try {
        again.emplace(written);
    } catch (const QuenlockError &e) {
        fail("a changed item does not parse again", QByteArray(e.what()) + "\n" + written);
    }
    if (again->kind() != doc.kind() || serialise(*again) != written)
        fail("a changed item reads back as another item", written);
    const QList<QString> inMemory = readAll(doc, fields), onDisk = readAll(*again, fields);
    for (qsizetype i = 0; i < fields.size(); ++i)
        if (onDisk[i] != inMemory[i])
            fail("a changed item reads back another value",
                 QByteArray(fields[i]->property) + ": " + inMemory[i].toUtf8() + "\nread back: "
                     + onDisk[i].toUtf8() + "\nwritten:\n" + written);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A zone with summer time, unless the caller chose one.
    setenv("TZ", "Europe/Berlin", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    std::optional<VDocument> doc;
    try {
        doc.emplace(input);
    } catch (const QuenlockError &) {
        return 0; // not an item: the layer shows it as unreadable
    }
    if (serialise(*doc) != input)
        fail("an unchanged item does not serialise as read");
    // Group cards and journal entries have no wrapper.
    const ItemKinds::Kind *kind = PimFields::kindOf(*doc);
    if (!kind)
        return 0;
    const QList<const Field *> fields = mappedFields(kind->page);
    if (kind->page == ItemKind::Contacts) {
        try {
            PimFields::fullNameAndCompany(*doc);
        } catch (const QuenlockError &) {
        }
    }
    writeBackUnchanged(*doc, input, fields);
    writeChanged(*doc, input, fields);
    return 0;
}
