// SPDX-License-Identifier: MIT
// The one entry point of the Morvane library: the module factory.
#include "cmorvane.h"

extern "C" __attribute__((visibility("default"))) IModuleAPI *quenlock_create_module()
{
    return new CMorvane;
}
