// SPDX-License-Identifier: MIT
// The frame the three item processors share, and their field steps.
#pragma once

#include "fieldsteptable.h"

#include <QString>
#include <functional>

struct FieldFlags;
class RegexControl;
class RunLogs;
class SafeItem;

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

// Rewrites the looked-in fields of one item in its kind's fixed order.
// Logs the opening line, then runs every chosen step; each matching field
// gets its undo record before it is written. The first error ends the item:
// one host log line names the step, and the changed flag reached so far is
// returned, so fields already written still get saved. Does not save: the
// run saves the items it reports changed. Borrows the logs, the flags, the
// control (made on first use by the function given) and the wrapper.
class ItemProcessor
{
public:
    ItemProcessor(RunLogs &logs, const FieldFlags &flags, std::function<RegexControl &()> control)
        : m_logs(logs), m_flags(flags), m_control(std::move(control)) {}

    [[nodiscard]] bool process(const ItemKinds::Kind &kind, const ItemInputs &in);

private:
    RunLogs &m_logs;
    const FieldFlags &m_flags;
    std::function<RegexControl &()> m_control;
};
