// SPDX-License-Identifier: MIT
#include "uc1.h"

void UC1::cmdChooseFields_Click() {}
