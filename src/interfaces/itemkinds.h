// SPDX-License-Identifier: MIT
// The item kinds the system rewrites, one row each: what the run, the undo,
// the field chooser, the flag loader and the data layer know of a kind.
#pragma once

#include "fieldtable.h"

#include <QString>
#include <array>
#include <span>

namespace ItemKinds {

struct Kind
{
    FieldTable::Page page;   // its fields and flags: its page's run of the field table
    const char *typeName;    // what OlItem::TypeName() reports for its items
    const char *progId;      // the safe-item wrapper made for each item
    const char *processor;   // the processor's name: its log lines' function, its errors' source
    const char *opening;     // the processor's opening activity line, before the item's subject
    const char *pageCaption; // the chooser's tab, "&" before its mnemonic
    bool holdsInstruction;   // the page with the special instruction, loaded and saved after its flags
    const char *component;   // the data layer's vCard or iCalendar component
    const char *noun;        // how the data layer's messages name one item

    constexpr std::span<const FieldTable::Field> fields() const { return FieldTable::fieldsOf(page); }
};

// In load, save and run order, one row per page of the field table.
inline constexpr std::array<Kind, 3> Kinds = {{
    {FieldTable::Page::Contacts, "ContactItem", "VEVavizud.VHSafeContactItem", "SearchAndReplaceContacts",
     "Checking contact: ", "&Contacts", true, "VCARD", "contact"},
    {FieldTable::Page::Appointments, "AppointmentItem", "VEVavizud.VHSafeAppointmentItem",
     "SearchAndReplaceAppointments", "Checking Appointment: ", "&Appointments", false, "VEVENT",
     "appointment"},
    {FieldTable::Page::Tasks, "TaskItem", "VEVavizud.VHSafeTaskItem", "SearchAndReplaceTasks",
     "Checking Task: ", "&Tasks", false, "VTODO", "task"},
}};

constexpr const Kind &of(FieldTable::Page page) { return Kinds[std::size_t(page)]; }

// The kind of an item by its type name; nullptr for any other item (mail,
// note, distribution list), which the run passes over.
inline const Kind *ofType(const QString &typeName)
{
    for (const Kind &kind : Kinds)
        if (typeName == QLatin1String(kind.typeName))
            return &kind;
    return nullptr;
}

namespace Checks {
// A row's place is its page, every page of the field table has a row, and
// exactly one page holds the special instruction.
constexpr bool onePerPage()
{
    int instructions = 0;
    for (std::size_t i = 0; i < Kinds.size(); ++i) {
        if (std::size_t(Kinds[i].page) != i || Kinds[i].fields().empty())
            return false;
        instructions += Kinds[i].holdsInstruction;
    }
    return instructions == 1 && Kinds.size() == std::size_t(FieldTable::Fields.back().page) + 1;
}
static_assert(onePerPage());
} // namespace Checks

} // namespace ItemKinds
