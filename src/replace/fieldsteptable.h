// SPDX-License-Identifier: MIT
// The processors' field steps, which are the rows of the field table: flag
// key, property (also the undo name), step number, kind. A processor is its
// item kind's row (itemkinds.h): name, opening line and its page's steps.
#pragma once

#include "fieldtable.h"
#include "itemkinds.h"

#include <QString>

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

