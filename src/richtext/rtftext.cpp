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
    QString out;
    out.reserve(rtf.size()); // never longer than its source
    Rtf::Reader reader(rtf, Rtf::Reading::Showing);
    // Text after the document's last brace still shows.
    while (const std::optional<Rtf::Token> token = reader.next()) {
        if (token->kind == Rtf::Token::Text)
            out += token->character;
        else if (token->kind == Rtf::Token::Break)
            out += u'\n';
    }
    return out;
}

} // namespace RtfText
