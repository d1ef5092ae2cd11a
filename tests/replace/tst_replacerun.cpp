// SPDX-License-Identifier: MIT
// The replace run over an in-memory Outlook: what it visits, saves, logs and shows.
#include "fieldflags.h"
#include "memoryhost.h"
#include "memoryoutlook.h"
#include "progids.h"
#include "recordingprogress.h"
#include "regexclasses.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "runlogs.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"
#include "testenvironment.h"
#include "utilitydoubles.h"

#include <QtTest>

using Settings = QMap<QString, QString>;

namespace {
const QString ErrorSource = QStringLiteral("Morvane.cmdConvert");
const QString Notice = QStringLiteral("You must click Apply to save your settings, then you can click Replace.");

QString confirmation(const QString &search, const QString &replace)
{
    return QStringLiteral("Are you SURE you want to replace all occurrences of '") + search
           + QStringLiteral("' with '") + replace + QStringLiteral("'");
}

// One run with its host, a store "S1" in Outlook, the run's wrappers and a
// private settings world.
struct World
{
    TestEnvironment env;
    Memory::Host host;
    HostObject *hostObject = &host;
    std::shared_ptr<Memory::Folder> store;
    ScriptedPrompt answers;
    RecordingProgress progress;
    RunTexts texts;
    FieldFlags flags;
    RegexOnDemand regex;

    World()
    {
        Memory::journal().clear();
        Memory::wrapperScript() = {};
        Memory::registerSafeItems();
        Regex::registerRegexClasses();
        store = Memory::makeStore(*host.application, QStringLiteral("S1"));
    }
    ~World()
    {
        for (const char *id : {ProgId::SafeContactItem, ProgId::SafeAppointmentItem, ProgId::SafeTaskItem})
            ClassFactory::registerClass(QLatin1String(id), {});
    }

    // The texts of the run; folder keys and flags go straight into the store.
    void configure(const QString &searchText, const QString &replaceText, bool caseSensitive = false)
    {
        texts = {searchText, replaceText, caseSensitive ? 1 : 0};
    }
    RunResult run(bool dirty = false)
    {
        StoreSettings settings;
        EngineRunLogs logs;
        ReplaceRun replace({settings, hostObject, std::ref(regex), logs, answers, progress, flags});
        return replace.run(dirty, [this] { return texts; });
    }
    void set(const Settings &settings)
    {
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            WriteSetting(it.key(), it.value());
    }
    std::shared_ptr<Memory::Folder> folder(const QString &name, const QString &entryId)
    {
        return Memory::makeFolder(store, name, entryId);
    }
    QStringList runLines() const
    {
        QStringList lines;
        for (const ActivityLine &line : env.activity)
            if (line.name == QLatin1String("cmdReplace_Click"))
                lines.append(line.text);
        return lines;
    }
    QStringList undoTexts() const
    {
        QStringList texts;
        for (const ActivityLine &line : env.activity)
            if (line.kind == -1)
                texts.append(line.text);
        return texts;
    }
    QStringList saves() const { return Memory::journal().filter(QRegularExpression(QStringLiteral("^save "))); }
};

Settings oneFolder(const QString &name, const QString &entryId, const QString &storeId = QStringLiteral("S1"))
{
    return {{QStringLiteral("FolderCount"), QStringLiteral("1")},
            {QStringLiteral("FolderName1"), name},
            {QStringLiteral("FolderEntryId1"), entryId},
            {QStringLiteral("FolderStoreId1"), storeId}};
}

Settings flags(const QStringList &keys, const QString &value = QStringLiteral("1"))
{
    Settings settings;
    for (const QString &key : keys)
        settings.insert(key, value);
    return settings;
}

Settings merged(Settings a, const Settings &b)
{
    a.insert(b);
    return a;
}

// Acme becomes Apex in CompanyName over one folder, Work (E1), returned empty.
std::shared_ptr<Memory::Folder> acmeToApexInWork(World &w)
{
    w.configure(QStringLiteral("Acme"), QStringLiteral("Apex"));
    w.set(merged(oneFolder(QStringLiteral("Work"), QStringLiteral("E1")), flags({QStringLiteral("CompanyName")})));
    return w.folder(QStringLiteral("Work"), QStringLiteral("E1"));
}

// "Type:entryId" per item, in index order.
void fill(Memory::Folder &folder, const QStringList &items)
{
    for (const QString &entry : items) {
        const QStringList parts = entry.split(u':');
        folder.add(parts.at(0), parts.at(1));
    }
}

QString hostLog(const World &w)
{
    QStringList lines;
    for (const LogLine &line : w.env.utility.lines)
        lines.append(QStringLiteral("%1 [%2] %3").arg(line.source).arg(line.level).arg(line.message));
    return lines.join(u'\n');
}

struct ErrorCase
{
    std::function<void(World &)> arrange;
};

UnwritableHostLog unwritableHostLog;

// Makes the activity entry that `fails` picks out fail as a full log does.
std::function<void(World &)> activityFailsAt(std::function<bool(const ActivityLine &)> fails)
{
    return [fails](World &w) {
        w.env.onActivity = [fails](const ActivityLine &line) {
            if (fails(line))
                throw LogWriteError(QStringLiteral("The activity log cannot be written: database or disk is full"));
        };
    };
}
} // namespace

Q_DECLARE_METATYPE(ErrorCase)

class TestReplaceRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dirtyPageShowsOnlyTheNotice();
    void confirmation_data();
    void confirmation();
    void folderList_data();
    void folderList();
    void folderLines_data();
    void folderLines();
    void uninitializedUsesDefaultContacts();
    void unresolvedFolderIsPassedOver();
    void itemDispatch_data();
    void itemDispatch();
    void savesAndCounts_data();
    void savesAndCounts();
    void twoFoldersOneChange();
    void errors_data();
    void errors();
    void logFailures_data();
    void logFailures();
    void stopRequestEndsBetweenItems();
};

void TestReplaceRun::dirtyPageShowsOnlyTheNotice()
{
    World w;
    auto contact = acmeToApexInWork(w)->add(QStringLiteral("ContactItem"), QStringLiteral("c1"),
                                            {{QStringLiteral("CompanyName"), QStringLiteral("Acme")}});
    w.texts.searchFor = QStringLiteral("Acme Corp");

    const RunResult result = w.run(true);

    QCOMPARE(w.answers.asked.size(), 1);
    QCOMPARE(w.answers.asked.at(0).first, Notice);
    QCOMPARE(w.answers.asked.at(0).second, Prompt::Buttons::Ok);
    QVERIFY(w.host.engineObject->lookups.isEmpty());
    QVERIFY(Memory::wrapperScript().events.isEmpty());
    QVERIFY(Memory::journal().isEmpty());
    QVERIFY(w.env.activity.isEmpty());
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
    QVERIFY(w.progress.calls.isEmpty());
    QCOMPARE(contact->properties.value(QStringLiteral("CompanyName")), QStringLiteral("Acme"));
    QCOMPARE(result.outcome, RunResult::Outcome::ApplyFirst);
}

void TestReplaceRun::confirmation_data()
{
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<QString>("replaceText");
    QTest::addColumn<Prompt::Answer>("answer");
    QTest::addColumn<bool>("runs");

    QTest::newRow("no") << QStringLiteral("Acme") << QStringLiteral("Apex") << Prompt::Answer::No << false;
    QTest::newRow("no-empty-search") << QString() << QStringLiteral("x") << Prompt::Answer::No << false;
    QTest::newRow("no-texts-as-typed") << QStringLiteral("O'Brien \\(\\d+\\) ") << QStringLiteral(" $1 ")
                                       << Prompt::Answer::No << false;
    QTest::newRow("yes") << QStringLiteral("Acme") << QStringLiteral("Apex") << Prompt::Answer::Yes << true;
    QTest::newRow("yes-empty-search") << QString() << QString() << Prompt::Answer::Yes << true;
}

void TestReplaceRun::confirmation()
{
    QFETCH(QString, searchText);
    QFETCH(QString, replaceText);
    QFETCH(Prompt::Answer, answer);
    QFETCH(bool, runs);

    World w;
    w.configure(searchText, replaceText);
    w.set(oneFolder(QStringLiteral("Work"), QStringLiteral("E1")));
    fill(*w.folder(QStringLiteral("Work"), QStringLiteral("E1")), {QStringLiteral("ContactItem:c1")});
    w.answers.answer = answer;
    const RunResult result = w.run();

    QCOMPARE(w.answers.asked.size(), 1);
    QCOMPARE(w.answers.asked.at(0).first, ::confirmation(searchText, replaceText));
    QCOMPARE(w.answers.asked.at(0).second, Prompt::Buttons::YesNo);
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
    if (runs) {
        QCOMPARE(w.host.engineObject->lookups.size(), 1);
        QCOMPARE(w.progress.label, QStringLiteral("Updated 0 items in 1 folder"));
        QCOMPARE(w.runLines().size(), 2);
        QCOMPARE(result.outcome, RunResult::Outcome::Summary);
        return;
    }
    QVERIFY(w.host.engineObject->lookups.isEmpty());
    QVERIFY(Memory::wrapperScript().events.isEmpty());
    QVERIFY(Memory::journal().isEmpty());
    QVERIFY(w.env.activity.isEmpty());
    QVERIFY(w.progress.calls.isEmpty());
    QCOMPARE(result.outcome, RunResult::Outcome::NotConfirmed);
}

void TestReplaceRun::folderList_data()
{
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QStringList>("lookups");       // "entry|store" per KTGetFolder call
    QTest::addColumn<QStringList>("labelsAtLookup"); // the label while the engine is asked
    QTest::addColumn<QStringList>("countLines");
    QTest::addColumn<QString>("summary");

    const QString count = QStringLiteral("FolderCount");
    auto folder = [](int n, const QString &name, const QString &entry, const QString &storeId) {
        Settings s;
        if (!name.isNull())
            s.insert(QStringLiteral("FolderName%1").arg(n), name);
        if (!entry.isNull())
            s.insert(QStringLiteral("FolderEntryId%1").arg(n), entry);
        if (!storeId.isNull())
            s.insert(QStringLiteral("FolderStoreId%1").arg(n), storeId);
        return s;
    };
    const QString s1 = QStringLiteral("S1");
    const QString none;
    const QString contactsLine = QStringLiteral("Count of items in folder 'Contacts': 2");
    const QString calendarLine = QStringLiteral("Count of items in folder 'Calendar': 1");
    const QString archiveLine = QStringLiteral("Count of items in folder 'Archive': 0");

    QTest::newRow("count-missing") << Settings{} << QStringList{} << QStringList{} << QStringList{}
                                   << QStringLiteral("Updated 0 items in 0 folders");
    QTest::newRow("count-zero") << Settings{{count, QStringLiteral("0")}} << QStringList{} << QStringList{}
                                << QStringList{} << QStringLiteral("Updated 0 items in 0 folders");
    QTest::newRow("count-zero-with-stale-keys")
        << merged({{count, QStringLiteral("0")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), s1))
        << QStringList{} << QStringList{} << QStringList{} << QStringLiteral("Updated 0 items in 0 folders");
    QTest::newRow("count-negative")
        << merged({{count, QStringLiteral("-2")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), s1))
        << QStringList{} << QStringList{} << QStringList{} << QStringLiteral("Updated 0 items in 0 folders");
    // A count past the last folder slot the store holds is cut to that slot;
    // missing slots below it still count.
    QTest::newRow("count-past-the-last-slot")
        << merged(merged({{count, QStringLiteral("2147483647")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), s1)),
                  folder(3, QStringLiteral("Calendar"), QStringLiteral("E2"), s1))
        << QStringList{QStringLiteral("E1|S1"), QStringLiteral("E2|S1")}
        << QStringList{QStringLiteral("Folder: Contacts"), QStringLiteral("Folder: Calendar")}
        << QStringList{contactsLine, calendarLine} << QStringLiteral("Updated 0 items in 3 folders");
    QTest::newRow("entry-id-missing")
        << merged({{count, QStringLiteral("1")}}, folder(1, QStringLiteral("Contacts"), none, s1))
        << QStringList{} << QStringList{} << QStringList{} << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("entry-id-not-found-text")
        << merged({{count, QStringLiteral("1")}},
                  folder(1, QStringLiteral("Contacts"), QStringLiteral("Not Found"), s1))
        << QStringList{} << QStringList{} << QStringList{} << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("name-missing") << merged({{count, QStringLiteral("1")}}, folder(1, none, QStringLiteral("E1"), s1))
                                  << QStringList{} << QStringList{} << QStringList{}
                                  << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("store-id-missing")
        << merged({{count, QStringLiteral("1")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), none))
        << QStringList{QStringLiteral("E1|Not Found")} << QStringList{QStringLiteral("Folder: Contacts")}
        << QStringList{} << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("one-folder")
        << merged({{count, QStringLiteral("1")}}, folder(1, QStringLiteral("My contacts"), QStringLiteral("E1"), s1))
        << QStringList{QStringLiteral("E1|S1")} << QStringList{QStringLiteral("Folder: My contacts")}
        << QStringList{contactsLine} << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("empty-name-is-a-name")
        << merged({{count, QStringLiteral("1")}}, folder(1, QStringLiteral(""), QStringLiteral("E2"), s1))
        << QStringList{QStringLiteral("E2|S1")} << QStringList{QStringLiteral("Folder: ")}
        << QStringList{calendarLine} << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("middle-slot-missing")
        << merged(merged({{count, QStringLiteral("3")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), s1)),
                  merged(folder(2, none, QStringLiteral("E12"), s1),
                         folder(3, QStringLiteral("Calendar"), QStringLiteral("E2"), s1)))
        << QStringList{QStringLiteral("E1|S1"), QStringLiteral("E2|S1")}
        << QStringList{QStringLiteral("Folder: Contacts"), QStringLiteral("Folder: Calendar")}
        << QStringList{contactsLine, calendarLine} << QStringLiteral("Updated 0 items in 3 folders");
    QTest::newRow("twelfth-folder")
        << merged({{count, QStringLiteral("12")}}, folder(12, QStringLiteral("Archive"), QStringLiteral("E12"), s1))
        << QStringList{QStringLiteral("E12|S1")} << QStringList{QStringLiteral("Folder: Archive")}
        << QStringList{archiveLine} << QStringLiteral("Updated 0 items in 12 folders");
    QTest::newRow("higher-keys-beyond-count")
        << merged(merged({{count, QStringLiteral("1")}}, folder(1, QStringLiteral("Contacts"), QStringLiteral("E1"), s1)),
                  folder(2, QStringLiteral("Calendar"), QStringLiteral("E2"), s1))
        << QStringList{QStringLiteral("E1|S1")} << QStringList{QStringLiteral("Folder: Contacts")}
        << QStringList{contactsLine} << QStringLiteral("Updated 0 items in 1 folder");
}

void TestReplaceRun::folderList()
{
    QFETCH(Settings, settings);
    QFETCH(QStringList, lookups);
    QFETCH(QStringList, labelsAtLookup);
    QFETCH(QStringList, countLines);
    QFETCH(QString, summary);

    World w;
    w.configure(QStringLiteral("Acme"), QStringLiteral("Apex"));
    w.set(settings);
    fill(*w.folder(QStringLiteral("Contacts"), QStringLiteral("E1")),
         {QStringLiteral("ContactItem:c1"), QStringLiteral("ContactItem:c2")});
    fill(*w.folder(QStringLiteral("Calendar"), QStringLiteral("E2")), {QStringLiteral("AppointmentItem:a1")});
    w.folder(QStringLiteral("Archive"), QStringLiteral("E12"));
    QStringList labels;
    w.host.engineObject->onLookup = [&] { labels.append(w.progress.label); };

    w.run();

    QStringList asked;
    for (const auto &[entry, storeId] : w.host.engineObject->lookups)
        asked.append(entry + u'|' + storeId);
    QCOMPARE(asked, lookups);
    QCOMPARE(labels, labelsAtLookup);
    QStringList expectedLines;
    for (const QString &line : countLines)
        expectedLines << line << QStringLiteral("Looking for 'Acme' replacing with 'Apex'; Case sensitive: 0");
    QCOMPARE(w.runLines(), expectedLines);
    QCOMPARE(w.progress.label, summary);
    QVERIFY(!w.progress.barShown);
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
}

void TestReplaceRun::folderLines_data()
{
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<QString>("replaceText");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("line");

    QTest::newRow("case-clear") << QStringLiteral("555") << QStringLiteral("777") << false
                                << QStringLiteral("Looking for '555' replacing with '777'; Case sensitive: 0");
    QTest::newRow("case-ticked") << QStringLiteral("Acme") << QStringLiteral("Apex") << true
                                 << QStringLiteral("Looking for 'Acme' replacing with 'Apex'; Case sensitive: 1");
    QTest::newRow("empty-replacement") << QStringLiteral("Inc\\.") << QString() << false
                                       << QStringLiteral("Looking for 'Inc\\.' replacing with ''; Case sensitive: 0");
    QTest::newRow("quotes-and-blanks") << QStringLiteral(" it's ") << QStringLiteral("'") << true
                                       << QStringLiteral("Looking for ' it's ' replacing with '''; Case sensitive: 1");
}

void TestReplaceRun::folderLines()
{
    QFETCH(QString, searchText);
    QFETCH(QString, replaceText);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, line);

    World w;
    w.configure(searchText, replaceText, caseSensitive);
    w.set(oneFolder(QStringLiteral("Team calendar"), QStringLiteral("E1")));
    fill(*w.folder(QStringLiteral("Calendar (shared)"), QStringLiteral("E1")),
         {QStringLiteral("AppointmentItem:a1"), QStringLiteral("TaskItem:t1"), QStringLiteral("NoteItem:n1")});

    w.run();

    // The count line names the Outlook folder, not the configured name.
    QCOMPARE(w.runLines(), (QStringList{QStringLiteral("Count of items in folder 'Calendar (shared)': 3"), line}));
    for (const ActivityLine &entry : w.env.activity)
        if (entry.name == QLatin1String("cmdReplace_Click")) {
            QCOMPARE(entry.source, QStringLiteral("Morvane"));
            QCOMPARE(entry.kind, 0);
        }
}

void TestReplaceRun::uninitializedUsesDefaultContacts()
{
    World w;
    w.configure(QStringLiteral("Acme"), QStringLiteral("Apex"));
    w.set(merged(oneFolder(QStringLiteral("My contacts"), QStringLiteral("Uninitialized"), QStringLiteral("old-store")),
                 flags({QStringLiteral("CompanyName")})));
    auto defaults = w.folder(QStringLiteral("Contacts"), QStringLiteral("E-DEF"));
    defaults->storeId = QStringLiteral("S-DEF");
    w.host.application->nameSpace->defaultContacts = defaults;
    auto contact = defaults->add(QStringLiteral("ContactItem"), QStringLiteral("c1"),
                                 {{QStringLiteral("CompanyName"), QStringLiteral("Acme Ltd")},
                                  {QStringLiteral("Subject"), QStringLiteral("Ann Lee")}});
    QStringList labels;
    w.host.engineObject->onLookup = [&] { labels.append(w.progress.label); };

    w.run();

    QCOMPARE(w.host.engineObject->lookups,
             (QList<QPair<QString, QString>>{{QStringLiteral("E-DEF"), QStringLiteral("S-DEF")}}));
    QCOMPARE(labels, QStringList{QStringLiteral("Folder: My contacts")});
    QCOMPARE(w.runLines().value(0), QStringLiteral("Count of items in folder 'Contacts': 1"));
    // The record of the changed field names the folder that was searched.
    const QStringList undo = w.undoTexts();
    QCOMPARE(undo.mid(0, 3), (QStringList{QStringLiteral("FolderStoreId: S-DEF"), QStringLiteral("FolderEntryId: E-DEF"),
                                          QStringLiteral("ItemEntryId: c1")}));
    QCOMPARE(contact->saves, 1);
    QCOMPARE(w.progress.label, QStringLiteral("Updated 1 items in 1 folder"));
}

void TestReplaceRun::unresolvedFolderIsPassedOver()
{
    World w;
    w.configure(QStringLiteral("Acme"), QStringLiteral("Apex"));
    w.set({{QStringLiteral("FolderCount"), QStringLiteral("3")},
           {QStringLiteral("FolderName1"), QStringLiteral("Gone")},
           {QStringLiteral("FolderEntryId1"), QStringLiteral("E-GONE")},
           {QStringLiteral("FolderStoreId1"), QStringLiteral("S1")},
           {QStringLiteral("FolderName2"), QStringLiteral("Contacts")},
           {QStringLiteral("FolderEntryId2"), QStringLiteral("E1")},
           {QStringLiteral("FolderStoreId2"), QStringLiteral("S1")},
           {QStringLiteral("FolderName3"), QStringLiteral("Refused")},
           {QStringLiteral("FolderEntryId3"), QStringLiteral("E2")},
           {QStringLiteral("FolderStoreId3"), QStringLiteral("S1")}});
    fill(*w.folder(QStringLiteral("Contacts"), QStringLiteral("E1")), {QStringLiteral("ContactItem:c1")});
    fill(*w.folder(QStringLiteral("Calendar"), QStringLiteral("E2")), {QStringLiteral("AppointmentItem:a1")});
    w.host.engineObject->refused = {QStringLiteral("E2")};
    QStringList labels;
    w.host.engineObject->onLookup = [&] { labels.append(w.progress.label); };

    w.run();

    QCOMPARE(labels, (QStringList{QStringLiteral("Folder: Gone"), QStringLiteral("Folder: Contacts"),
                                  QStringLiteral("Folder: Refused")}));
    QCOMPARE(w.runLines(), (QStringList{QStringLiteral("Count of items in folder 'Contacts': 1"),
                                        QStringLiteral("Looking for 'Acme' replacing with 'Apex'; Case sensitive: 0")}));
    QCOMPARE(Memory::wrapperScript().events,
             (QStringList{QStringLiteral("create Contact"), QStringLiteral("assign c1"), QStringLiteral("release c1")}));
    QCOMPARE(w.progress.label, QStringLiteral("Updated 0 items in 3 folders"));
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
}

void TestReplaceRun::itemDispatch_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("distribution-list-between-contacts")
        << QStringList{QStringLiteral("ContactItem:c1"), QStringLiteral("DistListItem:d1"), QStringLiteral("ContactItem:c2")}
        << QStringList{QStringLiteral("create Contact"), QStringLiteral("assign c1"), QStringLiteral("release c1"),
                       QStringLiteral("create Contact"), QStringLiteral("assign c2"), QStringLiteral("release c2")};
    QTest::newRow("every-kind")
        << QStringList{QStringLiteral("AppointmentItem:a1"), QStringLiteral("MailItem:m1"), QStringLiteral("TaskItem:t1"),
                       QStringLiteral("NoteItem:n1"), QStringLiteral("ContactItem:c1")}
        << QStringList{QStringLiteral("create Appointment"), QStringLiteral("assign a1"), QStringLiteral("release a1"),
                       QStringLiteral("create Task"), QStringLiteral("assign t1"), QStringLiteral("release t1"),
                       QStringLiteral("create Contact"), QStringLiteral("assign c1"), QStringLiteral("release c1")};
    QTest::newRow("type-names-are-case-sensitive")
        << QStringList{QStringLiteral("contactitem:c1"), QStringLiteral("Taskitem:t1"), QStringLiteral("AppointmentItem :a1")}
        << QStringList{};
    QTest::newRow("only-non-items") << QStringList{QStringLiteral("DistListItem:d1"), QStringLiteral("JournalItem:j1")}
                                    << QStringList{};
    QTest::newRow("one-item") << QStringList{QStringLiteral("TaskItem:t1")}
                              << QStringList{QStringLiteral("create Task"), QStringLiteral("assign t1"),
                                             QStringLiteral("release t1")};
    QTest::newRow("empty-folder") << QStringList{} << QStringList{};
}

void TestReplaceRun::itemDispatch()
{
    QFETCH(QStringList, items);
    QFETCH(QStringList, events);

    World w;
    w.configure(QStringLiteral("Acme"), QStringLiteral("Apex"));
    w.set(merged(oneFolder(QStringLiteral("Mixed"), QStringLiteral("E1")),
                 flags({QStringLiteral("CompanyName"), QStringLiteral("AppointmentSubject"), QStringLiteral("TaskSubject")})));
    auto folder = w.folder(QStringLiteral("Mixed"), QStringLiteral("E1"));
    fill(*folder, items);
    for (const auto &item : folder->items)
        item->properties = {{QStringLiteral("Subject"), QStringLiteral("Acme")},
                            {QStringLiteral("CompanyName"), QStringLiteral("Acme")}};

    w.run();

    QCOMPARE(Memory::wrapperScript().events, events);
    // Every item advances the bar, passed-over ones too.
    QStringList shown{QStringLiteral("folder Folder: Mixed"), QStringLiteral("range %1").arg(items.size())};
    for (int i = 1; i <= items.size(); ++i)
        shown << QStringLiteral("item %1").arg(i);
    shown << QStringLiteral("finish");
    QCOMPARE(w.progress.calls.mid(0, shown.size()), shown);
    QCOMPARE(w.runLines().value(0), QStringLiteral("Count of items in folder 'Mixed': %1").arg(items.size()));
    // Passed-over items are neither saved nor read.
    for (const auto &item : folder->items) {
        const bool handled = events.contains(QStringLiteral("assign ") + item->entryId);
        if (!handled) {
            QCOMPARE(item->saves, 0);
            QCOMPARE(item->properties.value(QStringLiteral("Subject")), QStringLiteral("Acme"));
            QCOMPARE(item->properties.value(QStringLiteral("CompanyName")), QStringLiteral("Acme"));
        }
    }
    QVERIFY(!w.progress.barShown);
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
}

void TestReplaceRun::savesAndCounts_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<Settings>("properties");
    QTest::addColumn<QStringList>("flagKeys");
    QTest::addColumn<QString>("replaceText");
    QTest::addColumn<int>("saves");
    QTest::addColumn<QString>("flagValue"); // as stored for each key of flagKeys
    const QString one = QStringLiteral("1");

    QTest::newRow("contact-three-fields")
        << QStringLiteral("ContactItem")
        << Settings{{QStringLiteral("CompanyName"), QStringLiteral("Acme Corp")},
                    {QStringLiteral("OfficeLocation"), QStringLiteral("Acme Tower 3")},
                    {QStringLiteral("BusinessHomePage"), QStringLiteral("https://acme.example")}}
        << QStringList{QStringLiteral("CompanyName"), QStringLiteral("OfficeLocation"), QStringLiteral("BusinessHomePage")}
        << QStringLiteral("Apex") << 1 << one;
    QTest::newRow("contact-no-match") << QStringLiteral("ContactItem")
                                      << Settings{{QStringLiteral("CompanyName"), QStringLiteral("Northwind")}}
                                      << QStringList{QStringLiteral("CompanyName")} << QStringLiteral("Apex") << 0 << one;
    QTest::newRow("contact-field-not-looked-in")
        << QStringLiteral("ContactItem") << Settings{{QStringLiteral("CompanyName"), QStringLiteral("Acme")}}
        << QStringList{QStringLiteral("OfficeLocation")} << QStringLiteral("Apex") << 0 << one;
    QTest::newRow("contact-replacement-equals-search")
        << QStringLiteral("ContactItem") << Settings{{QStringLiteral("CompanyName"), QStringLiteral("Acme")}}
        << QStringList{QStringLiteral("CompanyName")} << QStringLiteral("Acme") << 1 << one;
    QTest::newRow("appointment-two-fields")
        << QStringLiteral("AppointmentItem")
        << Settings{{QStringLiteral("Subject"), QStringLiteral("Acme review")},
                    {QStringLiteral("Location"), QStringLiteral("Acme HQ, room 4")}}
        << QStringList{QStringLiteral("AppointmentSubject"), QStringLiteral("AppointmentLocation")}
        << QStringLiteral("Apex") << 1 << one;
    QTest::newRow("appointment-no-match")
        << QStringLiteral("AppointmentItem") << Settings{{QStringLiteral("Location"), QStringLiteral("Room 12")}}
        << QStringList{QStringLiteral("AppointmentLocation")} << QStringLiteral("Apex") << 0 << one;
    QTest::newRow("task-two-fields")
        << QStringLiteral("TaskItem")
        << Settings{{QStringLiteral("Companies"), QStringLiteral("Acme")},
                    {QStringLiteral("BillingInformation"), QStringLiteral("Acme-42")}}
        << QStringList{QStringLiteral("TaskCompanies"), QStringLiteral("TaskBillingInformation")}
        << QStringLiteral("Apex") << 1 << one;
    QTest::newRow("task-no-match") << QStringLiteral("TaskItem")
                                   << Settings{{QStringLiteral("Companies"), QStringLiteral("Northwind")}}
                                   << QStringList{QStringLiteral("TaskCompanies")} << QStringLiteral("Apex") << 0 << one;
    // A flag chooses its field when it is not "0", whatever else it holds.
    for (const QString &value : {QStringLiteral("-1"), QStringLiteral("7"), QStringLiteral("0")})
        QTest::addRow("contact-flag-%s", qPrintable(value))
            << QStringLiteral("ContactItem") << Settings{{QStringLiteral("CompanyName"), QStringLiteral("Acme")}}
            << QStringList{QStringLiteral("CompanyName")} << QStringLiteral("Apex") << (value == u"0" ? 0 : 1)
            << value;
}

void TestReplaceRun::savesAndCounts()
{
    QFETCH(QString, type);
    QFETCH(Settings, properties);
    QFETCH(QStringList, flagKeys);
    QFETCH(QString, replaceText);
    QFETCH(int, saves);
    QFETCH(QString, flagValue);

    World w;
    w.configure(QStringLiteral("Acme"), replaceText);
    w.set(merged(oneFolder(QStringLiteral("Work"), QStringLiteral("E1")), flags(flagKeys, flagValue)));
    auto item = w.folder(QStringLiteral("Work"), QStringLiteral("E1"))->add(type, QStringLiteral("i1"), properties);

    w.run();

    QCOMPARE(item->saves, saves);
    QCOMPARE(w.saves().size(), saves);
    if (saves) {
        // Saved once, after the last field written.
        int lastWrite = -1;
        for (int k = 0; k < Memory::journal().size(); ++k)
            if (Memory::journal().at(k).startsWith(QLatin1String("write ")))
                lastWrite = k;
        QVERIFY(lastWrite >= 0);
        QCOMPARE(Memory::journal().indexOf(QStringLiteral("save i1")), Memory::journal().size() - 1);
    }
    QCOMPARE(w.progress.label, QStringLiteral("Updated %1 items in 1 folder").arg(saves));
    QVERIFY2(w.env.utility.lines.isEmpty(), qPrintable(hostLog(w)));
}

void TestReplaceRun::twoFoldersOneChange()
{
    World w;
    w.configure(QStringLiteral("555"), QStringLiteral("556"));
    w.set(merged({{QStringLiteral("FolderCount"), QStringLiteral("2")},
                  {QStringLiteral("FolderName1"), QStringLiteral("Contacts")},
                  {QStringLiteral("FolderEntryId1"), QStringLiteral("E1")},
                  {QStringLiteral("FolderStoreId1"), QStringLiteral("S1")},
                  {QStringLiteral("FolderName2"), QStringLiteral("Calendar")},
                  {QStringLiteral("FolderEntryId2"), QStringLiteral("E2")},
                  {QStringLiteral("FolderStoreId2"), QStringLiteral("S1")}},
                 flags({QStringLiteral("BusinessPhone"), QStringLiteral("AppointmentLocation")})));
    auto contacts = w.folder(QStringLiteral("Contacts"), QStringLiteral("E1"));
    auto changed = contacts->add(QStringLiteral("ContactItem"), QStringLiteral("c1"),
                                 {{QStringLiteral("BusinessTelephoneNumber"), QStringLiteral("(555) 123-4567")}});
    auto unchanged = contacts->add(QStringLiteral("ContactItem"), QStringLiteral("c2"),
                                   {{QStringLiteral("BusinessTelephoneNumber"), QStringLiteral("(212) 867-0100")}});
    auto meeting = w.folder(QStringLiteral("Calendar"), QStringLiteral("E2"))
                       ->add(QStringLiteral("AppointmentItem"), QStringLiteral("a1"),
                             {{QStringLiteral("Location"), QStringLiteral("Room 12")}});

    w.run();

    QCOMPARE(changed->saves, 1);
    QCOMPARE(unchanged->saves, 0);
    QCOMPARE(meeting->saves, 0);
    QCOMPARE(w.progress.label, QStringLiteral("Updated 1 items in 2 folders"));
    QCOMPARE(w.runLines().size(), 4);
    QVERIFY(!w.progress.barShown);
    QCOMPARE(w.env.utility.begun.value(0).folders, (QStringList{QStringLiteral("Contacts"), QStringLiteral("Calendar")}));
    QCOMPARE(w.env.utility.ended, QList<RunEnd>{RunEnd::Finished});
}

void TestReplaceRun::errors_data()
{
    QTest::addColumn<ErrorCase>("errorCase");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("labelAfter"); // null: the label is left as it was
    QTest::addColumn<int>("barValue");       // -1: not looked at

    const QString notSet = QStringLiteral("Object variable or With block variable not set");
    const QString noClass = QStringLiteral("ActiveX component can't create object");
    const QString line = QStringLiteral("Error occurred.  LastLineNumber: ");
    const QString work = QStringLiteral("Folder: Work");
    auto items = [](const QStringList &list) {
        return [list](World &w) { fill(*w.store->folders.at(0), list); };
    };
    auto unregister = [](const char *progId) {
        ClassFactory::registerClass(QLatin1String(progId), {});
    };

    QTest::newRow("no-host") << ErrorCase{[](World &w) { w.hostObject = nullptr; }}
                             << line + QStringLiteral("2  Reason: ") + notSet << QString() << -1;
    QTest::newRow("no-outlook") << ErrorCase{[](World &w) { w.host.application.reset(); }}
                                << line + QStringLiteral("4  Reason: ") + notSet << QString() << -1;
    QTest::newRow("folder-count-not-a-number")
        << ErrorCase{[](World &w) { w.set({{QStringLiteral("FolderCount"), QStringLiteral("two")}}); }}
        << line + QStringLiteral("6  Reason: Type mismatch") << QString() << -1;
    QTest::newRow("field-flag-not-a-number")
        << ErrorCase{[](World &w) { w.set({{QStringLiteral("CompanyName"), QStringLiteral("yes")}}); }}
        << line + QStringLiteral("6  Reason: Type mismatch") << QString() << -1;
    QTest::newRow("no-engine") << ErrorCase{[](World &w) { w.host.engineObject.reset(); }}
                               << line + QStringLiteral("10  Folder: Work  Reason: ") + notSet << work << -1;
    QTest::newRow("contact-wrapper-missing")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("MailItem:m1"), QStringLiteral("ContactItem:c1")})(w);
               unregister(ProgId::SafeContactItem);
           }}
        << line + QStringLiteral("11  Folder: Work  Reason: ") + noClass << work << 2;
    QTest::newRow("appointment-wrapper-missing")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1"), QStringLiteral("AppointmentItem:a1")})(w);
               unregister(ProgId::SafeAppointmentItem);
           }}
        << line + QStringLiteral("22  Folder: Work  Reason: ") + noClass << work << 2;
    QTest::newRow("task-wrapper-missing")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("TaskItem:t1")})(w);
               unregister(ProgId::SafeTaskItem);
           }}
        << line + QStringLiteral("22  Folder: Work  Reason: ") + noClass << work << 1;
    QTest::newRow("contact-assign-fails")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1")})(w);
               Memory::wrapperScript().failAssign = {QStringLiteral("c1")};
           }}
        << line + QStringLiteral("11  Folder: Work  Contact: Jane Roe (Northwind Traders)  Reason: The item cannot be opened")
        << work << 1;
    QTest::newRow("contact-name-unreadable")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1")})(w);
               Memory::wrapperScript().failAssign = {QStringLiteral("c1")};
               Memory::wrapperScript().failFullName = true;
           }}
        << line + QStringLiteral("11  Folder: Work  Contact:   Reason: The item cannot be opened") << work << 1;
    QTest::newRow("appointment-assign-fails")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1"), QStringLiteral("AppointmentItem:a1")})(w);
               Memory::wrapperScript().failAssign = {QStringLiteral("a1")};
           }}
        << line + QStringLiteral("24  Folder: Work  Reason: The item cannot be opened") << work << 2;
    QTest::newRow("task-assign-fails")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("TaskItem:t1")})(w);
               Memory::wrapperScript().failAssign = {QStringLiteral("t1")};
           }}
        << line + QStringLiteral("24  Folder: Work  Reason: The item cannot be opened") << work << 1;
    QTest::newRow("contact-save-fails")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1")})(w);
               w.store->folders.at(0)->items.at(0)->failSave = true;
           }}
        << line + QStringLiteral("18  Folder: Work  Contact: Jane Roe (Northwind Traders)  Reason: The item could not be saved")
        << work << 1;
    QTest::newRow("appointment-save-fails")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("AppointmentItem:a1")})(w);
               w.store->folders.at(0)->items.at(0)->failSave = true;
               w.set(flags({QStringLiteral("AppointmentLocation")}));
           }}
        << line + QStringLiteral("28  Folder: Work  Reason: The item could not be saved") << work << 1;
    QTest::newRow("default-folder-missing")
        << ErrorCase{[](World &w) {
               w.set({{QStringLiteral("FolderEntryId1"), QStringLiteral("Uninitialized")}});
           }}
        << line + QStringLiteral("6  Folder: Work  Reason: The default folder cannot be found") << QString() << -1;
    // The last checkpoint passed, wherever that was, goes into the line.
    QTest::newRow("checkpoint-carries-into-next-folder")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("AppointmentItem:a1")})(w);
               w.set({{QStringLiteral("FolderCount"), QStringLiteral("2")},
                      {QStringLiteral("FolderName2"), QStringLiteral("Second")},
                      {QStringLiteral("FolderEntryId2"), QStringLiteral("Uninitialized")}});
           }}
        << line + QStringLiteral("26  Folder: Second  Reason: The default folder cannot be found") << work << -1;
    QTest::newRow("empty-folder-name")
        << ErrorCase{[=](World &w) {
               w.set({{QStringLiteral("FolderName1"), QString()}});
               items({QStringLiteral("ContactItem:c1")})(w);
               unregister(ProgId::SafeContactItem);
           }}
        << line + QStringLiteral("11  Reason: ") + noClass << QStringLiteral("Folder: ") << 1;
    QTest::newRow("saved-contact-stays-saved")
        << ErrorCase{[=](World &w) {
               items({QStringLiteral("ContactItem:c1"), QStringLiteral("TaskItem:t1")})(w);
               unregister(ProgId::SafeTaskItem);
           }}
        << line + QStringLiteral("22  Folder: Work  Reason: ") + noClass << work << 2;
}

void TestReplaceRun::errors()
{
    QFETCH(ErrorCase, errorCase);
    QFETCH(QString, message);
    QFETCH(QString, labelAfter);
    QFETCH(int, barValue);

    World w;
    auto folder = acmeToApexInWork(w);
    errorCase.arrange(w);
    for (const auto &item : folder->items)
        item->properties = {{QStringLiteral("CompanyName"), QStringLiteral("Acme")},
                            {QStringLiteral("Location"), QStringLiteral("Acme HQ")},
                            {QStringLiteral("FullNameAndCompany"), QStringLiteral("Jane Roe (Northwind Traders)")}};

    const RunResult result = w.run();

    QVERIFY2(w.env.utility.lines == (QList<LogLine>{{message, 0, ErrorSource}}), qPrintable(hostLog(w)));
    QCOMPARE(result.outcome, RunResult::Outcome::Error);
    QCOMPARE(result.text, message);
    // A run that began in the journal ends there as stopped at an error.
    QCOMPARE(w.env.utility.ended, QList<RunEnd>(w.env.utility.begun.size(), RunEnd::Error));
    QCOMPARE(w.answers.asked.size(), 1); // the confirmation only: errors show no box
    QCOMPARE(w.progress.label, labelAfter.isNull() ? QString() : labelAfter);
    if (barValue >= 0) {
        QVERIFY(w.progress.barShown);
        QCOMPARE(w.progress.item, barValue);
    }
    // Every wrapper made was let go.
    const QStringList &events = Memory::wrapperScript().events;
    QCOMPARE(events.filter(QRegularExpression(QStringLiteral("^create "))).size(),
             events.filter(QRegularExpression(QStringLiteral("^release"))).size());
    // A contact changed before the error stays saved.
    if (QTest::currentDataTag() == QLatin1String("saved-contact-stays-saved"))
        QCOMPARE(folder->items.at(0)->saves, 1);
}

void TestReplaceRun::logFailures_data()
{
    QTest::addColumn<ErrorCase>("failure");
    QTest::addColumn<QString>("outcome");     // "thrown: " + the error the run ends with, or the label
    QTest::addColumn<QStringList>("saved");   // entry ids saved
    QTest::addColumn<QStringList>("untouched"); // entry ids whose field kept its old value
    QTest::addColumn<int>("undoEntries");

    const QString full = QStringLiteral("thrown: The activity log cannot be written: database or disk is full");
    const QString c1 = QStringLiteral("c1"), c2 = QStringLiteral("c2");
    auto entry = [](const QString &text) {
        return activityFailsAt([text](const ActivityLine &line) { return line.text == text; });
    };
    // The traps of UndoSave and of the processor let the failure through: the
    // field whose record is lost is not changed, and nothing after it runs.
    QTest::newRow("undo record cut short") << ErrorCase{entry(QStringLiteral("ItemEntryId: c1"))} << full
                                           << QStringList{} << QStringList{c1, c2} << 2;
    QTest::newRow("second item's undo record") << ErrorCase{entry(QStringLiteral("ItemEntryId: c2"))} << full
                                               << QStringList{c1} << QStringList{c2} << 7;
    QTest::newRow("item's opening line")
        << ErrorCase{activityFailsAt([](const ActivityLine &line) { return line.name == u"SearchAndReplaceContacts"; })}
        << full << QStringList{} << QStringList{c1, c2} << 0;
    // An error line that cannot be written is dropped; the error it was
    // about decides what happens.
    QTest::newRow("run's error line") << ErrorCase{[](World &w) {
        w.store->folders.at(0)->items.at(1)->failSave = true;
        setEngineUtilityOverride(&unwritableHostLog);
    }} << QStringLiteral("Folder: Work") << QStringList{c1} << QStringList{} << 10;
    QTest::newRow("item's error line") << ErrorCase{[](World &w) {
        w.store->folders.at(0)->items.at(0)->failReading = {QStringLiteral("CompanyName")};
        setEngineUtilityOverride(&unwritableHostLog);
    }} << QStringLiteral("Updated 1 items in 1 folder") << QStringList{c2} << QStringList{c1} << 5;
}

void TestReplaceRun::logFailures()
{
    QFETCH(ErrorCase, failure);
    QFETCH(QString, outcome);
    QFETCH(QStringList, saved);
    QFETCH(QStringList, untouched);
    QFETCH(int, undoEntries);

    World w;
    auto folder = acmeToApexInWork(w);
    for (const QString &id : {QStringLiteral("c1"), QStringLiteral("c2")})
        folder->add(QStringLiteral("ContactItem"), id, {{QStringLiteral("CompanyName"), QStringLiteral("Acme")}});
    failure.arrange(w);

    QString ended;
    try {
        w.run();
        ended = w.progress.label;
    } catch (const LogWriteError &error) {
        ended = QStringLiteral("thrown: ") + error.description();
    }

    QCOMPARE(ended, outcome);
    QStringList savedIds, untouchedIds;
    for (const auto &item : folder->items) {
        if (item->saves > 0)
            savedIds << item->entryId;
        if (item->properties.value(QStringLiteral("CompanyName")) == u"Acme")
            untouchedIds << item->entryId;
    }
    QCOMPARE(savedIds, saved);
    QCOMPARE(untouchedIds, untouched);
    QCOMPARE(w.undoTexts().size(), undoEntries);
}

// Told to stop (an interrupt), the run ends before its next item: the items
// before it stay saved, nothing after it is touched, and the label says so.
void TestReplaceRun::stopRequestEndsBetweenItems()
{
    World w;
    auto folder = acmeToApexInWork(w);
    for (const QString &id : {QStringLiteral("c1"), QStringLiteral("c2"), QStringLiteral("c3")})
        folder->add(QStringLiteral("ContactItem"), id, {{QStringLiteral("CompanyName"), QStringLiteral("Acme")}});
    w.progress.stopBefore = 3;

    const RunResult result = w.run();

    QCOMPARE(result.outcome, RunResult::Outcome::Stopped);
    QCOMPARE(w.progress.label, QStringLiteral("Stopped: 2 items saved"));
    QCOMPARE(w.saves(), (QStringList{QStringLiteral("save c1"), QStringLiteral("save c2")}));
    QCOMPARE(folder->items.at(2)->properties.value(QStringLiteral("CompanyName")), QStringLiteral("Acme"));
}

QTEST_GUILESS_MAIN(TestReplaceRun)
#include "tst_replacerun.moc"
