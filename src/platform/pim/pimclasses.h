// SPDX-License-Identifier: MIT
// Registers the safe-item classes over vCard/iCalendar collections.
#pragma once

namespace Pim {
void registerPimClasses();
}
