// SPDX-License-Identifier: MIT
// The host engine's creatable classes and its settings application name.
#pragma once

#include <QString>

namespace Engine {
// The one application name under which the host keeps its modules' settings.
inline constexpr char SettingsAppName[] = "QuenlockHost";
// Registers EngineActivityLog and FolderRef with the class factory.
void registerEngineClasses();
} // namespace Engine
