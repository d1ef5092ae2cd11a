// SPDX-License-Identifier: MIT
#include "pimclasses.h"

void Pim::registerPimClasses() {}
