// SPDX-License-Identifier: MIT
// Loads the two system libraries from beside the host and creates their objects.
#pragma once

#include "imoduleapi.h"
#include "ipropertypage.h"
#include "runresult.h"

#include <QString>
#include <memory>

class QWidget;

namespace ModuleLoader {
// Folder holding the host and its libraries (the executable's own folder).
QString libraryDir();
// Both throw QuenlockError naming the library and the loader's reason.
std::unique_ptr<IModuleAPI> createModule();
// The page widget is parented to parent (or owned by the caller when parent is null).
IPropertyPage *createPage(QWidget *parent);
// The Replace button's run on the applied settings, without a page.
std::unique_ptr<IReplaceRun> createRun();
} // namespace ModuleLoader
