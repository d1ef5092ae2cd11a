// SPDX-License-Identifier: MIT
#include "uc1.h"

void UC1::cmdReplace_Click() {}
