// SPDX-License-Identifier: MIT
// Settings keys and the fixed texts the page writes, in one place.
#pragma once

#include <QString>

namespace Keys {
inline constexpr char Section[] = "Morvane";
inline constexpr char SearchFor[] = "SearchFor";
inline constexpr char ReplaceWith[] = "ReplaceWith";
inline constexpr char CaseSensitive[] = "CaseSensitive";
inline constexpr char SpecialInstructions[] = "SpecialInstructions";
inline constexpr char FolderCount[] = "FolderCount";
inline constexpr char FolderName[] = "FolderName";       // + n
inline constexpr char FolderEntryId[] = "FolderEntryId"; // + n
inline constexpr char FolderStoreId[] = "FolderStoreId"; // + n

inline constexpr char NotFound[] = "Not Found";
inline constexpr char Uninitialized[] = "Uninitialized";
inline constexpr char SpecialNone[] = "None";
inline constexpr char SpecialAreaCodes[] = "Only look in city/area codes";

inline QString numbered(const char *stem, int n) { return QString::fromLatin1(stem) + QString::number(n); }
} // namespace Keys
