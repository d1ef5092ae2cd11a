// SPDX-License-Identifier: MIT
// Encodings of vCard and iCalendar values: escapes, quoted-printable, character sets, folding.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace VText {

// The dialect of a file: vCard 2.1 has no backslash escapes except "\;" in
// structured values, and carries line breaks through quoted-printable.
enum class Dialect : quint8 { VCard21, VCard30, VCard40, ICalendar };

// TEXT escapes (RFC 6350 3.4, RFC 5545 3.3.11). A CRLF or a lone CR in the
// text becomes one "\n".
QString escapeText(const QString &text, Dialect dialect, bool structured);
// Reads back "\\", "\;", "\,", "\n", "\N" and "\:"; any other backslash stays.
QString unescapeText(QStringView text, Dialect dialect, bool structured);
// The same in the text's own buffer (the text only shrinks).
void unescapeInPlace(QString &text, Dialect dialect, bool structured);
// Splits a structured value on the semicolons that are not escaped; the parts
// keep their escapes.
QStringList splitComponents(const QString &escaped);
// Component n of a structured value (escapes kept), or empty when it has fewer.
QStringView component(QStringView escaped, int n);

QByteArray decodeQuotedPrintable(const QByteArray &encoded);
// Quoted-printable for one property (RFC 2045 6.7): line breaks as "=0D=0A",
// soft line breaks so no physical line passes 76 octets; firstLineUsed is the
// length of the property's header on the first line.
QByteArray encodeQuotedPrintable(const QByteArray &bytes, int firstLineUsed, const QByteArray &eol);

bool isValidUtf8(const char *data, qsizetype size);
// Charsets that vCard 2.1 files name in CHARSET; nullopt-like empty result
// with ok=false for one we cannot read.
QString decodeCharset(const QByteArray &bytes, const QByteArray &charset, bool *ok);
// Encodes in the named charset when every character fits, else returns false.
bool encodeCharset(const QString &text, const QByteArray &charset, QByteArray *out);

// Folds a content line at 75 octets (RFC 6350 3.2, RFC 5545 3.1) without
// splitting a UTF-8 sequence; eol ends every physical line except the last.
QByteArray fold(const QByteArray &line, const QByteArray &eol);

} // namespace VText
