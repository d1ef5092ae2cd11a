// SPDX-License-Identifier: MIT
// One vCard or iCalendar file as its content lines, kept byte for byte.
#pragma once

#include "vtext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

// One logical (unfolded) line. Its bytes in the file are either the range
// [begin, end) of the original text or, once rewritten, `own`.
struct ContentLine
{
    qsizetype begin = 0;
    qsizetype end = 0;
    QByteArray own;
    bool rewritten = false;
    bool removed = false;
    QByteArray nameRaw;           // as written, group included ("item1.TEL")
    QByteArray name;              // upper case, without group
    QList<QByteArray> params;     // as written, without the ";"
    QByteArray eol;               // terminator of its last physical line
    mutable qint8 category = -1;  // cached classification (telephone or address kind)

    // The value is not copied when the line is read: a PHOTO or a long note
    // that nothing asks for costs nothing beyond the file's own buffer.
    // valueAt points into the text the line was read from (the document's
    // file, or `own`), which lives as long as the line.
    const char *valueAt = nullptr;
    qsizetype valueSize = 0; // up to the end of the last physical line's text
    // Up to the end of the line, its terminator included: unfolding needs it
    // to see a last physical line that is empty (after a soft break).
    qsizetype valueSpan = 0;
    bool folded = false;     // the value goes on over more than one physical line
    bool softBreaks = false; // quoted-printable: a line ending in "=" goes on with the next
    bool crOnly = false;     // physical lines end in a lone CR

    // Unfolded, still encoded: a view of the text read when on one
    // physical line, else unfolded on first use.
    const QByteArray &value() const;
    // The value decoded as UTF-8 straight from the text read (no unfolded
    // copy in between).
    QString utf8Value() const;
    // For a removed line: its value pointed into `own`.
    void forgetValue();

    // TYPE values, bare 2.1 types included, upper case and unquoted.
    QList<QByteArray> types() const;
    // Calls f(value) for each TYPE value as written (no copy, no case change).
    template <class F>
    void forEachType(F f) const;
    bool hasParam(const char *name) const;
    QByteArray paramValue(const char *name) const; // first value, unquoted
    bool isQuotedPrintable() const;

private:
    mutable QByteArray m_value;
    mutable bool m_valueMade = false;
};

template <class F>
void ContentLine::forEachType(F f) const
{
    for (const QByteArray &p : params) {
        QByteArrayView values(p);
        const qsizetype eq = values.indexOf('=');
        if (eq >= 0) {
            const QByteArrayView key = values.first(eq).trimmed();
            if (key.size() != 4 || qstrnicmp(key.data(), "TYPE", 4) != 0)
                continue;
            values = values.sliced(eq + 1);
        }
        // "work,voice", work,voice or a bare 2.1 type; quotes do not count.
        qsizetype start = 0;
        for (qsizetype i = 0; i <= values.size(); ++i) {
            if (i == values.size() || values[i] == ',') {
                QByteArrayView v = values.sliced(start, i - start).trimmed();
                while (!v.isEmpty() && v.front() == '"')
                    v = v.sliced(1);
                while (!v.isEmpty() && v.back() == '"')
                    v.chop(1);
                if (!v.isEmpty())
                    f(v);
                start = i + 1;
            }
        }
    }
}

// The item inside a file: a vCard, or the main event, task or journal entry of
// an iCalendar object (the first one without RECURRENCE-ID). Properties are
// the item's own lines; an alarm's lines are not among them.
class VDocument
{
public:
    enum class Kind : quint8 { Contact, DistList, Event, Task, Journal };

    // Throws QuenlockError with the reason when the text holds no item.
    explicit VDocument(QByteArray raw);

    Kind kind() const { return m_kind; }
    // The name of the item's component: "VCARD", "VEVENT", "VTODO", "VJOURNAL".
    QByteArray component() const;
    VText::Dialect dialect() const { return m_dialect; }
    bool isModified() const { return m_modified; }
    // The events, tasks and journal entries of a calendar file, counted by
    // their distinct UIDs (a series and its exceptions are one).
    int calendarItems() const { return m_calendarItems; }

    // Indexes of the item's property lines, in file order.
    const QList<int> &properties() const { return m_properties; }
    ContentLine &line(int index) { return m_lines[size_t(index)]; }
    const ContentLine &line(int index) const { return m_lines[size_t(index)]; }
    // First property line with this name, or -1.
    int find(QByteArrayView name) const;

    // The value as text with its escapes: quoted-printable and character set
    // undone. Throws when the character set is unknown.
    QString escapedValue(const ContentLine &line) const;
    // Rewrites the line's value from escaped text, keeping its name and
    // parameters (a 2.1 line gains quoted-printable and a CHARSET when the text
    // needs them).
    void setEscapedValue(int index, const QString &escaped);
    // Adds a property line: after the last line of the same name, else before
    // the first nested component or the item's END line. params as written.
    int insert(const QByteArray &name, const QByteArray &params, const QString &escaped);
    void remove(int index);

    // The file with every rewritten line in place of the old one, as pieces
    // to write one after another: runs of untouched bytes are views of the
    // text read, so a save copies no large line it did not change.
    QList<QByteArrayView> pieces() const;
    // The file now holds what pieces() gave: later changes are measured from it.
    void markSaved() { m_modified = false; }

    // Which line each mapped field reads, worked out once by the field table
    // and forgotten whenever a line is added or removed.
    QList<int> &fieldLines() const { return m_fieldLines; }

private:
    void parseLines();
    void locateItem();
    void locateCard(int first);
    void locateCalendarItem(int first);
    void countCalendarItems(int first);
    void rescan();
    QByteArray encodeLine(const QByteArray &header, QList<QByteArray> params,
                          const QString &escaped, bool quotedPrintable, const QByteArray &eol) const;

    QByteArray m_raw;
    qsizetype m_start = 0; // a UTF-8 byte-order mark before the first line
    bool m_crOnly = false;
    std::vector<ContentLine> m_lines;
    QList<int> m_properties;
    int m_begin = -1; // BEGIN line of the card or main component
    int m_end = -1;   // its END line
    Kind m_kind = Kind::Contact;
    VText::Dialect m_dialect = VText::Dialect::VCard30;
    QByteArray m_eol = "\r\n";
    bool m_modified = false;
    int m_calendarItems = 1;
    mutable QList<int> m_fieldLines;
};
