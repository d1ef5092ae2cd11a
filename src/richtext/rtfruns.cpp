// SPDX-License-Identifier: MIT
#include "rtfruns.h"

#include "cp1252.h"

#include <QStack>

namespace RtfRuns {
namespace {

// Groups whose content is not document text, by their first control word.
// Groups marked {\* ...} are skipped whatever their word.
bool isDestination(QStringView word)
{
    static const QStringList words = {
        QStringLiteral("fonttbl"),    QStringLiteral("colortbl"),   QStringLiteral("stylesheet"),
        QStringLiteral("info"),       QStringLiteral("pict"),       QStringLiteral("object"),
        QStringLiteral("objdata"),    QStringLiteral("fldinst"),    QStringLiteral("themedata"),
        QStringLiteral("colorschememapping"), QStringLiteral("datastore"),
        QStringLiteral("listtable"),  QStringLiteral("listoverridetable"),
        QStringLiteral("revtbl"),     QStringLiteral("rsidtbl"),    QStringLiteral("filetbl"),
        QStringLiteral("latentstyles"), QStringLiteral("xmlnstbl"), QStringLiteral("generator"),
        QStringLiteral("userprops"),  QStringLiteral("nonshppict"), QStringLiteral("pntext"),
        QStringLiteral("pntxta"),     QStringLiteral("pntxtb"),     QStringLiteral("listtext"),
        QStringLiteral("private")};
    return words.contains(word);
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int hexValue(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
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

bool opensDestination(const QString &d, qsizetype at)
{
    // d[at] is '{'.
    if (at + 2 < d.size() && d[at + 1] == u'\\' && d[at + 2] == u'*')
        return true;
    if (at + 2 < d.size() && d[at + 1] == u'\\' && isAsciiLetter(d[at + 2]))
        return isDestination(readControlWord(d, at + 1).word);
    return false;
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

QList<Run> textRuns(const QString &d)
{
    if (!isRichText(d))
        return {Run{0, d.size(), d, 0, false}};

    QList<Run> runs;
    QStack<int> unicodeSkips;
    int unicodeSkip = 1;
    std::optional<Run> run;
    const qsizetype n = d.size();

    auto close = [&] {
        if (run && !run->text.isEmpty())
            runs.append(*run);
        run.reset();
    };
    // Text counts only inside the document's group, not after its last brace.
    auto add = [&](qsizetype begin, qsizetype end, QStringView text) {
        if (unicodeSkips.isEmpty())
            return;
        if (!run)
            run = Run{begin, end, QString(), unicodeSkip, true};
        run->text += text;
        run->end = end;
    };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = d[i];
        if (c == u'{') {
            close();
            if (opensDestination(d, i)) {
                i = skipGroup(d, i);
                continue;
            }
            unicodeSkips.push(unicodeSkip);
            ++i;
        } else if (c == u'}') {
            close();
            if (!unicodeSkips.isEmpty())
                unicodeSkip = unicodeSkips.pop();
            ++i;
        } else if (c == u'\r' || c == u'\n') {
            ++i; // line breaks of the source are not text; a run goes on across them
        } else if (c != u'\\') {
            add(i, i + 1, QStringView(&c, 1));
            ++i;
        } else if (i + 1 >= n) {
            ++i;
        } else if (isAsciiLetter(d[i + 1])) {
            const ControlWord cw = readControlWord(d, i);
            if (cw.word == u"u" && cw.parameter) {
                const QChar u(char16_t(*cw.parameter < 0 ? *cw.parameter + 65536 : *cw.parameter));
                const qsizetype end = skipFallback(d, cw.end, unicodeSkip);
                add(i, end, QStringView(&u, 1));
                i = end;
                continue;
            }
            if (const QChar ch = characterWord(cw.word); !ch.isNull()) {
                add(i, cw.end, QStringView(&ch, 1));
                i = cw.end;
                continue;
            }
            close();
            i = cw.end;
            if (cw.word == u"uc")
                unicodeSkip = qMax(0, cw.parameter.value_or(1));
            else if (cw.word == u"bin" && cw.parameter.value_or(0) > 0)
                i = qMin(n, i + *cw.parameter);
        } else {
            const QChar s = d[i + 1];
            if (s == u'\'') {
                const int hi = i + 2 < n ? hexValue(d[i + 2]) : -1;
                const int lo = i + 3 < n ? hexValue(d[i + 3]) : -1;
                if (hi >= 0 && lo >= 0) {
                    const QChar ch = Cp1252::toChar(uchar(hi * 16 + lo));
                    add(i, i + 4, QStringView(&ch, 1));
                    i += 4;
                } else {
                    close();
                    i += 2;
                }
            } else if (s == u'\\' || s == u'{' || s == u'}') {
                add(i, i + 2, QStringView(&s, 1));
                i += 2;
            } else if (s == u'~' || s == u'_') {
                const QChar ch(s == u'~' ? char16_t(0x00A0) : char16_t(0x2011));
                add(i, i + 2, QStringView(&ch, 1));
                i += 2;
            } else if (s == u'-') {
                // An optional hyphen shows nothing but stays inside its word.
                if (run)
                    run->end = i + 2;
                i += 2;
            } else {
                close(); // \par as "\<newline>", \*, \| and the like
                i += 2;
            }
        }
    }
    close();
    return runs;
}

QString encode(QStringView text, int unicodeSkip)
{
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += u'\\';
            out += QChar(c);
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u"\\par ";
        } else if (c == u'\t') {
            out += u"\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            out += QChar(c);
        } else {
            // \uN takes a signed 16-bit number; its fallback follows it, or,
            // when readers skip nothing, the blank that ends the number.
            out += QStringLiteral("\\u") + QString::number(qint16(c));
            out += unicodeSkip > 0 ? QString(unicodeSkip, u'?') : QStringLiteral(" ");
        }
    }
    return out;
}

QString rewriteRuns(const QString &document, const QList<Run> &runs,
                    const std::function<std::optional<QString>(const Run &)> &edit)
{
    QString out;
    out.reserve(document.size() + 16);
    qsizetype at = 0;
    for (const Run &run : runs) {
        const std::optional<QString> text = edit(run);
        if (!text)
            continue;
        out += QStringView(document).mid(at, run.begin - at);
        out += run.rich ? encode(*text, run.unicodeSkip) : *text;
        at = run.end;
    }
    out += QStringView(document).mid(at);
    return out;
}

} // namespace RtfRuns
