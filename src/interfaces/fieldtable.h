// SPDX-License-Identifier: MIT
// The field check boxes of the "Look In Fields" dialog and its group presets.
#pragma once

#include <array>
#include <cstdint>

namespace FieldTable {

enum class Page : std::uint8_t { Contacts, Appointments, Tasks };

// One check box: its settings key is its name without "chk". Column and row
// count from 1 at the top left of the box's page.
struct Field
{
    const char *name;
    const char *caption;
    Page page;
    int column;
    int row;
    int defaultValue; // when the key is absent
};

// In load and save order. "File As" stands between the e-mail "Display As"
// boxes and "Home Street Address", as it does on the page and among the
// replace engine's contact keys.
inline constexpr std::array<Field, 56> Fields = {{
    {"chkAccountName", "Account Name", Page::Contacts, 1, 1, 1},
    {"chkAssistantsPhone", "Assistant's Phone", Page::Contacts, 1, 2, 1},
    {"chkBusinessStreetAddress", "Business Street Address", Page::Contacts, 1, 3, 1},
    {"chkBusinessCity", "Business City", Page::Contacts, 1, 4, 1},
    {"chkBusinessState", "Business State", Page::Contacts, 1, 5, 1},
    {"chkBusinessZip", "Business Zip/Postal Code", Page::Contacts, 1, 6, 1},
    {"chkBody", "Body (Notes)", Page::Contacts, 1, 7, 1},
    {"chkBusinessPhone", "Business Phone", Page::Contacts, 1, 8, 1},
    {"chkBusinessPhone2", "Business Phone 2", Page::Contacts, 1, 9, 1},
    {"chkBusinessFax", "Business Fax", Page::Contacts, 1, 10, 1},
    {"chkBusinessHomePage", "Business Home Page", Page::Contacts, 1, 11, 1},
    {"chkCallbackPhone", "Callback Phone", Page::Contacts, 1, 12, 1},
    {"chkCarPhone", "Car Phone", Page::Contacts, 1, 13, 1},
    {"chkCompanyMainPhone", "Company Main Phone", Page::Contacts, 1, 14, 1},
    {"chkCompanyName", "Company Name", Page::Contacts, 1, 15, 1},
    {"chkEmailAddress", "Email Address", Page::Contacts, 2, 1, 1},
    {"chkEmail2Address", "Email 2 Address", Page::Contacts, 2, 2, 1},
    {"chkEmail3Address", "Email 3 Address", Page::Contacts, 2, 3, 1},
    {"chkEmailDisplayAs", "Email Display As", Page::Contacts, 2, 4, 1},
    {"chkEmail2DisplayAs", "Email 2 Display As", Page::Contacts, 2, 5, 1},
    {"chkEmail3DisplayAs", "Email 3 Display As", Page::Contacts, 2, 6, 1},
    {"chkFileAs", "File As", Page::Contacts, 2, 7, 1},
    {"chkHomeStreetAddress", "Home Street Address", Page::Contacts, 2, 8, 1},
    {"chkHomeCity", "Home City", Page::Contacts, 2, 9, 1},
    {"chkHomeState", "Home State", Page::Contacts, 2, 10, 1},
    {"chkHomeZip", "Home Zip/Postal Code", Page::Contacts, 2, 11, 1},
    {"chkHomePhone", "Home Phone", Page::Contacts, 2, 13, 1},
    {"chkHomePhone2", "Home Phone 2", Page::Contacts, 2, 14, 1},
    {"chkHomeFax", "Home Fax", Page::Contacts, 2, 12, 1},
    {"chkMobilePhone", "Mobile Phone", Page::Contacts, 2, 15, 1},
    {"chkOfficeLocation", "Office Location", Page::Contacts, 3, 1, 1},
    {"chkOtherStreetAddress", "Other Street Address", Page::Contacts, 3, 2, 1},
    {"chkOtherCity", "Other City", Page::Contacts, 3, 3, 1},
    {"chkOtherState", "Other State", Page::Contacts, 3, 4, 1},
    {"chkOtherZip", "Other Zip/Postal Code", Page::Contacts, 3, 5, 1},
    {"chkOtherPhone", "Other Phone", Page::Contacts, 3, 7, 1},
    {"chkOtherFax", "Other Fax", Page::Contacts, 3, 6, 1},
    {"chkPager", "Pager", Page::Contacts, 3, 8, 1},
    {"chkPrimaryPhone", "Primary Phone", Page::Contacts, 3, 9, 1},
    {"chkRadioPhone", "Radio Phone", Page::Contacts, 3, 10, 1},
    {"chkTTYPhone", "TTY/TDD Phone", Page::Contacts, 3, 11, 1},
    {"chkAppointmentSubject", "Subject", Page::Appointments, 1, 1, 0},
    {"chkAppointmentLocation", "Location", Page::Appointments, 1, 2, 0},
    {"chkAppointmentStart", "Start", Page::Appointments, 1, 3, 0},
    {"chkAppointmentEnd", "End", Page::Appointments, 1, 4, 0},
    {"chkAppointmentBody", "Body", Page::Appointments, 1, 5, 0},
    {"chkTaskActualWork", "Actual Work", Page::Tasks, 1, 1, 0},
    {"chkTaskBody", "Body (Notes)", Page::Tasks, 1, 2, 0},
    {"chkTaskBillingInformation", "Billing Information", Page::Tasks, 1, 3, 0},
    {"chkTaskCompanies", "Companies", Page::Tasks, 1, 4, 0},
    {"chkTaskDateCompleted", "Date Completed", Page::Tasks, 1, 5, 0},
    {"chkTaskDueDate", "Due Date", Page::Tasks, 1, 6, 0},
    {"chkTaskMileage", "Mileage", Page::Tasks, 1, 7, 0},
    {"chkTaskStartDate", "Start Date", Page::Tasks, 1, 8, 0},
    {"chkTaskSubject", "Subject", Page::Tasks, 1, 9, 0},
    {"chkTaskTotalWork", "Total Work", Page::Tasks, 1, 10, 0},
}};

// The contact boxes end where the appointment boxes begin; the special
// instruction is loaded and saved between the two.
inline constexpr int FirstNonContact = 41;

// The phone boxes, in the order the "Phone Numbers" preset sets them; exactly
// the fields the special instruction applies to.
inline constexpr std::array<const char *, 17> PhoneGroup = {
    "chkAssistantsPhone", "chkBusinessPhone", "chkBusinessPhone2", "chkBusinessFax",
    "chkCallbackPhone", "chkCarPhone", "chkCompanyMainPhone", "chkHomePhone", "chkHomePhone2",
    "chkHomeFax", "chkMobilePhone", "chkOtherPhone", "chkOtherFax", "chkPager",
    "chkPrimaryPhone", "chkRadioPhone", "chkTTYPhone"};
inline constexpr std::array<const char *, 3> ZipGroup = {"chkBusinessZip", "chkHomeZip",
                                                         "chkOtherZip"};
inline constexpr std::array<const char *, 3> EmailGroup = {"chkEmailAddress", "chkEmail2Address",
                                                           "chkEmail3Address"};

// A preset button: every box of its page, or only those of a group, gets value.
struct Preset
{
    const char *name;
    const char *caption;
    Page page;
    int left; // twips inside its frame
    int value;
    const char *const *group = nullptr; // nullptr: every box of the page
    int groupSize = 0;
};

inline constexpr std::array<Preset, 9> Presets = {{
    {"cmdContactSelectAllFields", "Select All Fields", Page::Contacts, 105, 1},
    {"cmdContactClearAllFields", "Clear All Fields", Page::Contacts, 1878, 0},
    {"cmdContactPhoneNumbers", "Phone Numbers", Page::Contacts, 3651, 1, PhoneGroup.data(),
     int(PhoneGroup.size())},
    {"cmdContactZipPostalCodes", "Zip/Postal Codes", Page::Contacts, 5424, 1, ZipGroup.data(),
     int(ZipGroup.size())},
    {"cmdContactEmailAddresses", "Email Addresses", Page::Contacts, 7200, 1, EmailGroup.data(),
     int(EmailGroup.size())},
    {"cmdAppointmentSelectAllFields", "Select All Fields", Page::Appointments, 105, 1},
    {"cmdAppointmentClearAllFields", "Clear All Fields", Page::Appointments, 1878, 0},
    {"cmdTaskSelectAllFields", "Select All Fields", Page::Tasks, 105, 1},
    {"cmdTaskClearAllFields", "Clear All Fields", Page::Tasks, 1878, 0},
}};

} // namespace FieldTable
