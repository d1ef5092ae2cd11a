// SPDX-License-Identifier: MIT
// The 56 field flags in one table: the settings key each is stored under, the
// "Look In Fields" check box that shows it and the replace step it switches on.
// The dialog, the flag loader and the item processors read their views from
// here; the checks at the end fail the build when an edit would break one.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace FieldTable {

enum class Page : std::uint8_t { Contacts, Appointments, Tasks };

// How a replace step treats its field.
enum class StepKind : std::uint8_t {
    Plain, // the field is searched as text and rewritten
    Phone, // plain, or only its "(area code)" under the special instruction
    Body,  // Body is searched, then the text runs of RTFBody; RTFBody is written
    Email, // plain, then a log line with the new address; numbered 171 to 176
};

// The preset buttons that set a group of boxes rather than a whole page. The
// phone group is exactly the Phone steps, the fields the special instruction
// applies to, so no row names it.
enum class Group : std::uint8_t { None, Phone, Zip, Email };

struct Field
{
    const char *flagKey;  // settings key; the check box is "chk" + flagKey
    const char *property; // wrapper property of the step, also the undo record's field name
    const char *caption;
    Page page;
    int column;       // from 1 at the left of the box's page
    int row;          // from 1 at the top
    int defaultValue; // the dialog's value when the key is absent
    int step;         // the number an error line of the step reports
    StepKind kind;
    Group group = Group::None;
};

// In load, save and run order: the contacts, then the appointments, then the
// tasks. The dialog's rows need not follow it: Home Fax and Other Fax stand
// above their phones.
inline constexpr auto Fields = [] {
    using enum Page;
    using enum StepKind;
    return std::to_array<Field>({
        {"AccountName", "Account", "Account Name", Contacts, 1, 1, 1, 20, Plain},
        {"AssistantsPhone", "AssistantTelephoneNumber", "Assistant's Phone", Contacts, 1, 2, 1, 30, Phone},
        {"BusinessStreetAddress", "BusinessAddressStreet", "Business Street Address", Contacts, 1, 3, 1, 40, Plain},
        {"BusinessCity", "BusinessAddressCity", "Business City", Contacts, 1, 4, 1, 50, Plain},
        {"BusinessState", "BusinessAddressState", "Business State", Contacts, 1, 5, 1, 60, Plain},
        {"BusinessZip", "BusinessAddressPostalCode", "Business Zip/Postal Code", Contacts, 1, 6, 1, 70, Plain, Group::Zip},
        {"Body", "Body", "Body (Notes)", Contacts, 1, 7, 1, 80, Body},
        {"BusinessPhone", "BusinessTelephoneNumber", "Business Phone", Contacts, 1, 8, 1, 90, Phone},
        {"BusinessPhone2", "Business2TelephoneNumber", "Business Phone 2", Contacts, 1, 9, 1, 100, Phone},
        {"BusinessFax", "BusinessFaxNumber", "Business Fax", Contacts, 1, 10, 1, 110, Phone},
        {"BusinessHomePage", "BusinessHomePage", "Business Home Page", Contacts, 1, 11, 1, 120, Plain},
        {"CallbackPhone", "CallbackTelephoneNumber", "Callback Phone", Contacts, 1, 12, 1, 130, Phone},
        {"CarPhone", "CarTelephoneNumber", "Car Phone", Contacts, 1, 13, 1, 140, Phone},
        {"CompanyMainPhone", "CompanyMainTelephoneNumber", "Company Main Phone", Contacts, 1, 14, 1, 150, Phone},
        {"CompanyName", "CompanyName", "Company Name", Contacts, 1, 15, 1, 160, Plain},
        {"EmailAddress", "Email1Address", "Email Address", Contacts, 2, 1, 1, 170, Email, Group::Email},
        {"Email2Address", "Email2Address", "Email 2 Address", Contacts, 2, 2, 1, 180, Plain, Group::Email},
        {"Email3Address", "Email3Address", "Email 3 Address", Contacts, 2, 3, 1, 190, Plain, Group::Email},
        {"EmailDisplayAs", "Email1DisplayName", "Email Display As", Contacts, 2, 4, 1, 200, Plain},
        {"Email2DisplayAs", "Email2DisplayName", "Email 2 Display As", Contacts, 2, 5, 1, 210, Plain},
        {"Email3DisplayAs", "Email3DisplayName", "Email 3 Display As", Contacts, 2, 6, 1, 220, Plain},
        // "File As" stands between the e-mail "Display As" boxes and "Home
        // Street Address" in every view.
        {"FileAs", "FileAs", "File As", Contacts, 2, 7, 1, 225, Plain},
        {"HomeStreetAddress", "HomeAddressStreet", "Home Street Address", Contacts, 2, 8, 1, 230, Plain},
        {"HomeCity", "HomeAddressCity", "Home City", Contacts, 2, 9, 1, 240, Plain},
        {"HomeState", "HomeAddressState", "Home State", Contacts, 2, 10, 1, 250, Plain},
        {"HomeZip", "HomeAddressPostalCode", "Home Zip/Postal Code", Contacts, 2, 11, 1, 260, Plain, Group::Zip},
        {"HomePhone", "HomeTelephoneNumber", "Home Phone", Contacts, 2, 13, 1, 270, Phone},
        {"HomePhone2", "Home2TelephoneNumber", "Home Phone 2", Contacts, 2, 14, 1, 280, Phone},
        {"HomeFax", "HomeFaxNumber", "Home Fax", Contacts, 2, 12, 1, 290, Phone},
        {"MobilePhone", "MobileTelephoneNumber", "Mobile Phone", Contacts, 2, 15, 1, 300, Phone},
        {"OfficeLocation", "OfficeLocation", "Office Location", Contacts, 3, 1, 1, 310, Plain},
        {"OtherStreetAddress", "OtherAddressStreet", "Other Street Address", Contacts, 3, 2, 1, 320, Plain},
        {"OtherCity", "OtherAddressCity", "Other City", Contacts, 3, 3, 1, 330, Plain},
        {"OtherState", "OtherAddressState", "Other State", Contacts, 3, 4, 1, 340, Plain},
        {"OtherZip", "OtherAddressPostalCode", "Other Zip/Postal Code", Contacts, 3, 5, 1, 350, Plain, Group::Zip},
        {"OtherPhone", "OtherTelephoneNumber", "Other Phone", Contacts, 3, 7, 1, 360, Phone},
        // Step 370 is not used.
        {"OtherFax", "OtherFaxNumber", "Other Fax", Contacts, 3, 6, 1, 380, Phone},
        {"Pager", "PagerNumber", "Pager", Contacts, 3, 8, 1, 390, Phone},
        {"PrimaryPhone", "PrimaryTelephoneNumber", "Primary Phone", Contacts, 3, 9, 1, 400, Phone},
        {"RadioPhone", "RadioTelephoneNumber", "Radio Phone", Contacts, 3, 10, 1, 410, Phone},
        {"TTYPhone", "TTYTDDTelephoneNumber", "TTY/TDD Phone", Contacts, 3, 11, 1, 420, Phone},
        {"AppointmentSubject", "Subject", "Subject", Appointments, 1, 1, 0, 500, Plain},
        {"AppointmentLocation", "Location", "Location", Appointments, 1, 2, 0, 510, Plain},
        {"AppointmentStart", "Start", "Start", Appointments, 1, 3, 0, 520, Plain},
        {"AppointmentEnd", "End", "End", Appointments, 1, 4, 0, 530, Plain},
        {"AppointmentBody", "Body", "Body", Appointments, 1, 5, 0, 540, Body},
        {"TaskActualWork", "ActualWork", "Actual Work", Tasks, 1, 1, 0, 600, Plain},
        {"TaskBody", "Body", "Body (Notes)", Tasks, 1, 2, 0, 610, Body},
        {"TaskBillingInformation", "BillingInformation", "Billing Information", Tasks, 1, 3, 0, 620, Plain},
        {"TaskCompanies", "Companies", "Companies", Tasks, 1, 4, 0, 630, Plain},
        {"TaskDateCompleted", "DateCompleted", "Date Completed", Tasks, 1, 5, 0, 640, Plain},
        {"TaskDueDate", "DueDate", "Due Date", Tasks, 1, 6, 0, 650, Plain},
        {"TaskMileage", "Mileage", "Mileage", Tasks, 1, 7, 0, 660, Plain},
        {"TaskStartDate", "StartDate", "Start Date", Tasks, 1, 8, 0, 670, Plain},
        // Subject runs between 670 and 680 and reports 675, the free number
        // between its neighbours, so an error line still places it.
        {"TaskSubject", "Subject", "Subject", Tasks, 1, 9, 0, 675, Plain},
        {"TaskTotalWork", "TotalWork", "Total Work", Tasks, 1, 10, 0, 680, Plain},
    });
}();

// A page's fields, one run of the table: its processor's steps and its keys
// in load order.
constexpr std::span<const Field> fieldsOf(Page page)
{
    std::size_t first = 0;
    while (first < Fields.size() && Fields[first].page != page)
        ++first;
    std::size_t end = first;
    while (end < Fields.size() && Fields[end].page == page)
        ++end;
    return std::span(Fields).subspan(first, end - first);
}

// The row of a wrapper property among fields (a page names each property
// once; across pages the first row), or nullptr.
inline const Field *byProperty(std::span<const Field> fields, const QString &property)
{
    for (const Field &field : fields)
        if (property == QLatin1String(field.property))
            return &field;
    return nullptr;
}

// A preset button: every box of its page, or only those of a group, gets value.
struct Preset
{
    const char *name;
    const char *caption;
    Page page;
    int left; // twips inside its frame
    int value;
    Group group = Group::None; // None: every box of the page
};

inline constexpr std::array<Preset, 9> Presets = {{
    {"cmdContactSelectAllFields", "Select All Fields", Page::Contacts, 105, 1},
    {"cmdContactClearAllFields", "Clear All Fields", Page::Contacts, 1878, 0},
    {"cmdContactPhoneNumbers", "Phone Numbers", Page::Contacts, 3651, 1, Group::Phone},
    {"cmdContactZipPostalCodes", "Zip/Postal Codes", Page::Contacts, 5424, 1, Group::Zip},
    {"cmdContactEmailAddresses", "Email Addresses", Page::Contacts, 7200, 1, Group::Email},
    {"cmdAppointmentSelectAllFields", "Select All Fields", Page::Appointments, 105, 1},
    {"cmdAppointmentClearAllFields", "Clear All Fields", Page::Appointments, 1878, 0},
    {"cmdTaskSelectAllFields", "Select All Fields", Page::Tasks, 105, 1},
    {"cmdTaskClearAllFields", "Clear All Fields", Page::Tasks, 1878, 0},
}};

// Whether a box belongs to a preset's group; Group::None holds every box.
constexpr bool inGroup(const Field &field, Group group)
{
    switch (group) {
    case Group::None:
        return true;
    case Group::Phone:
        return field.kind == StepKind::Phone;
    default:
        return field.group == group;
    }
}

constexpr bool presetSets(const Preset &preset, const Field &field)
{
    return field.page == preset.page && inGroup(field, preset.group);
}

// What the views above rely on; each check fails the build, not a run.
namespace Checks {

constexpr bool sameText(const char *a, const char *b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// Each page is one run of the table, in tab order, so fieldsOf() is the
// whole page and the instruction loads between contacts and the rest.
constexpr bool pagesInTabOrder()
{
    for (std::size_t i = 1; i < Fields.size(); ++i)
        if (Fields[i].page < Fields[i - 1].page)
            return false;
    return true;
}

// The steps run in table order; rising numbers keep an error line placing
// its step among its neighbours.
constexpr bool stepsRise()
{
    for (std::size_t i = 1; i < Fields.size(); ++i)
        if (Fields[i].step <= Fields[i - 1].step)
            return false;
    return true;
}

// One flag per key, one box per place; columns are the dialog's three.
constexpr bool keysAndPlacesUnique()
{
    for (const Field &a : Fields) {
        if (a.column < 1 || a.column > 3 || a.row < 1)
            return false;
        for (const Field &b : Fields)
            if (&a != &b && (sameText(a.flagKey, b.flagKey)
                             || (a.page == b.page && a.column == b.column && a.row == b.row)))
                return false;
    }
    return true;
}

// A group preset reaches boxes of its own page only, and at least one; no
// row claims the phone group, which the step kinds define.
constexpr bool groupsOnTheirPage()
{
    for (const Field &field : Fields)
        if (field.group == Group::Phone)
            return false;
    for (const Preset &preset : Presets) {
        int own = 0;
        for (const Field &field : Fields) {
            if (preset.group != Group::None && inGroup(field, preset.group)
                && field.page != preset.page)
                return false;
            own += presetSets(preset, field);
        }
        if (own == 0)
            return false;
    }
    return true;
}

static_assert(pagesInTabOrder());
static_assert(stepsRise());
static_assert(keysAndPlacesUnique());
static_assert(groupsOnTheirPage());

} // namespace Checks

} // namespace FieldTable
