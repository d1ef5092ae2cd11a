// SPDX-License-Identifier: MIT
#include "hostsession.h"

#include "hostconfig.h"
#include "moduleloader.h"
#include "engineapi.h"
#include "engineclasses.h"
#include "pimclasses.h"
#include "regexclasses.h"

HostSession::HostSession(const QStringList &stores)
{
    Engine::registerEngineClasses();
    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    HostConfig config = HostConfig::load();
    if (!stores.isEmpty()) {
        config.stores = stores;
        config.defaultContacts.clear();
    }
    m_engine = std::make_shared<EngineApi>(
        Pim::createApplication(config.stores, config.defaultContacts, pimHooks()));
    m_module = ModuleLoader::createModule();
    m_module->KTStartup(m_engine);
    m_module->KTExplorerOpen({});
}

HostSession::~HostSession()
{
    m_module->KTExplorerClose({});
    m_module->KTShutdown();
}

std::shared_ptr<OlApplication> HostSession::OutlookApplication() { return m_engine->OutlookApp(); }
