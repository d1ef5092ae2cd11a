// SPDX-License-Identifier: MIT
// The frame the three item processors share, and their field steps.
#pragma once

#include "fieldsteptable.h"

#include <QString>
#include <functional>

class RegexControl;
class SafeItem;
class UC1;

// What the replace run hands a processor for one item.
struct ItemInputs
{
    const QString &folderStoreId;
    const QString &folderEntryId;
    SafeItem &wrapper;
    const QString &searchText;
    const QString &replacement;
    qint32 caseFlag;
};

// Logs the opening line, then runs every chosen step of the kind in order.
// Each matching field gets its undo record before it is written. The first
// error ends the item: one host log line names the step, and the changed
// flag reached so far is returned, so fields already written still get
// saved. Does not save; borrows the page and the wrapper.
bool runItemProcessor(UC1 &page, const std::function<RegexControl &()> &control,
                      const ProcessorKind &kind, const ItemInputs &in);
