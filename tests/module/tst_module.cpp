// SPDX-License-Identifier: MIT
// The module class: identity, start-up, default folder settings and shut-down.
#include "enginedoubles.h"
#include "testenvironment.h"
#include "cmorvane.h"
#include "logdatabase.h"
#include "iengineapi.h"
#include "settingsaccess.h"

#include <QtTest>

namespace {
QString setting(const char *key) { return ReadSetting(QLatin1String(key), QStringLiteral("<missing>")); }
} // namespace

class TestModule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void identity();
    void hooksDoNothing();
    void freshStoreGetsDefaultFolder();
    void existingCountIsLeftAlone_data();
    void existingCountIsLeftAlone();
    void badCountFailsAtStep4();
    void explorerBeforeStartupFailsAtStep6();
    void missingDefaultFolderFailsAtStep8();
    void secondStartupKeepsFirstEngine();
    void shutdownCleansUpAndLogs();
    void shutdownWithoutSafeItemLibrary();
    void trapsOnUnwritableLog_data();
    void trapsOnUnwritableLog();
};

void TestModule::identity()
{
    CMorvane module;
    QCOMPARE(module.RegistryName(), QStringLiteral("Morvane"));
    QCOMPARE(module.FriendlyName(), QStringLiteral("Quenlock"));
    QCOMPARE(module.Version(), QStringLiteral(QUENLOCK_VERSION));
}

void TestModule::hooksDoNothing()
{
    TestEnvironment env;
    CMorvane module;
    bool cancel = true;
    QCOMPARE(module.KTSendMessage(QStringLiteral("anything")), QStringLiteral("noerror"));
    QCOMPARE(module.KTButtonAction(7, cancel), 0);
    QCOMPARE(module.KTMenuAction(7, cancel), 0);
    QCOMPARE(module.KTItemEvent(1, {}, cancel, QStringLiteral("e"), QStringLiteral("s")), 0);
    QVERIFY(cancel);
    QCOMPARE(module.KTInspectorOpen({}), 0);
    QCOMPARE(module.KTHotkeyAction(5), 0);
    QVERIFY(env.utility.lines.isEmpty());
    QVERIFY(env.activity.isEmpty());
}

void TestModule::freshStoreGetsDefaultFolder()
{
    TestEnvironment env;
    CMorvane module;
    QCOMPARE(module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A"))), 0);
    QCOMPARE(module.KTExplorerOpen({}), 0);
    QCOMPARE(setting("FolderCount"), QStringLiteral("1"));
    QCOMPARE(setting("FolderName1"), QStringLiteral("Contacts A"));
    QCOMPARE(setting("FolderEntryId1"), QStringLiteral("entry-A"));
    QCOMPARE(setting("FolderStoreId1"), QStringLiteral("store-A"));
    QCOMPARE(setting("SearchFor"), QStringLiteral("<missing>"));
    QVERIFY(env.utility.lines.isEmpty());
}

void TestModule::existingCountIsLeftAlone_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("user removed every folder") << QStringLiteral("0");
    QTest::newRow("three folders") << QStringLiteral("3");
    QTest::newRow("blanks around") << QStringLiteral(" 2 ");
}

void TestModule::existingCountIsLeftAlone()
{
    QFETCH(QString, count);
    TestEnvironment env;
    WriteSetting(QStringLiteral("FolderCount"), count);
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    module.KTExplorerOpen({});
    QCOMPARE(setting("FolderCount"), count);
    QCOMPARE(setting("FolderName1"), QStringLiteral("<missing>"));
    QVERIFY(env.utility.lines.isEmpty());
}

void TestModule::badCountFailsAtStep4()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("FolderCount"), QStringLiteral("many"));
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    QCOMPARE(module.KTExplorerOpen({}), 0);
    QCOMPARE(env.utility.lines,
             (QList<LogLine>{{QStringLiteral("Error occurred at line 4.  Reason:Type mismatch"), 0,
                              QStringLiteral("Morvane.EnsureDefaultSettings")}}));
    QCOMPARE(setting("FolderName1"), QStringLiteral("<missing>"));
}

void TestModule::explorerBeforeStartupFailsAtStep6()
{
    TestEnvironment env;
    CMorvane module;
    QCOMPARE(module.KTExplorerOpen({}), 0);
    QCOMPARE(env.utility.lines.size(), 1);
    QVERIFY(env.utility.lines[0].message.startsWith(u"Error occurred at line 6.  Reason:"));
    QCOMPARE(setting("FolderCount"), QStringLiteral("<missing>"));
}

void TestModule::missingDefaultFolderFailsAtStep8()
{
    TestEnvironment env;
    auto engine = std::make_shared<DefaultContactsEngine>(QStringLiteral("A"));
    engine->app->nameSpace->defaultContacts.reset();
    CMorvane module;
    module.KTStartup(engine);
    module.KTExplorerOpen({});
    QCOMPARE(env.utility.lines.size(), 1);
    QVERIFY(env.utility.lines[0].message.startsWith(u"Error occurred at line 8.  Reason:"));
    QCOMPARE(setting("FolderCount"), QStringLiteral("<missing>"));
}

void TestModule::secondStartupKeepsFirstEngine()
{
    TestEnvironment env;
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    QCOMPARE(module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("B"))), 0);
    module.KTExplorerOpen({});
    QCOMPARE(setting("FolderName1"), QStringLiteral("Contacts A"));
}

void TestModule::shutdownCleansUpAndLogs()
{
    TestEnvironment env;
    Memory::registerSafeItems();
    Memory::journal().clear();
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    QCOMPARE(module.KTShutdown(), 0);
    QCOMPARE(Memory::journal(), QStringList{QStringLiteral("cleanup")});
    QCOMPARE(env.activity, (QList<ActivityLine>{{QStringLiteral("Morvane"), QStringLiteral("Shutdown"),
                                                 QStringLiteral("Morvane is stopping"), 0}}));
    QVERIFY(!module.hasEngine());
    QVERIFY(env.utility.lines.isEmpty());
}

void TestModule::shutdownWithoutSafeItemLibrary()
{
    TestEnvironment env;
    Memory::unregisterSafeItems();
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    QCOMPARE(module.KTShutdown(), 0);
    QCOMPARE(env.utility.lines,
             (QList<LogLine>{{QStringLiteral("Error ocurred during shutdown.  Reason: ActiveX component "
                                             "can't create object"),
                              1, QStringLiteral("Morvane.KTShutdown")}}));
    QVERIFY(env.activity.isEmpty());
}

void TestModule::trapsOnUnwritableLog_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("shut-down") << QStringLiteral("KTShutdown");
    QTest::newRow("explorer opening on a bad count") << QStringLiteral("KTExplorerOpen");
}

// A trap whose line the host cannot write returns all the same: KTShutdown
// runs in the host's destructor. The log keeps the failure for the host.
void TestModule::trapsOnUnwritableLog()
{
    QFETCH(QString, call);
    TestEnvironment env;
    env.useRealActivityLog();
    setEngineUtilityOverride(nullptr);
    Memory::unregisterSafeItems();
    WriteSetting(QStringLiteral("FolderCount"), QStringLiteral("many"));
    QDir().mkpath(env.path() + QStringLiteral("/state/quenlock"));
    QFile junk(env.path() + QStringLiteral("/state/quenlock/logs.sqlite"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("junk\n");
    junk.close();
    CMorvane module;
    module.KTStartup(std::make_shared<DefaultContactsEngine>(QStringLiteral("A")));
    try {
        QCOMPARE(call == u"KTShutdown" ? module.KTShutdown() : module.KTExplorerOpen({}), 0);
    } catch (const std::exception &error) {
        QFAIL(error.what());
    }
    QCOMPARE(LogDatabase::instance().failure(),
             QStringLiteral("The host log cannot be written: file is not a database"));
}

QTEST_GUILESS_MAIN(TestModule)
#include "tst_module.moc"
