// SPDX-License-Identifier: MIT
// The one entry point of the Pellowan library: the settings page factory.
#include "uc1.h"

extern "C" __attribute__((visibility("default"))) IPropertyPage *quenlock_create_page(QWidget *parent)
{
    return new UC1(parent);
}
