// SPDX-License-Identifier: MIT
#include "hostsession.h"

#include "davstore.h"
#include "hostconfig.h"
#include "moduleloader.h"
#include "engineapi.h"
#include "engineclasses.h"
#include "hostmultifolderpicker.h"
#include "pimclasses.h"
#include "quenlockerror.h"
#include "regexclasses.h"

#include <csignal>

HostSession::HostSession(const QStringList &stores, bool startModule, const QStringList &accounts)
{
    // Every class the program creates by ProgID, windows included: the
    // page's "Choose Multi Folders..." creates the engine's picker by name.
    Engine::registerEngineClasses();
    Engine::registerEngineWindows();
    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    HostConfig config = HostConfig::load();
    if (!stores.isEmpty() || !accounts.isEmpty()) {
        config.stores = stores;
        config.defaultContacts.clear();
        QList<Dav::AccountSettings> named;
        for (const QString &name : accounts)
            named << config.account(name);
        config.accounts = named;
    }
    QStringList accountNames;
    for (const Dav::AccountSettings &account : std::as_const(config.accounts))
        accountNames << account.name;
    LogDatabase::instance().setAccountStores(accountNames);
    Pim::HostHooks hooks = pimHooks();
    // For the test of an interrupted run: the process kills itself at its Nth
    // commit of undo records before saves, the last moment before they are
    // durable; a file replaced before then would have none.
    if (const int n = qEnvironmentVariableIntValue("QUENLOCK_TEST_KILL_AT_COMMIT"); n > 0)
        hooks.beforeReplace = [commit = hooks.beforeReplace, n, commits = std::make_shared<int>(0)] {
            if (++*commits == n)
                ::raise(SIGKILL);
            commit();
        };
    std::shared_ptr<OlApplication> application =
        Pim::createApplication(config.stores, config.defaultContacts, hooks);
    if (!config.accounts.isEmpty())
        application = Dav::createApplication(application, config.accounts, hooks.beforeReplace, hooks.pickFolder);
    m_engine = std::make_shared<EngineApi>(application);
    if (!startModule)
        return;
    m_module = ModuleLoader::createModule();
    m_module->KTStartup(m_engine);
    m_module->KTExplorerOpen({});
}

HostSession::~HostSession()
{
    if (!m_module)
        return;
    // The module traps its own errors. The commit makes the shut-down line
    // durable while a failure can still be told: it stays with the log
    // database, where the command's end reports it.
    m_module->KTExplorerClose({});
    m_module->KTShutdown();
    try {
        LogDatabase::instance().commit();
    } catch (const QuenlockError &) {
    }
}

std::shared_ptr<OlApplication> HostSession::OutlookApplication() { return m_engine->OutlookApp(); }
