// SPDX-License-Identifier: MIT
// One start of the host: its classes, its stores, the engine object and the module.
#pragma once

#include "folderpickers.h"
#include "hostobject.h"
#include "imoduleapi.h"
#include "logdatabase.h"
#include "pimapplication.h"
#include "storelock.h"

#include <QStringList>
#include <memory>

// Registers the platform's classes, opens the stores (the given ones, or the
// configured ones when none are given), starts the module and opens an
// explorer, as the host does at start-up. The destructor shuts the module down
// and never throws.
class HostSession final : public HostObject
{
public:
    // startModule false: no module, so nothing of its start and stop reaches
    // the settings or the logs (a preview writes nothing). Named stores or
    // accounts replace the configured ones; with neither, the host serves
    // the configured stores and every configured account.
    explicit HostSession(const QStringList &stores, bool startModule = true,
                         const QStringList &accounts = {});
    ~HostSession() override;
    HostSession(const HostSession &) = delete;
    HostSession &operator=(const HostSession &) = delete;

    // What the data layer is handed: the activity log's pending rows are
    // committed before each item file is replaced, so an undo record is always
    // on disk before its change; PickFolder shows the engine's dialog; one
    // run at a time saves into a store. Inline, so the wiring can be checked
    // without starting a host.
    static Pim::HostHooks pimHooks()
    {
        return {[] { LogDatabase::instance().commit(); }, &FolderPickers::pickOne, &StoreLock::take};
    }

    IModuleAPI &module() { return *m_module; }
    std::shared_ptr<IEngineAPI> engineObject() const { return m_engine; }

    // HostObject, for a run without a window (batch commands).
    std::shared_ptr<OlApplication> OutlookApplication() override;
    IEngineAPI *engine() override { return m_engine.get(); }
    void OnStatusChange() override {}
    void SetHotHelp(const QString &, const QString &) override {}

private:
    std::shared_ptr<IEngineAPI> m_engine;
    std::unique_ptr<IModuleAPI> m_module;
};
