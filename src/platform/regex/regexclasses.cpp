// SPDX-License-Identifier: MIT
#include "regexclasses.h"

void Regex::registerRegexClasses() {}
