// SPDX-License-Identifier: MIT
// The host's folder dialogs over the stores an Outlook namespace holds.
#pragma once

#include <memory>

class OlFolder;
class OlNamespace;

namespace FolderPickers {
// A modal tree of the stores and their folders (name and item count); the
// chosen folder, or nullptr on Cancel.
std::shared_ptr<OlFolder> pickOne(OlNamespace &nameSpace);
} // namespace FolderPickers
