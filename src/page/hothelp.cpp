// SPDX-License-Identifier: MIT
#include "uc1.h"

void UC1::LoadHelpTexts() {}
void UC1::ShowHotHelp(const QString &) {}
void UC1::ResetHotHelp() {}
