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
