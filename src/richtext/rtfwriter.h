// SPDX-License-Identifier: MIT
// The one RTF writer: text as RTF source, for new bodies and for rewritten runs.
#pragma once

#include <QString>
#include <QStringView>

namespace Rtf {

// What a carriage return becomes. A body written whole keeps it as the
// character \u13, so the body reads back exactly; text put into a run is a
// paragraph break there, with the line feed that may follow it.
enum class CarriageReturn { Character, Paragraph };

// RTF source for text: \ { } escaped, line feeds as \par, tabs as \tab,
// everything else outside printable ASCII as \uN followed by unicodeSkip
// "?" (at most maxUnicodeSkip; or, when readers skip nothing, the blank that
// ends the number).
QString escape(QStringView text, int unicodeSkip, CarriageReturn carriageReturn);
// The same, appended to out: a body written whole is made in one string.
void appendEscaped(QString &out, QStringView text, int unicodeSkip, CarriageReturn carriageReturn);

} // namespace Rtf
