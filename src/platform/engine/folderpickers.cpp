// SPDX-License-Identifier: MIT
#include "folderpickers.h"

#include "page/outlook/olapplication.h"

// Placeholder until the dialogs land.
std::shared_ptr<OlFolder> FolderPickers::pickOne(OlNamespace &) { return nullptr; }
