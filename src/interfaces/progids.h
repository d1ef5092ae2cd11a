// SPDX-License-Identifier: MIT
// Names under which the outside classes are created.
#pragma once

#include "itemkinds.h"

namespace ProgId {
// The wrappers' names are their kinds' (itemkinds.h); these name one kind's.
inline constexpr const char *SafeContactItem = ItemKinds::of(FieldTable::Page::Contacts).progId;
inline constexpr const char *SafeAppointmentItem = ItemKinds::of(FieldTable::Page::Appointments).progId;
inline constexpr const char *SafeTaskItem = ItemKinds::of(FieldTable::Page::Tasks).progId;
inline constexpr char MapiUtils[] = "VEVavizud.VHMAPIUtils";
inline constexpr char EngineActivityLog[] = "EngineActivityLog";
inline constexpr char FolderRef[] = "FolderRef";
inline constexpr char MultiFolderPicker[] = "MultiFolderPicker";
inline constexpr char RegexControl[] = "VSFlex6Ctl.vsFlexString";
} // namespace ProgId
