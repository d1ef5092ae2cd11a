// SPDX-License-Identifier: MIT
// Settings keys and the fixed texts the page writes, in one place.
#pragma once

#include <QString>
#include <array>

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

// The field-flag keys in load order.
inline constexpr std::array<const char *, 41> ContactFlags = {
    "AccountName", "AssistantsPhone", "BusinessStreetAddress", "BusinessCity", "BusinessState",
    "BusinessZip", "Body", "BusinessPhone", "BusinessPhone2", "BusinessFax", "BusinessHomePage",
    "CallbackPhone", "CarPhone", "CompanyMainPhone", "CompanyName", "EmailAddress",
    "Email2Address", "Email3Address", "EmailDisplayAs", "Email2DisplayAs", "Email3DisplayAs",
    "FileAs", "HomeStreetAddress", "HomeCity", "HomeState", "HomeZip", "HomePhone",
    "HomePhone2", "HomeFax", "MobilePhone", "OfficeLocation", "OtherStreetAddress", "OtherCity",
    "OtherState", "OtherZip", "OtherPhone", "OtherFax", "Pager", "PrimaryPhone", "RadioPhone",
    "TTYPhone"};
inline constexpr std::array<const char *, 5> AppointmentFlags = {
    "AppointmentSubject", "AppointmentLocation", "AppointmentStart", "AppointmentEnd",
    "AppointmentBody"};
inline constexpr std::array<const char *, 10> TaskFlags = {
    "TaskActualWork", "TaskBody", "TaskBillingInformation", "TaskCompanies",
    "TaskDateCompleted", "TaskDueDate", "TaskMileage", "TaskStartDate", "TaskSubject",
    "TaskTotalWork"};

inline QString numbered(const char *stem, int n) { return QString::fromLatin1(stem) + QString::number(n); }
} // namespace Keys
