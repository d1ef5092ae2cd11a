// SPDX-License-Identifier: MIT
// The entry points of the Pellowan library: the settings page and the run of
// the Replace button on the applied settings.
#include "appliedrun.h"
#include "uc1.h"

extern "C" __attribute__((visibility("default"))) IPropertyPage *quenlock_create_page(QWidget *parent)
{
    return new UC1(parent);
}

extern "C" __attribute__((visibility("default"))) IReplaceRun *quenlock_create_run()
{
    return new AppliedRun;
}
