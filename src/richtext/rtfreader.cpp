// SPDX-License-Identifier: MIT
#include "rtfreader.h"

#include "cp1252.h"
#include "textnumber.h"

#include <QStringList>
#include <climits>

namespace Rtf {
bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int hexValue(QChar c) { return hexDigitValue(c.unicode()); }

namespace {

// Groups whose content is not document text, by their first control word.
// Groups marked {\* ...} are skipped whatever their word.
bool isDestination(QStringView word, Reading reading)
{
    // Tables, metadata and pictures: no text for anyone.
    static const QStringList tables = {
        QStringLiteral("fonttbl"),    QStringLiteral("colortbl"),  QStringLiteral("stylesheet"),
        QStringLiteral("info"),       QStringLiteral("pict"),      QStringLiteral("object"),
        QStringLiteral("themedata"),  QStringLiteral("datastore"), QStringLiteral("listtable"),
        QStringLiteral("listoverridetable"), QStringLiteral("rsidtbl"),
        QStringLiteral("latentstyles"), QStringLiteral("xmlnstbl"), QStringLiteral("generator")};
    // Replacing leaves alone what the writer generates or keeps for itself:
    // a list number rewritten here would come back when the list renumbers.
    // The plain text keeps list numbers, as a reader without lists shows them.
    static const QStringList generated = {
        QStringLiteral("objdata"),    QStringLiteral("fldinst"),   QStringLiteral("colorschememapping"),
        QStringLiteral("revtbl"),     QStringLiteral("filetbl"),   QStringLiteral("userprops"),
        QStringLiteral("nonshppict"), QStringLiteral("pntext"),    QStringLiteral("pntxta"),
        QStringLiteral("pntxtb"),     QStringLiteral("listtext"),  QStringLiteral("private")};
    // The plain text is the body alone; replacing reaches headers and
    // footnotes too, since the user wrote them.
    static const QStringList besideTheBody = {
        QStringLiteral("header"),  QStringLiteral("footer"),  QStringLiteral("headerl"),
        QStringLiteral("headerr"), QStringLiteral("footerl"), QStringLiteral("footerr"),
        QStringLiteral("footnote")};
    return tables.contains(word)
        || (reading == Reading::Replacing ? generated : besideTheBody).contains(word);
}

// A control word "\word-123 ": its letters, its parameter and where it ends
// (after the one blank that delimits it, which is not text).
struct ControlWord
{
    QStringView word;
    std::optional<int> parameter;
    qsizetype end = 0;
};

ControlWord readControlWord(const QString &d, qsizetype at)
{
    // d[at] is the backslash and d[at + 1] a letter.
    const qsizetype n = d.size();
    qsizetype i = at + 1;
    while (i < n && isAsciiLetter(d[i]) && i - at <= 32)
        ++i;
    ControlWord cw;
    cw.word = QStringView(d).mid(at + 1, i - at - 1);
    qsizetype digits = i;
    const bool negative = digits < n && d[digits] == u'-';
    if (negative)
        ++digits;
    qsizetype j = digits;
    qint64 value = 0;
    while (j < n && d[j].isDigit() && d[j].unicode() < 0x80 && j - digits < 10) {
        value = value * 10 + (d[j].unicode() - u'0');
        ++j;
    }
    if (j > digits) {
        if (negative)
            value = -value;
        cw.parameter = int(qBound(qint64(INT_MIN), value, qint64(INT_MAX)));
        i = j;
    }
    if (i < n && d[i] == u' ')
        ++i;
    cw.end = i;
    return cw;
}

// Position after the group that opens at d[at] ('{'), or the document's end.
qsizetype skipGroup(const QString &d, qsizetype at)
{
    const qsizetype n = d.size();
    int depth = 0;
    qsizetype i = at;
    while (i < n) {
        const QChar c = d[i];
        if (c == u'\\' && i + 1 < n) {
            if (isAsciiLetter(d[i + 1])) {
                const ControlWord cw = readControlWord(d, i);
                i = cw.end;
                // Binary data may hold braces and backslashes of its own.
                if (cw.word == u"bin" && cw.parameter.value_or(0) > 0)
                    i = qMin(n, i + *cw.parameter);
            } else {
                i += 2;
            }
            continue;
        }
        if (c == u'{')
            ++depth;
        else if (c == u'}' && --depth == 0)
            return i + 1;
        ++i;
    }
    return n;
}

// The fallback that a reader without Unicode shows after \uN: count
// characters, each \'hh or other escape counting as one; never past a brace.
qsizetype skipFallback(const QString &d, qsizetype i, int count)
{
    const qsizetype n = d.size();
    while (count > 0 && i < n) {
        const QChar c = d[i];
        if (c == u'{' || c == u'}')
            break;
        if (c == u'\r' || c == u'\n') {
            ++i;
            continue;
        }
        if (c == u'\\' && i + 1 < n) {
            if (d[i + 1] == u'\'')
                i = qMin(n, i + 4);
            else if (isAsciiLetter(d[i + 1]))
                i = readControlWord(d, i).end;
            else
                i += 2;
        } else {
            ++i;
        }
        --count;
    }
    return i;
}

QChar characterWord(QStringView word)
{
    struct Entry { const char16_t *word; char16_t c; };
    static constexpr Entry entries[] = {
        {u"tab", u'\t'},         {u"emdash", 0x2014},   {u"endash", 0x2013},
        {u"emspace", 0x2003},    {u"enspace", 0x2002},  {u"qmspace", 0x2005},
        {u"bullet", 0x2022},     {u"lquote", 0x2018},   {u"rquote", 0x2019},
        {u"ldblquote", 0x201C},  {u"rdblquote", 0x201D}};
    for (const Entry &e : entries)
        if (word == QStringView(e.word))
            return QChar(e.c);
    return QChar();
}

} // namespace

bool isRichText(QStringView document)
{
    return document.startsWith(u"{\\rtf");
}

// The group's first control word decides; source line breaks before it are
// no text and change nothing.
bool opensDestination(const QString &d, qsizetype from, Reading reading)
{
    qsizetype i = from;
    while (i < d.size() && (d[i] == u'\r' || d[i] == u'\n'))
        ++i;
    if (i + 1 >= d.size() || d[i] != u'\\')
        return false;
    if (d[i + 1] == u'*')
        return true;
    return isAsciiLetter(d[i + 1]) && isDestination(readControlWord(d, i).word, reading);
}

std::optional<Token> Reader::next()
{
    const QString &d = m_document;
    while (m_at < d.size() && (d[m_at] == u'\r' || d[m_at] == u'\n'))
        ++m_at;
    if (m_at >= d.size())
        return std::nullopt;
    const qsizetype at = m_at;
    const QChar c = d[at];
    if (c == u'{') {
        if (opensDestination(d, at + 1, m_reading)) {
            m_at = skipGroup(d, at);
            return Token{Token::Skipped, at, m_at, {}};
        }
        m_unicodeSkips.push(m_unicodeSkip);
        m_at = at + 1;
        return Token{Token::GroupStart, at, m_at, {}};
    }
    if (c == u'}') {
        if (!m_unicodeSkips.isEmpty())
            m_unicodeSkip = m_unicodeSkips.pop();
        m_at = at + 1;
        return Token{Token::GroupEnd, at, m_at, {}};
    }
    if (c != u'\\') {
        m_at = at + 1;
        return Token{Token::Text, at, m_at, c};
    }
    if (at + 1 >= d.size()) {
        m_at = at + 1; // a backslash that ends the document says nothing
        return std::nullopt;
    }
    return isAsciiLetter(d[at + 1]) ? controlWord(at) : controlSymbol(at);
}

Token Reader::controlWord(qsizetype at)
{
    const QString &d = m_document;
    const ControlWord cw = readControlWord(d, at);
    if (cw.word == u"u" && cw.parameter) {
        const QChar u(char16_t(*cw.parameter < 0 ? *cw.parameter + 65536 : *cw.parameter));
        m_at = skipFallback(d, cw.end, m_unicodeSkip);
        return Token{Token::Text, at, m_at, u};
    }
    m_at = cw.end;
    if (const QChar ch = characterWord(cw.word); !ch.isNull())
        return Token{Token::Text, at, m_at, ch};
    if (cw.word == u"par" || cw.word == u"line")
        return Token{Token::Break, at, m_at, {}};
    if (cw.word == u"uc")
        m_unicodeSkip = qBound(0, cw.parameter.value_or(1), maxUnicodeSkip);
    else if (cw.word == u"bin" && cw.parameter.value_or(0) > 0)
        m_at = qMin(d.size(), m_at + *cw.parameter);
    return Token{Token::Control, at, m_at, {}};
}

Token Reader::controlSymbol(qsizetype at)
{
    const QString &d = m_document;
    const QChar s = d[at + 1];
    m_at = at + 2;
    switch (s.unicode()) {
    case u'\'': {
        const int hi = at + 2 < d.size() ? hexValue(d[at + 2]) : -1;
        const int lo = at + 3 < d.size() ? hexValue(d[at + 3]) : -1;
        if (hi < 0 || lo < 0)
            return Token{Token::Control, at, m_at, {}}; // what follows is text
        m_at = at + 4;
        return Token{Token::Text, at, m_at, Cp1252::toChar(uchar(hi * 16 + lo))};
    }
    case u'\\': case u'{': case u'}': return Token{Token::Text, at, m_at, s};
    case u'~': return Token{Token::Text, at, m_at, QChar(0x00A0)};
    case u'_': return Token{Token::Text, at, m_at, QChar(0x2011)};
    case u'-': return Token{Token::Hyphen, at, m_at, {}};
    case u'\r': case u'\n': return Token{Token::Break, at, m_at, {}};
    default: return Token{Token::Control, at, m_at, {}}; // \*, \| and the like
    }
}

} // namespace Rtf
