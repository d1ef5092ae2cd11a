// SPDX-License-Identifier: MIT
// Text to whole number, the one conversion every settings reader uses.
#pragma once

#include "quenlockerror.h"

#include <QString>
#include <cstdint>

// A 32-bit whole number with optional sign and surrounding blanks.
// Anything else raises "Type mismatch"; a number out of range "Overflow".
inline qint32 textToLong(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i == t.size())
        throw QuenlockError(QStringLiteral("Type mismatch"));
    qint64 value = 0;
    bool overflow = false;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            throw QuenlockError(QStringLiteral("Type mismatch"));
        if (!overflow) {
            value = value * 10 + (c - u'0');
            overflow = value > qint64(INT32_MAX) + 1;
        }
    }
    if (negative)
        value = -value;
    if (overflow || value > INT32_MAX || value < INT32_MIN)
        throw QuenlockError(QStringLiteral("Overflow"));
    return qint32(value);
}

// The stored case flag: 0 clear, 1 ticked, 2 grayed (the page shows it so; a
// run counts it as case sensitive). Any other number raises "Invalid
// property value", a text that is no number "Type mismatch".
inline qint32 storedCaseFlag(const QString &text)
{
    const qint32 value = textToLong(text);
    if (value < 0 || value > 2)
        throw QuenlockError(QStringLiteral("Invalid property value"));
    return value;
}

// The value of a hexadecimal digit; -1 for any other character.
constexpr int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}
