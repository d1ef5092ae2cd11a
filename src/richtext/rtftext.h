// SPDX-License-Identifier: MIT
// An item's plain body as a small RTF document, and the plain text an RTF document shows.
#pragma once

#include <QString>
#include <optional>

namespace RtfText {

// A minimal RTF document showing text: line breaks as \par, tabs as \tab,
// characters past ASCII as \uN (two for a surrogate pair).
QString fromPlainText(const QString &text);

// The text an RTF document shows: paragraph and line ends as line feeds,
// groups that are no text (the font table, headers ...) skipped; nullopt
// when the text does not start with "{\rtf".
std::optional<QString> toPlainText(const QString &rtf);

} // namespace RtfText
