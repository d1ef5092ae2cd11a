// SPDX-License-Identifier: MIT
#include "rtftext.h"

#include "rtfreader.h"
#include "rtfwriter.h"

namespace RtfText {

QString fromPlainText(const QString &text)
{
    // \uc1: one "?" after each \uN for readers without Unicode.
    QString out = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil Sans;}}\\f0 ");
    Rtf::appendEscaped(out, text, 1, Rtf::CarriageReturn::Character);
    out += u'}';
    return out;
}

std::optional<QString> toPlainText(const QString &rtf)
{
    if (!Rtf::isRichText(rtf))
        return std::nullopt;
    // Never longer than its source: written into one allocation of that size.
    QString out(rtf.size(), Qt::Uninitialized);
    QChar *const text = out.data();
    qsizetype length = 0;
    Rtf::Reader reader(rtf, Rtf::Reading::Showing);
    // Text after the document's last brace still shows.
    while (const std::optional<Rtf::Token> token = reader.next()) {
        if (token->kind == Rtf::Token::Text)
            text[length++] = token->character;
        else if (token->kind == Rtf::Token::Break)
            text[length++] = u'\n';
    }
    out.truncate(length);
    return out;
}

} // namespace RtfText
