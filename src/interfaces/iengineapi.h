// SPDX-License-Identifier: MIT
// The engine object handed to the module at start-up.
#pragma once

#include <QString>
#include <memory>

class OlApplication;
class OlFolder;

class IEngineAPI
{
public:
    virtual ~IEngineAPI() = default;
    virtual std::shared_ptr<OlApplication> OutlookApp() = 0;
    // The folder with these ids, or nullptr when none of the host's stores has it.
    virtual std::shared_ptr<OlFolder> KTGetFolder(const QString &folderEntryId,
                                                  const QString &folderStoreId) = 0;
};
