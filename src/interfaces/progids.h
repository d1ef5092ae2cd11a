// SPDX-License-Identifier: MIT
// Names under which the outside classes are created.
#pragma once

namespace ProgId {
inline constexpr char SafeContactItem[] = "VEVavizud.VHSafeContactItem";
inline constexpr char SafeAppointmentItem[] = "VEVavizud.VHSafeAppointmentItem";
inline constexpr char SafeTaskItem[] = "VEVavizud.VHSafeTaskItem";
inline constexpr char MapiUtils[] = "VEVavizud.VHMAPIUtils";
inline constexpr char EngineActivityLog[] = "EngineActivityLog";
inline constexpr char FolderRef[] = "FolderRef";
inline constexpr char MultiFolderPicker[] = "MultiFolderPicker";
inline constexpr char RegexControl[] = "VSFlex6Ctl.vsFlexString";
} // namespace ProgId
