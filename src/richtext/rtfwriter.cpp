// SPDX-License-Identifier: MIT
#include "rtfwriter.h"

#include "rtfreader.h"

#include <algorithm>

namespace Rtf {

QString escape(QStringView text, int unicodeSkip, CarriageReturn carriageReturn)
{
    QString out;
    appendEscaped(out, text, unicodeSkip, carriageReturn);
    return out;
}

void appendEscaped(QString &out, QStringView text, int unicodeSkip, CarriageReturn carriageReturn)
{
    // The reader skips no more than this, so more "?" would show as text.
    unicodeSkip = qBound(0, unicodeSkip, maxUnicodeSkip);
    // Room for a "\par " every forty characters: a long body grows once or
    // not at all instead of doubling its way up. Appending run after run
    // still doubles, so many short texts are not copied once each.
    const qsizetype needed = out.size() + text.size() + text.size() / 10 + 8;
    if (needed > out.capacity())
        out.reserve(std::max(needed, out.capacity() * 2));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += u'\\';
            out += QChar(c);
        } else if (c == u'\n' || (c == u'\r' && carriageReturn == CarriageReturn::Paragraph)) {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += u"\\par ";
        } else if (c == u'\t') {
            out += u"\\tab ";
        } else if (c >= 0x20 && c < 0x7F) {
            out += QChar(c);
        } else {
            // \uN takes a signed 16-bit number.
            out += u"\\u";
            out += QString::number(qint16(c));
            out += unicodeSkip > 0 ? QString(unicodeSkip, u'?') : QStringLiteral(" ");
        }
    }
}

} // namespace Rtf
