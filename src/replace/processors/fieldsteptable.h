// SPDX-License-Identifier: MIT
// The three item processors and their field steps, which are the rows of the
// field table: flag key, property (also the undo name), step number, kind.
#pragma once

#include "fieldtable.h"

#include <QString>
#include <span>

using StepKind = FieldTable::StepKind;
using FieldStep = FieldTable::Field;

// Sub-step numbers of the e-mail step, so an error line tells the operation.
namespace EmailSubStep {
inline constexpr int Read = 171;         // reading the address
inline constexpr int SetText = 172;      // handing it to the control
inline constexpr int Search = 173;       // setting the pattern, counting matches
inline constexpr int Undo = 174;         // reading EntryID, writing the undo record
// Replacing; after an empty replacement, which cuts the matches out, also
// writing the field and the log line.
inline constexpr int Replace = 175;
// After a non-empty replacement: reading the rewritten text, writing the
// field and the log line.
inline constexpr int WriteAndLog = 176;
} // namespace EmailSubStep

inline constexpr char RtfBodyProperty[] = "RTFBody";

// The property an undo record's field is read and written through: a body's
// record is named Body and holds the rich text of RTFBody.
inline QString storedProperty(const QString &field)
{
    return field == u"Body" ? QString::fromLatin1(RtfBodyProperty) : field;
}

// One processor: its name (function name of its log lines and error source),
// the text of its opening line and its steps in run order, its page's run of
// the field table.
struct ProcessorKind
{
    const char *name;
    const char *opening;
    std::span<const FieldStep> steps;
};

inline constexpr ProcessorKind ContactProcessor{"SearchAndReplaceContacts", "Checking contact: ",
                                                FieldTable::fieldsOf(FieldTable::Page::Contacts)};
inline constexpr ProcessorKind AppointmentProcessor{
    "SearchAndReplaceAppointments", "Checking Appointment: ",
    FieldTable::fieldsOf(FieldTable::Page::Appointments)};
inline constexpr ProcessorKind TaskProcessor{"SearchAndReplaceTasks", "Checking Task: ",
                                             FieldTable::fieldsOf(FieldTable::Page::Tasks)};
