// SPDX-License-Identifier: MIT
// Host object and engine doubles over the in-memory Outlook; they record what the page asks.
#pragma once

#include "memoryoutlook.h"
#include "hostobject.h"
#include "iengineapi.h"

#include <QPair>
#include <functional>

namespace Memory {

// The engine's folder lookup over the stores of an in-memory application
// (their sub-folders and the default contacts folder included).
struct Engine final : IEngineAPI
{
    std::shared_ptr<Application> application;
    QStringList refused;                     // entry ids answered with nothing
    QList<QPair<QString, QString>> lookups;  // (entry id, store id) per call
    std::function<void()> onLookup;          // runs inside each call, before the answer
    std::shared_ptr<OlApplication> OutlookApp() override { return application; }
    std::shared_ptr<OlFolder> KTGetFolder(const QString &folderEntryId,
                                          const QString &folderStoreId) override;
};

// The object a host hands the page. application and engine may be taken away
// (set to nullptr) to act as a host that has none.
struct Host final : HostObject
{
    std::shared_ptr<Application> application = std::make_shared<Application>();
    std::unique_ptr<Engine> engineObject;
    int statusChanges = 0;
    QList<QPair<QString, QString>> hotHelp;

    Host();
    std::shared_ptr<OlApplication> OutlookApplication() override { return application; }
    IEngineAPI *engine() override { return engineObject.get(); }
    void OnStatusChange() override { ++statusChanges; }
    void SetHotHelp(const QString &text, const QString &caption) override
    {
        hotHelp.append({text, caption});
    }
};

} // namespace Memory
