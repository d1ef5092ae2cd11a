// SPDX-License-Identifier: MIT
#include "vdocument.h"

#include "quenlockerror.h"

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

bool containsQuotedPrintable(const char *p, qsizetype n)
{
    // Only the header can name the encoding; search it without copying.
    static constexpr char needle[] = "QUOTED-PRINTABLE";
    constexpr qsizetype length = sizeof(needle) - 1;
    const qsizetype end = qMax<qsizetype>(0, headerEnd(p, n) < 0 ? n : headerEnd(p, n));
    for (qsizetype i = 0; i + length <= end; ++i)
        if ((p[i] == 'Q' || p[i] == 'q') && qstrnicmp(p + i, needle, length) == 0)
            return true;
    return false;
}

// The parameter's name (before "="), blanks trimmed, compared without case.
bool paramNamed(const QByteArray &param, const char *wanted, qsizetype *valueAt)
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

QByteArray upperValue(const ContentLine &line) { return line.value.trimmed().toUpper(); }
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
    for (const QByteArray &p : params) {
        const QByteArrayView t = QByteArrayView(p).trimmed();
        qsizetype at;
        if ((t.size() == 16 && qstrnicmp(t.data(), "QUOTED-PRINTABLE", 16) == 0)
            || (paramNamed(p, "ENCODING", &at)
                && QByteArrayView(p).sliced(at).trimmed().compare("QUOTED-PRINTABLE", Qt::CaseInsensitive) == 0))
            return true;
    }
    return false;
}

VDocument::VDocument(QByteArray raw) : m_raw(std::move(raw))
{
    parseLines();
    locateItem();
}

namespace {
// One physical line: where its text ends, where the next one starts, its terminator.
void physicalLine(const char *data, qsizetype n, qsizetype from, qsizetype *textEnd,
                  qsizetype *next, QByteArray *eol)
{
    const void *nl = memchr(data + from, '\n', size_t(n - from));
    if (!nl) {
        *textEnd = n;
        *next = n;
        eol->clear();
        return;
    }
    const qsizetype at = static_cast<const char *>(nl) - data;
    *next = at + 1;
    if (at > from && data[at - 1] == '\r') {
        *textEnd = at - 1;
        *eol = QByteArrayLiteral("\r\n");
    } else {
        *textEnd = at;
        *eol = QByteArrayLiteral("\n");
    }
}

// A name already in the form lines are compared in: upper case, no blanks.
bool isPlainUpperName(const QByteArray &name)
{
    for (const char c : name)
        if ((c >= 'a' && c <= 'z') || (c & 0x80) || c == ' ' || c == '\t' || c == '\r' || c == '\n'
            || c == '\v' || c == '\f')
            return false;
    return true;
}

// The header splits on ";" outside quotes: the name, then the parameters;
// the value follows the first ":" outside quotes. Each part is copied
// straight out of the text.
void splitHeader(ContentLine &line, const QByteArray &text)
{
    const char *t = text.constData();
    const qsizetype colon = headerEnd(t, text.size());
    if (colon > 0) {
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
        // Copied, also when text points into the file buffer.
        line.value = QByteArray(t + colon + 1, text.size() - colon - 1);
    }
}

// Reads the logical line that starts at pos and moves pos past it.
ContentLine readLine(const char *data, qsizetype n, qsizetype &pos)
{
    ContentLine line;
    line.begin = pos;
    qsizetype textEnd, next;
    physicalLine(data, n, pos, &textEnd, &next, &line.eol);
    QByteArray text = QByteArray::fromRawData(data + pos, textEnd - pos);
    bool copied = false;
    const bool qp = containsQuotedPrintable(data + pos, textEnd - pos);
    pos = next;
    while (pos < n) {
        const bool softBreak = qp && text.endsWith('=');
        const bool folded = data[pos] == ' ' || data[pos] == '\t';
        if (!softBreak && !folded)
            break;
        physicalLine(data, n, pos, &textEnd, &next, &line.eol);
        if (!copied) {
            text = QByteArray(text.constData(), text.size());
            copied = true;
        }
        if (softBreak) {
            // Quoted-printable soft line break: "=" at the end, and the next
            // line goes on with no leading blank.
            text.chop(1);
            text.append(data + pos, textEnd - pos);
        } else {
            text.append(data + pos + 1, textEnd - pos - 1);
        }
        pos = next;
    }
    line.end = pos;
    splitHeader(line, text);
    return line;
}
} // namespace

void VDocument::parseLines()
{
    const char *data = m_raw.constData();
    const qsizetype n = m_raw.size();
    m_lines.reserve(size_t(n / 40 + 4));
    qsizetype pos = 0;
    while (pos < n) {
        m_lines.push_back(readLine(data, n, pos));
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
    const QByteArray v = version >= 0 ? m_lines[size_t(version)].value.trimmed() : QByteArray();
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
    rescan();
}

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
    QByteArray bytes = line.value;
    const bool qp = line.isQuotedPrintable();
    if (qp)
        bytes = VText::decodeQuotedPrintable(bytes);
    bool ok = true;
    QString text;
    if (m_dialect == VText::Dialect::VCard21 || line.hasParam("CHARSET"))
        text = VText::decodeCharset(bytes, line.paramValue("CHARSET"), &ok);
    else
        text = QString::fromUtf8(bytes);
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
    return VText::fold(header + bytes, eol) + eol;
}

void VDocument::setEscapedValue(int index, const QString &escaped)
{
    ContentLine &l = m_lines[size_t(index)];
    const bool lastWithoutEol = l.eol.isEmpty();
    QByteArray bytes = encodeLine(l.nameRaw, l.params, escaped, l.isQuotedPrintable(),
                                  lastWithoutEol ? m_eol : l.eol);
    // Read the new line back so later reads see exactly what will be written.
    qsizetype pos = 0;
    ContentLine fresh = readLine(bytes.constData(), bytes.size(), pos);
    if (lastWithoutEol)
        bytes.chop(m_eol.size()); // the file's last line had no terminator: keep it so
    fresh.begin = l.begin;
    fresh.end = l.end;
    fresh.eol = l.eol;
    fresh.nameRaw = l.nameRaw;
    fresh.name = l.name;
    fresh.own = bytes;
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
    rescan();
    m_modified = true;
}

QByteArray VDocument::serialize() const
{
    QByteArray out;
    out.reserve(m_raw.size() + 256);
    for (const ContentLine &l : m_lines) {
        if (l.removed)
            continue;
        if (l.rewritten)
            out += l.own;
        else
            out.append(m_raw.constData() + l.begin, l.end - l.begin);
    }
    return out;
}
