// SPDX-License-Identifier: MIT
// Windows-1252, the code page of RTF's \'hh escapes and of old vCard 2.1 files.
#pragma once

#include <QChar>

namespace Cp1252 {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
inline constexpr char16_t High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline QChar toChar(unsigned char byte)
{
    return QChar(byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : char16_t(byte));
}

// The byte for c, or -1 when Windows-1252 has no such character. The five
// bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the
// control characters of the same number and are written back as those bytes.
inline int fromChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return c;
    for (int k = 0; k < 32; ++k)
        if (High[k] == c)
            return 0x80 + k;
    return -1;
}

} // namespace Cp1252
