// SPDX-License-Identifier: MIT
// The engine's picker for several folders at once.
#pragma once

#include "folderobject.h"

class OlApplication;

class MultiFolderPicker : public ComObject
{
public:
    // Shows the picker pre-ticked from folders, with text as its prompt. On
    // confirmation fills folders (which it may replace) with FolderRef records
    // and answers true; otherwise answers false and leaves folders alone.
    virtual bool PickFolders(OlApplication *outlookApplication, int flag,
                             std::shared_ptr<FolderCollection> &folders, const QString &text) = 0;
};
