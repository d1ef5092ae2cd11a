// SPDX-License-Identifier: MIT
// The engine object the host hands to its modules at start-up.
#pragma once

#include "iengineapi.h"

// Resolves folders over the stores that the Outlook application it is given
// holds (the namespace's top-level folders and their sub-folders). A folder
// it cannot find gets one host log line naming the ids looked for.
class EngineApi final : public IEngineAPI
{
public:
    explicit EngineApi(std::shared_ptr<OlApplication> application);
    std::shared_ptr<OlApplication> OutlookApp() override;
    std::shared_ptr<OlFolder> KTGetFolder(const QString &folderEntryId,
                                          const QString &folderStoreId) override;

private:
    std::shared_ptr<OlApplication> m_application;
};
