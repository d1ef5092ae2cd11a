// SPDX-License-Identifier: MIT
// A host object over an engine: what a run over real stores needs of its host.
#pragma once

#include "hostobject.h"
#include "iengineapi.h"

#include <memory>

struct EngineHost final : HostObject
{
    std::shared_ptr<IEngineAPI> engineApi;
    std::shared_ptr<OlApplication> OutlookApplication() override { return engineApi->OutlookApp(); }
    IEngineAPI *engine() override { return engineApi.get(); }
    void OnStatusChange() override {}
    void SetHotHelp(const QString &, const QString &) override {}
};
