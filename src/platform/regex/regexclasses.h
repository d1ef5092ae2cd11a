// SPDX-License-Identifier: MIT
// Registers the regular-expression text control with the class factory.
#pragma once

namespace Regex {
void registerRegexClasses();
}
