// SPDX-License-Identifier: MIT
// The host's picker for several folders: a check-box tree of every store's folders.
#pragma once

#include "multifolderpicker.h"

// Ticks the folders of the collection it is given (matched by EntryID and
// StoreID). Folders of the collection that no store holds any more are listed
// under "Folders not found", still ticked, so OK never drops one unseen.
// The flag is accepted and not used: every value shows the same tree.
class HostMultiFolderPicker final : public MultiFolderPicker
{
public:
    bool PickFolders(OlApplication *outlookApplication, int flag,
                     std::shared_ptr<FolderCollection> &folders, const QString &text) override;
};

namespace Engine {
// Registers HostMultiFolderPicker as MultiFolderPicker with the class factory.
void registerEngineWindows();
} // namespace Engine
