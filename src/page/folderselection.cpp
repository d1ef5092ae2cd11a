// SPDX-License-Identifier: MIT
#include "uc1.h"

void UC1::cmdChooseFolder_Click() {}
void UC1::cmdChooseMultiFolder_Click() {}
