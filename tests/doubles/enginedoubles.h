// SPDX-License-Identifier: MIT
// Engines for a host that needs no store: none at all, or one default contacts folder.
#pragma once

#include "iengineapi.h"
#include "memoryoutlook.h"

// An engine with no Outlook and no folders.
struct NoEngine final : IEngineAPI
{
    std::shared_ptr<OlApplication> OutlookApp() override { return nullptr; }
    std::shared_ptr<OlFolder> KTGetFolder(const QString &, const QString &) override { return nullptr; }
};

// An engine over an in-memory Outlook with one default contacts folder,
// named after tag; its folder lookup finds nothing.
struct DefaultContactsEngine final : IEngineAPI
{
    std::shared_ptr<Memory::Application> app = std::make_shared<Memory::Application>();
    explicit DefaultContactsEngine(const QString &tag)
    {
        auto store = Memory::makeStore(*app, QStringLiteral("store-") + tag);
        app->nameSpace->defaultContacts =
            Memory::makeFolder(store, QStringLiteral("Contacts ") + tag, QStringLiteral("entry-") + tag);
    }
    std::shared_ptr<OlApplication> OutlookApp() override { return app; }
    std::shared_ptr<OlFolder> KTGetFolder(const QString &, const QString &) override { return nullptr; }
};
