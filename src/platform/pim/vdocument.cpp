// SPDX-License-Identifier: MIT
#include "vdocument.h"

#include <QSet>

#include <algorithm>

#include "quenlockerror.h"

#include <QStringDecoder>
#include <cstring>

namespace {
QByteArray unquote(QByteArray v)
{
    if (v.size() >= 2 && v.startsWith('"') && v.endsWith('"'))
        return v.mid(1, v.size() - 2);
    return v;
}

// Splits on sep outside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray &text, char sep)
{
    QList<QByteArray> parts;
    bool quoted = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '"')
            quoted = !quoted;
        else if (c == sep && !quoted) {
            parts.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.mid(start));
    return parts;
}

// Position of the colon that ends the header, or -1.
qsizetype headerEnd(const char *p, qsizetype n)
{
    bool quoted = false;
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '"')
            quoted = !quoted;
        else if (p[i] == ':' && !quoted)
            return i;
    }
    return -1;
}


// The parameter's name (before "="), blanks trimmed, compared without case.
bool paramNamed(QByteArrayView param, const char *wanted, qsizetype *valueAt)
{
    const qsizetype eq = param.indexOf('=');
    if (eq < 0)
        return false;
    QByteArrayView name = QByteArrayView(param.constData(), eq).trimmed();
    const qsizetype length = qsizetype(qstrlen(wanted));
    if (name.size() != length || qstrnicmp(name.data(), wanted, length) != 0)
        return false;
    *valueAt = eq + 1;
    return true;
}

// A bare 2.1 "QUOTED-PRINTABLE" or ENCODING=QUOTED-PRINTABLE.
bool namesQuotedPrintable(QByteArrayView param)
{
    const QByteArrayView t = param.trimmed();
    qsizetype at;
    return (t.size() == 16 && qstrnicmp(t.data(), "QUOTED-PRINTABLE", 16) == 0)
           || (paramNamed(param, "ENCODING", &at)
               && param.sliced(at).trimmed().compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0);
}

// Whether the header on a line's first physical line names quoted-printable,
// by the same rule as a read line's parameters: reading a "=" at a line's
// end as a soft break and writing the value unencoded must agree, or a
// value ending in "=" swallows the next line.
bool headerNamesQuotedPrintable(const char *p, qsizetype n)
{
    const qsizetype colon = headerEnd(p, n);
    const qsizetype end = colon < 0 ? n : colon;
    bool quoted = false, name = true;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= end; ++i) {
        if (i < end && p[i] == '"')
            quoted = !quoted;
        if (i < end && (p[i] != ';' || quoted))
            continue;
        if (!name && namesQuotedPrintable(QByteArrayView(p + start, i - start)))
            return true;
        name = false;
        start = i + 1;
    }
    return false;
}

QByteArray upperValue(const ContentLine &line) { return line.value().trimmed().toUpper(); }
} // namespace

QList<QByteArray> ContentLine::types() const
{
    QList<QByteArray> result;
    for (const QByteArray &p : params) {
        const qsizetype eq = p.indexOf('=');
        if (eq < 0) {
            // vCard 2.1 bare types: TEL;WORK;VOICE. Encodings are no types.
            const QByteArray t = p.trimmed().toUpper();
            if (t != "QUOTED-PRINTABLE" && t != "BASE64" && t != "8BIT" && t != "7BIT")
                result.append(t);
            continue;
        }
        if (p.left(eq).trimmed().toUpper() != "TYPE")
            continue;
        for (const QByteArray &v : splitOutsideQuotes(p.mid(eq + 1), ','))
            for (const QByteArray &inner : unquote(v.trimmed()).split(','))
                result.append(inner.trimmed().toUpper());
    }
    return result;
}

bool ContentLine::hasParam(const char *wanted) const
{
    qsizetype at;
    for (const QByteArray &p : params)
        if (paramNamed(p, wanted, &at))
            return true;
    return false;
}

QByteArray ContentLine::paramValue(const char *wanted) const
{
    qsizetype at;
    for (const QByteArray &p : params)
        if (paramNamed(p, wanted, &at))
            return unquote(p.mid(at).trimmed());
    return {};
}

bool ContentLine::isQuotedPrintable() const
{
    return std::any_of(params.cbegin(), params.cend(),
                       [](const QByteArray &p) { return namesQuotedPrintable(p); });
}

VDocument::VDocument(QByteArray raw) : m_raw(std::move(raw))
{
    parseLines();
    locateItem();
}

namespace {
// One physical line: where its text ends, where the next one starts, its terminator.
void physicalLine(const char *data, qsizetype n, qsizetype from, bool crOnly, qsizetype *textEnd,
                  qsizetype *next, QByteArray *eol)
{
    const void *stop = memchr(data + from, crOnly ? '\r' : '\n', size_t(n - from));
    if (!stop) {
        *textEnd = n;
        *next = n;
        eol->clear();
        return;
    }
    const qsizetype at = static_cast<const char *>(stop) - data;
    *next = at + 1;
    if (crOnly) {
        *textEnd = at;
        *eol = QByteArrayLiteral("\r");
    } else if (at > from && data[at - 1] == '\r') {
        *textEnd = at - 1;
        *eol = QByteArrayLiteral("\r\n");
    } else {
        *textEnd = at;
        *eol = QByteArrayLiteral("\n");
    }
}

// Walks the logical line that starts at `from` and hands its unfolded text
// to the sink in pieces, each a view of data. A physical line starting with
// a blank goes on the one before, the blank dropped; with sink.softBreaks
// (quoted-printable) a text ending in "=" goes on with the whole next line,
// the "=" dropped (sink.chop()). Answers where the next logical line starts;
// *textEnd is where the text of its last physical line ends.
template <class Sink>
qsizetype unfold(const char *data, qsizetype n, qsizetype from, bool crOnly, Sink &sink,
                 qsizetype *textEnd, QByteArray *eol)
{
    // Whether the text so far ends in "=" is all a soft break needs: count
    // its trailing "=" instead of keeping the text.
    qsizetype trailingEquals = 0;
    auto put = [&](qsizetype begin, qsizetype end) {
        if (begin == end)
            return;
        sink.append(QByteArrayView(data + begin, end - begin));
        qsizetype k = 0;
        while (sink.softBreaks && k < end - begin && data[end - 1 - k] == '=')
            ++k;
        trailingEquals = k == end - begin ? trailingEquals + k : k;
    };
    qsizetype next;
    physicalLine(data, n, from, crOnly, textEnd, &next, eol);
    put(from, *textEnd);
    while (next < n) {
        const qsizetype pos = next;
        const bool softBreak = trailingEquals > 0;
        if (!softBreak && data[pos] != ' ' && data[pos] != '\t')
            break;
        physicalLine(data, n, pos, crOnly, textEnd, &next, eol);
        sink.lineBreak();
        if (softBreak) {
            sink.chop();
            --trailingEquals;
        }
        put(softBreak ? pos : pos + 1, *textEnd);
    }
    return next;
}

// Finds the header of a line being read: its text up to the first ":"
// outside quotes. A header on one physical line stays a view of the file.
struct HeaderSink
{
    bool softBreaks = false; // set from the first physical line, where the encoding is named
    bool pastFirstLine = false;
    bool started = false;
    bool quoted = false;
    bool folded = false;     // a physical line followed the one holding the colon
    const char *valueAt = nullptr;
    QByteArrayView header;
    QByteArray spanned;      // the header, when it goes on over physical lines

    void append(QByteArrayView piece)
    {
        if (!pastFirstLine && !started)
            softBreaks = headerNamesQuotedPrintable(piece.data(), piece.size());
        if (valueAt)
            return;
        for (qsizetype i = 0; i < piece.size(); ++i) {
            if (piece[i] == '"') {
                quoted = !quoted;
            } else if (piece[i] == ':' && !quoted) {
                take(piece.first(i));
                valueAt = piece.data() + i + 1;
                return;
            }
        }
        take(piece);
    }
    void take(QByteArrayView part)
    {
        if (!started) {
            started = true;
            header = part;
            return;
        }
        if (spanned.isEmpty())
            spanned = header.toByteArray();
        spanned.append(part);
        header = spanned;
    }
    void chop()
    {
        if (!valueAt) {
            header.chop(1);
            spanned.chop(1);
        }
    }
    void lineBreak()
    {
        pastFirstLine = true;
        folded = folded || valueAt;
    }
};

// Gathers the unfolded value.
struct ByteSink
{
    QByteArray &out;
    bool softBreaks;
    void append(QByteArrayView piece) { out.append(piece); }
    void chop() { out.chop(1); }
    void lineBreak() {}
};

// Decodes the pieces of a value with no soft breaks into UTF-16 as they come.
struct Utf16Sink
{
    QChar *out;
    bool softBreaks = false;
    // Stateful, as QString::fromUtf8 of the whole value would be: only a
    // byte-order mark that opens the value is dropped.
    QStringDecoder decoder{QStringDecoder::Utf8};
    void append(QByteArrayView piece) { out = decoder.appendToBuffer(out, piece); }
    void chop() {}
    void lineBreak() {}
};

// A name already in the form lines are compared in: upper case, no blanks.
bool isPlainUpperName(const QByteArray &name)
{
    for (const char c : name)
        if ((c >= 'a' && c <= 'z') || (c & 0x80) || c == ' ' || c == '\t' || c == '\r' || c == '\n'
            || c == '\v' || c == '\f')
            return false;
    return true;
}

// The header splits on ";" outside quotes: the name, then the parameters.
void splitHeader(ContentLine &line, QByteArrayView header)
{
    const char *t = header.data();
    const qsizetype colon = header.size();
    bool quoted = false;
    qsizetype start = 0;
    bool first = true;
    for (qsizetype i = 0; i <= colon; ++i) {
        if (i < colon) {
            if (t[i] == '"')
                quoted = !quoted;
            if (t[i] != ';' || quoted)
                continue;
        }
        if (first) {
            line.nameRaw = QByteArray(t, i);
            first = false;
        } else {
            line.params.append(QByteArray(t + start, i - start));
        }
        start = i + 1;
    }
    const qsizetype dot = line.nameRaw.lastIndexOf('.');
    if (dot < 0 && isPlainUpperName(line.nameRaw))
        line.name = line.nameRaw; // shared, no copy
    else
        line.name = (dot >= 0 ? line.nameRaw.mid(dot + 1) : line.nameRaw).trimmed().toUpper();
}

// Reads the logical line that starts at pos and moves pos past it. Only
// its header is copied; the value stays where it is in data.
ContentLine readLine(const char *data, qsizetype n, qsizetype &pos, bool crOnly)
{
    ContentLine line;
    line.begin = pos;
    line.crOnly = crOnly;
    HeaderSink sink;
    qsizetype textEnd;
    pos = unfold(data, n, pos, crOnly, sink, &textEnd, &line.eol);
    line.end = pos;
    line.softBreaks = sink.softBreaks;
    if (sink.valueAt && !sink.header.isEmpty()) {
        splitHeader(line, sink.header);
        line.valueAt = sink.valueAt;
        line.valueSize = data + textEnd - sink.valueAt;
        line.valueSpan = data + pos - sink.valueAt;
        line.folded = sink.folded;
    }
    return line;
}

// Some exporters (classic Mac OS ones) end lines with a lone CR; the first
// line end tells which kind the file has.
bool endsLinesWithLoneCr(const char *p, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] == '\n')
            return false;
        if (p[i] == '\r')
            return i + 1 == n || p[i + 1] != '\n';
    }
    return false;
}
} // namespace

const QByteArray &ContentLine::value() const
{
    if (!m_valueMade) {
        m_valueMade = true;
        if (!folded) {
            m_value = QByteArray::fromRawData(valueAt, valueSize);
        } else {
            m_value.reserve(valueSize);
            ByteSink sink{m_value, softBreaks};
            qsizetype textEnd;
            QByteArray eol;
            unfold(valueAt, valueSpan, 0, crOnly, sink, &textEnd, &eol);
        }
    }
    return m_value;
}

QString ContentLine::utf8Value() const
{
    if (!folded || softBreaks)
        return QString::fromUtf8(value());
    // Straight into the result: no unfolded copy of a long note in between.
    QString text(valueSize, Qt::Uninitialized);
    Utf16Sink sink{text.data()};
    qsizetype textEnd;
    QByteArray eol;
    unfold(valueAt, valueSpan, 0, crOnly, sink, &textEnd, &eol);
    text.truncate(sink.out - text.constData());
    return text;
}

void ContentLine::forgetValue()
{
    valueAt = nullptr;
    valueSize = valueSpan = 0;
    folded = false;
    m_value.clear();
    m_valueMade = false;
}

void VDocument::parseLines()
{
    const char *data = m_raw.constData();
    const qsizetype n = m_raw.size();
    // Windows exporters start with a UTF-8 byte-order mark; it stays where it is.
    if (m_raw.startsWith("\xEF\xBB\xBF"))
        m_start = 3;
    m_crOnly = endsLinesWithLoneCr(data + m_start, n - m_start);
    // About one line per 40 bytes; capped, since a file that is mostly one
    // large PHOTO or note has few lines.
    m_lines.reserve(size_t(qMin<qsizetype>(n / 40 + 4, 1024)));
    qsizetype pos = m_start;
    while (pos < n) {
        m_lines.push_back(readLine(data, n, pos, m_crOnly));
        if (m_lines.size() == 1 && !m_lines.back().eol.isEmpty())
            m_eol = m_lines.back().eol;
    }
}

void VDocument::locateItem()
{
    int first = -1;
    for (int i = 0; i < int(m_lines.size()); ++i) {
        if (!m_lines[size_t(i)].name.isEmpty()) {
            first = i;
            break;
        }
    }
    if (first < 0)
        throw QuenlockError(QStringLiteral("the file holds no vCard or iCalendar data"));
    const ContentLine &head = m_lines[size_t(first)];
    if (head.name != "BEGIN")
        throw QuenlockError(QStringLiteral("the file does not start with BEGIN:VCARD or BEGIN:VCALENDAR"));
    const QByteArray what = upperValue(head);
    if (what == "VCARD")
        locateCard(first);
    else if (what == "VCALENDAR")
        locateCalendarItem(first);
    else
        throw QuenlockError(QStringLiteral("the file does not start with BEGIN:VCARD or BEGIN:VCALENDAR"));
    // vCard 3.0, 4.0 and iCalendar are UTF-8 by definition; 2.1 names its
    // character set per property.
    if (m_dialect != VText::Dialect::VCard21 && !VText::isValidUtf8(m_raw.constData(), m_raw.size()))
        throw QuenlockError(QStringLiteral("the file is not valid UTF-8"));
}

// The card from its BEGIN at first to its matching END; its version and kind.
void VDocument::locateCard(int first)
{
    int depth = 0;
    for (int i = first; i < int(m_lines.size()); ++i) {
        const ContentLine &l = m_lines[size_t(i)];
        if (l.name == "BEGIN" && upperValue(l) == "VCARD")
            ++depth;
        else if (l.name == "END" && upperValue(l) == "VCARD" && --depth == 0) {
            m_begin = first;
            m_end = i;
            break;
        }
    }
    if (m_end < 0)
        throw QuenlockError(QStringLiteral("the vCard has no END:VCARD line"));
    rescan();
    const int version = find("VERSION");
    const QByteArray v = version >= 0 ? m_lines[size_t(version)].value().trimmed() : QByteArray();
    m_dialect = v == "2.1" ? VText::Dialect::VCard21
              : v == "4.0" ? VText::Dialect::VCard40
                           : VText::Dialect::VCard30;
    for (const char *kindName : {"KIND", "X-ADDRESSBOOKSERVER-KIND"}) {
        const int k = find(kindName);
        if (k >= 0 && upperValue(m_lines[size_t(k)]) == "GROUP")
            m_kind = Kind::DistList;
    }
}

// The main component directly inside VCALENDAR: the first without
// RECURRENCE-ID (the others are exceptions of its series), else the first.
void VDocument::locateCalendarItem(int first)
{
    m_dialect = VText::Dialect::ICalendar;
    int depth = 0, open = -1, fallbackBegin = -1, fallbackEnd = -1;
    bool recurrenceId = false;
    bool calendarClosed = false;
    for (int i = first; i < int(m_lines.size()) && m_end < 0; ++i) {
        const ContentLine &l = m_lines[size_t(i)];
        if (l.name == "BEGIN") {
            ++depth;
            if (depth == 2) {
                const QByteArray c = upperValue(l);
                if (c == "VEVENT" || c == "VTODO" || c == "VJOURNAL") {
                    open = i;
                    recurrenceId = false;
                }
            }
        } else if (l.name == "END") {
            if (depth == 2 && open >= 0) {
                if (!recurrenceId) {
                    m_begin = open;
                    m_end = i;
                } else if (fallbackBegin < 0) {
                    fallbackBegin = open;
                    fallbackEnd = i;
                }
                open = -1;
            }
            if (--depth == 0)
                calendarClosed = true;
        } else if (depth == 2 && open >= 0 && l.name == "RECURRENCE-ID") {
            recurrenceId = true;
        }
    }
    if (m_end < 0) {
        m_begin = fallbackBegin;
        m_end = fallbackEnd;
    }
    if (m_end < 0) {
        if (open >= 0 || (!calendarClosed && depth > 0))
            throw QuenlockError(QStringLiteral("the iCalendar object ends inside a component"));
        throw QuenlockError(QStringLiteral("the iCalendar object holds no event, task or journal entry"));
    }
    const QByteArray c = upperValue(m_lines[size_t(m_begin)]);
    m_kind = c == "VEVENT" ? Kind::Event : c == "VTODO" ? Kind::Task : Kind::Journal;
    countCalendarItems(first);
    rescan();
}

void VDocument::countCalendarItems(int first)
{
    QSet<QByteArray> uids;
    int depth = 0, withoutUid = 0;
    bool open = false, hasUid = false;
    for (int i = first; i < int(m_lines.size()); ++i) {
        const ContentLine &l = m_lines[size_t(i)];
        if (l.name == "BEGIN" && ++depth == 2) {
            const QByteArray c = upperValue(l);
            open = c == "VEVENT" || c == "VTODO" || c == "VJOURNAL";
            hasUid = false;
        } else if (l.name == "END" && depth-- == 2 && open) {
            withoutUid += !hasUid;
            open = false;
        } else if (depth == 2 && open && l.name == "UID") {
            uids.insert(l.value().trimmed());
            hasUid = true;
        }
    }
    m_calendarItems = int(uids.size()) + withoutUid;
}

QByteArray VDocument::component() const { return upperValue(m_lines[size_t(m_begin)]); }

void VDocument::rescan()
{
    m_properties.clear();
    m_properties.reserve(qsizetype(m_lines.size()));
    m_fieldLines.clear();
    int depth = 0;
    for (int i = m_begin + 1; i < int(m_lines.size()); ++i) {
        const ContentLine &l = m_lines[size_t(i)];
        if (l.removed || l.name.isEmpty())
            continue;
        if (l.name == "BEGIN") {
            ++depth;
        } else if (l.name == "END") {
            if (depth == 0) {
                m_end = i;
                return;
            }
            --depth;
        } else if (depth == 0) {
            m_properties.append(i);
        }
    }
}

int VDocument::find(QByteArrayView name) const
{
    for (int i : m_properties)
        if (QByteArrayView(m_lines[size_t(i)].name) == name)
            return i;
    return -1;
}

QString VDocument::escapedValue(const ContentLine &line) const
{
    const bool qp = line.isQuotedPrintable();
    const bool charset = m_dialect == VText::Dialect::VCard21 || line.hasParam("CHARSET");
    if (!qp && !charset)
        return line.utf8Value();
    QByteArray bytes = line.value();
    if (qp)
        bytes = VText::decodeQuotedPrintable(bytes);
    bool ok = true;
    QString text = charset ? VText::decodeCharset(bytes, line.paramValue("CHARSET"), &ok)
                           : QString::fromUtf8(bytes);
    if (!ok)
        throw QuenlockError(QStringLiteral("The character set \"%1\" of %2 is not supported")
                                .arg(QString::fromLatin1(line.paramValue("CHARSET")),
                                     QString::fromLatin1(line.name)));
    if (qp && text.contains(u'\r'))
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

QByteArray VDocument::encodeLine(const QByteArray &nameRaw, QList<QByteArray> params,
                                 const QString &escaped, bool quotedPrintable,
                                 const QByteArray &eol) const
{
    QByteArray bytes;
    bool ascii = true;
    for (QChar c : escaped)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (m_dialect == VText::Dialect::VCard21) {
        qsizetype charsetAt = -1;
        for (qsizetype i = 0; i < params.size(); ++i)
            if (params[i].trimmed().toUpper().startsWith("CHARSET="))
                charsetAt = i;
        if (ascii) {
            bytes = escaped.toLatin1();
        } else if (charsetAt < 0
                   || !VText::encodeCharset(escaped, params[charsetAt].mid(params[charsetAt].indexOf('=') + 1).trimmed(), &bytes)) {
            bytes = escaped.toUtf8();
            if (charsetAt >= 0)
                params[charsetAt] = "CHARSET=UTF-8";
            else
                params.append("CHARSET=UTF-8");
        }
        // 2.1 carries line breaks and 8-bit text through quoted-printable.
        if (!quotedPrintable && (!ascii || escaped.contains(u'\n') || escaped.contains(u'\r'))) {
            params.append("ENCODING=QUOTED-PRINTABLE");
            quotedPrintable = true;
        }
    } else {
        bytes = escaped.toUtf8();
    }
    QByteArray header = nameRaw;
    for (const QByteArray &p : params) {
        header += ';';
        header += p;
    }
    header += ':';
    if (quotedPrintable)
        return header + VText::encodeQuotedPrintable(bytes, int(header.size()), eol) + eol;
    // The value goes behind the header in place: a copy of a 5 MB note less.
    bytes.prepend(header);
    QByteArray line = VText::fold(std::exchange(bytes, {}), eol);
    line += eol;
    return line;
}

void VDocument::setEscapedValue(int index, const QString &escaped)
{
    ContentLine &l = m_lines[size_t(index)];
    const bool lastWithoutEol = l.eol.isEmpty();
    QByteArray bytes = encodeLine(l.nameRaw, l.params, escaped, l.isQuotedPrintable(),
                                  lastWithoutEol ? m_eol : l.eol);
    if (lastWithoutEol)
        bytes.chop(m_eol.size()); // the file's last line had no terminator: keep it so
    // Read the new line back so later reads see exactly what will be
    // written; its value is a view of `own`, which the move below keeps.
    qsizetype pos = 0;
    ContentLine fresh = readLine(bytes.constData(), bytes.size(), pos, m_crOnly);
    fresh.begin = l.begin;
    fresh.end = l.end;
    fresh.eol = l.eol;
    fresh.nameRaw = l.nameRaw;
    fresh.name = l.name;
    fresh.own = std::move(bytes);
    fresh.rewritten = true;
    l = std::move(fresh);
    m_modified = true;
}

int VDocument::insert(const QByteArray &name, const QByteArray &params, const QString &escaped)
{
    int at = -1;
    for (int i : m_properties)
        if (m_lines[size_t(i)].name == name)
            at = i + 1;
    if (at < 0) {
        // Before any nested component (an alarm), else before END.
        at = m_end;
        int depth = 0;
        for (int i = m_begin + 1; i < m_end; ++i) {
            if (m_lines[size_t(i)].name == "BEGIN" && depth++ == 0) {
                at = i;
                break;
            }
        }
    }
    // Take the line ending of the line we follow, so the file stays uniform.
    QByteArray eol = m_eol;
    for (int i = at - 1; i >= 0; --i)
        if (!m_lines[size_t(i)].removed && !m_lines[size_t(i)].eol.isEmpty()) {
            eol = m_lines[size_t(i)].eol;
            break;
        }
    ContentLine l;
    l.nameRaw = name;
    l.name = name;
    l.params = params.isEmpty() ? QList<QByteArray>() : splitOutsideQuotes(params, ';');
    l.eol = eol;
    l.rewritten = true;
    m_lines.insert(m_lines.begin() + at, std::move(l));
    rescan();
    setEscapedValue(at, escaped);
    return at;
}

void VDocument::remove(int index)
{
    ContentLine &l = m_lines[size_t(index)];
    l.removed = true;
    l.rewritten = true;
    l.own.clear();
    l.forgetValue(); // it pointed into own
    rescan();
    m_modified = true;
}

QList<QByteArrayView> VDocument::pieces() const
{
    QList<QByteArrayView> out;
    // Untouched bytes of the file not yet handed out: the byte-order mark,
    // then each run of untouched lines.
    qsizetype from = 0, to = m_start;
    auto flush = [&] {
        if (to > from)
            out.append(QByteArrayView(m_raw.constData() + from, to - from));
    };
    for (const ContentLine &l : m_lines) {
        if (!l.rewritten && l.begin == to) {
            to = l.end;
            continue;
        }
        flush();
        from = l.rewritten ? -1 : l.begin;
        to = l.rewritten ? -1 : l.end;
        if (l.rewritten && !l.removed)
            out.append(QByteArrayView(l.own));
    }
    flush();
    return out;
}
