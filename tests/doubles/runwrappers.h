// SPDX-License-Identifier: MIT
// Safe-item wrappers for run tests: they also record their creation, assignment and release.
#pragma once

#include <QStringList>

namespace RunWrappers {

struct Script
{
    // "create Contact", "assign c1", "release c1", in order.
    QStringList events;
    // Entry ids whose assignment raises an error (the item is kept, so the
    // wrapper can still name it).
    QStringList failAssign;
    // Makes FullNameAndCompany raise an error.
    bool failFullName = false;
};

Script &script();

// Registers the three wrapper kinds over Memory items. Reads, writes and
// saves behave as the in-memory library's wrappers and go to its journal.
void install();

} // namespace RunWrappers
