// SPDX-License-Identifier: MIT
// What the host keeps of every run that may change items, so it can be undone.
#pragma once

#include <QString>
#include <QStringList>

// One field a run changes (or, in a preview, would change): where it is, its
// value before (what the undo record holds) and the value the run wrote.
struct PlannedChange
{
    QString storeId, folderEntryId, itemEntryId, field, oldValue, newValue;
    // For people, filled where the item is at hand (not journaled): the item's
    // name (a contact's full name or File As, a subject) and the field's caption.
    QString itemName = {}, caption = {};
};

// A run as it starts, after its confirmation.
struct RunStart
{
    QString searchFor;
    QString replaceWith;
    qint32 caseValue = 0;
    QString specialInstructions;
    QStringList folders; // the configured folders' names
    qint64 undoes = 0;   // the run an undo gives back; 0 for a replace
    QStringList stores;  // the configured folders' store ids, beside folders (the journal names accounts by them)
};

// How a run ended. The numbers are stored.
enum class RunEnd {
    Error = 0,     // at an error line
    Finished = 1,  // reached its end
    ItemsLeft = 2, // an undo that reached its end leaving items as they were (skipped or failed)
    Stopped = 3,   // stopped between items on request (an interrupt or a terminate signal)
    LogFailed = 4, // stopped because the logs could not be written (marked so when the log still takes it)
};
