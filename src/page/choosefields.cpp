// SPDX-License-Identifier: MIT
// The "Choose Fields..." button: the field chooser dialog, then the page is dirty.
#include "uc1.h"

#include "frmlookinfields.h"
#include "prompt.h"
#include "systemtexts.h"

void UC1::cmdChooseFields_Click()
{
    // The dialog saves its own keys on OK; whatever way it closed, the user
    // has to Apply before the next run.
    try {
        frmLookInFields dialog; // no owner window
        dialog.exec();
    } catch (const QuenlockError &error) {
        // Only a settings store that cannot be read gets here; say so rather
        // than let the error leave the button's event.
        prompt().ask(this,
                     Texts::fieldChoicesUnread(error.description()),
                     Prompt::Buttons::Ok);
    }
    SetDirty();
}
