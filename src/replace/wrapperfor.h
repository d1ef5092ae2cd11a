// SPDX-License-Identifier: MIT
// The safe-item wrapper that fits an item's kind.
#pragma once

#include "comobject.h"
#include "itemkinds.h"
#include "safeitem.h"

#include <memory>

// A new wrapper for an item of this kind, not yet given its item.
inline std::unique_ptr<SafeItem> wrapperFor(const ItemKinds::Kind &kind)
{
    return ClassFactory::create<SafeItem>(QLatin1String(kind.progId));
}
