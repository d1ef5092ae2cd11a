// SPDX-License-Identifier: MIT
// The host's folder pickers: one folder from a tree, several from a check-box tree.
#include "memoryoutlook.h"
#include "testenvironment.h"
#include "modalanswer.h"
#include "progids.h"
#include "folderpickers.h"
#include "hostmultifolderpicker.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Two stores; "c1" is an entry id both stores use, as two backends may.
struct World
{
    Memory::Application app;
    std::shared_ptr<Memory::Folder> personal, archive, contacts, calendar, tasks, oldContacts;
    World()
    {
        personal = Memory::makeStore(app, "s1");
        personal->name = "Personal";
        contacts = Memory::makeFolder(personal, "Contacts", "c1");
        for (int i = 0; i < 3; ++i)
            contacts->add(OlTypeName::Contact, QStringLiteral("k%1").arg(i));
        calendar = Memory::makeFolder(personal, "Calendar", "cal");
        calendar->add(OlTypeName::Appointment, "a1");
        tasks = Memory::makeFolder(personal, "Tasks", "t1");
        archive = Memory::makeStore(app, "s2");
        archive->name = "Archive";
        oldContacts = Memory::makeFolder(archive, "Old Contacts", "c1");
        for (int i = 0; i < 2; ++i)
            oldContacts->add(OlTypeName::Contact, QStringLiteral("o%1").arg(i));
    }
};

// "Personal/Calendar" style paths to the rows of a picker's tree.
QTreeWidgetItem *row(QDialog *dialog, const QString &path)
{
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tvwFolders"));
    const QStringList parts = path.split(u'/');
    QTreeWidgetItem *found = nullptr;
    for (int i = 0; i < tree->topLevelItemCount() && !found; ++i)
        if (tree->topLevelItem(i)->text(0) == parts[0])
            found = tree->topLevelItem(i);
    for (int p = 1; p < parts.size() && found; ++p) {
        QTreeWidgetItem *parent = found;
        found = nullptr;
        for (int i = 0; i < parent->childCount() && !found; ++i)
            if (parent->child(i)->text(0) == parts[p])
                found = parent->child(i);
    }
    return found;
}

QStringList rowsWithCounts(QDialog *dialog)
{
    QStringList rows;
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tvwFolders"));
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        rows << QStringLiteral("%1%2 (%3)")
                    .arg((*it)->parent() ? QStringLiteral("  ") : QString(), (*it)->text(0),
                         (*it)->text(1));
    return rows;
}

QStringList tickedRows(QDialog *dialog)
{
    QStringList rows;
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tvwFolders"));
    for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked); *it; ++it)
        rows << ((*it)->parent() ? (*it)->parent()->text(0) + "/" : QString()) + (*it)->text(0);
    return rows;
}

void click(QDialog *dialog, const char *button)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
}

std::shared_ptr<FolderObject> record(const QString &name, const QString &entry, const QString &store)
{
    std::shared_ptr<FolderRef> r = ClassFactory::create<FolderRef>(QLatin1String(ProgId::FolderRef));
    r->setName(name);
    r->setEntryID(entry);
    if (!store.isEmpty())
        r->setStoreID(store);
    return r;
}

QStringList describe(const FolderCollection &folders)
{
    QStringList out;
    for (const auto &f : folders)
        out << f->Name() + "|" + f->EntryID() + "|" + f->StoreID();
    return out;
}

} // namespace

class TestFolderPickers : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

    void pickOneShowsStoresWithCounts()
    {
        World world;
        QStringList shown;
        bool okEnabledAtStart = true;
        ModalAnswer answer([&](QDialog *dialog) {
            shown = rowsWithCounts(dialog);
            okEnabledAtStart = dialog->findChild<QPushButton *>("cmdOk")->isEnabled();
            click(dialog, "cmdCancel");
        });
        QVERIFY(!FolderPickers::pickOne(*world.app.nameSpace));
        QVERIFY(answer.answered());
        QCOMPARE(shown, (QStringList{"Personal (0)", "  Contacts (3)", "  Calendar (1)", "  Tasks (0)",
                                     "Archive (0)", "  Old Contacts (2)"}));
        QVERIFY(!okEnabledAtStart);
    }

    void pickOne_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("expected"); // name|entry|store, empty for none
        QTest::newRow("ok") << "Personal/Calendar" << "cmdOk" << "Calendar|cal|s1";
        QTest::newRow("same entry id, other store") << "Archive/Old Contacts" << "cmdOk"
                                                    << "Old Contacts|c1|s2";
        QTest::newRow("cancel after selecting") << "Personal/Contacts" << "cmdCancel" << "";
        QTest::newRow("double click") << "Personal/Tasks" << "double" << "Tasks|t1|s1";
    }
    void pickOne()
    {
        QFETCH(QString, path);
        QFETCH(QString, button);
        QFETCH(QString, expected);
        World world;
        ModalAnswer answer([&](QDialog *dialog) {
            QTreeWidgetItem *target = row(dialog, path);
            auto *tree = dialog->findChild<QTreeWidget *>("tvwFolders");
            const QRect rect = tree->visualItemRect(target);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
            if (button == "double")
                QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
            else
                click(dialog, qPrintable(button));
        });
        const std::shared_ptr<OlFolder> chosen = FolderPickers::pickOne(*world.app.nameSpace);
        QVERIFY(answer.answered());
        QCOMPARE(chosen ? chosen->Name() + "|" + chosen->EntryID() + "|" + chosen->StoreID()
                        : QString(),
                 expected);
    }

    void multiPicker_data()
    {
        QTest::addColumn<QStringList>("given");       // name|entry|store records
        QTest::addColumn<QStringList>("preTicked");   // rows ticked when shown
        QTest::addColumn<QStringList>("toggle");      // rows the user clicks
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("after");       // the collection afterwards
        const QStringList one = {"Old Contacts|c1|s2"};
        QTest::newRow("matched by entry and store")
            << one << QStringList{"Archive/Old Contacts"} << QStringList{} << "cmdOk" << true << one;
        QTest::newRow("tree order, not click order")
            << QStringList{} << QStringList{}
            << QStringList{"Archive/Old Contacts", "Personal/Tasks", "Personal/Contacts"}
            << "cmdOk" << true
            << QStringList{"Contacts|c1|s1", "Tasks|t1|s1", "Old Contacts|c1|s2"};
        QTest::newRow("untick all") << QStringList{"Contacts|c1|s1", "Tasks|t1|s1"}
                                    << QStringList{"Personal/Contacts", "Personal/Tasks"}
                                    << QStringList{"Personal/Contacts", "Personal/Tasks"} << "cmdOk"
                                    << true << QStringList{};
        QTest::newRow("cancel keeps the collection")
            << QStringList{"Tasks|t1|s1", "Contacts|c1|s1"}
            << QStringList{"Personal/Contacts", "Personal/Tasks"}
            << QStringList{"Personal/Calendar", "Personal/Tasks"} << "cmdCancel" << false
            << QStringList{"Tasks|t1|s1", "Contacts|c1|s1"};
        QTest::newRow("a folder no store holds stays listed and kept")
            << QStringList{"Gone|g1|s9", "Calendar|cal|s1"}
            << QStringList{"Personal/Calendar", "Folders not found/Gone"} << QStringList{}
            << "cmdOk" << true << QStringList{"Calendar|cal|s1", "Gone|g1|s9"};
        QTest::newRow("a folder no store holds can be dropped")
            << QStringList{"Gone|g1|s9"} << QStringList{"Folders not found/Gone"}
            << QStringList{"Folders not found/Gone"} << "cmdOk" << true << QStringList{};
        QTest::newRow("stale name takes the store's name")
            << QStringList{"Kontakte|c1|s1"} << QStringList{"Personal/Contacts"} << QStringList{}
            << "cmdOk" << true << QStringList{"Contacts|c1|s1"};
    }
    void multiPicker()
    {
        QFETCH(QStringList, given);
        QFETCH(QStringList, preTicked);
        QFETCH(QStringList, toggle);
        QFETCH(QString, button);
        QFETCH(bool, result);
        QFETCH(QStringList, after);
        TestEnvironment env;
        World world;
        auto folders = std::make_shared<FolderCollection>();
        for (const QString &g : given) {
            const QStringList p = g.split(u'|');
            folders->append(record(p[0], p[1], p[2]));
        }
        const FolderCollection before = *folders;
        const auto identity = folders.get();

        QStringList shownTicked;
        QString prompt;
        ModalAnswer answer([&](QDialog *dialog) {
            shownTicked = tickedRows(dialog);
            prompt = dialog->findChild<QLabel *>("lblPrompt")->text();
            auto *tree = dialog->findChild<QTreeWidget *>("tvwFolders");
            for (const QString &path : toggle) {
                QTreeWidgetItem *target = row(dialog, path);
                QVERIFY2(target, qPrintable(path));
                // Space on the current row toggles its box, as the user would.
                tree->setCurrentItem(target);
                QTest::keyClick(tree, Qt::Key_Space);
            }
            click(dialog, qPrintable(button));
        });
        HostMultiFolderPicker picker;
        const bool answered = picker.PickFolders(&world.app, -1, folders, "Tick the folders.");
        QVERIFY(answer.answered());
        QCOMPARE(prompt, QStringLiteral("Tick the folders."));
        QCOMPARE(shownTicked, preTicked);
        QCOMPARE(answered, result);
        QCOMPARE(describe(*folders), after);
        QCOMPARE(folders.get(), identity);
        if (!result) {
            QCOMPARE(folders->size(), before.size());
            for (qsizetype i = 0; i < before.size(); ++i)
                QCOMPARE(folders->at(i).get(), before.at(i).get());
        } else {
            for (const auto &f : *folders)
                QVERIFY(dynamic_cast<FolderRef *>(f.get())); // records, not Outlook folders
        }
    }

    void multiPickerWithoutCollectionMakesOne()
    {
        TestEnvironment env;
        World world;
        std::shared_ptr<FolderCollection> folders;
        ModalAnswer answer([&](QDialog *dialog) {
            row(dialog, "Personal/Calendar")->setCheckState(0, Qt::Checked);
            click(dialog, "cmdOk");
        });
        HostMultiFolderPicker picker;
        QVERIFY(picker.PickFolders(&world.app, -1, folders, QString()));
        QVERIFY(folders);
        QCOMPARE(describe(*folders), QStringList{"Calendar|cal|s1"});
    }

    void multiPickerIsRegisteredByTheEngine()
    {
        TestEnvironment env;
        Engine::registerEngineWindows();
        auto picker = ClassFactory::create<MultiFolderPicker>(QLatin1String(ProgId::MultiFolderPicker));
        QVERIFY(dynamic_cast<HostMultiFolderPicker *>(picker.get()));
    }

    void screenshots()
    {
        const QString folder = qEnvironmentVariable("QUENLOCK_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("QUENLOCK_SCREENSHOTS not set");
        TestEnvironment env;
        World world;
        {
            ModalAnswer answer([&](QDialog *dialog) {
                dialog->findChild<QTreeWidget *>("tvwFolders")->setCurrentItem(row(dialog, "Personal/Contacts"));
                QVERIFY(dialog->grab().save(folder + "/pickfolder.png"));
                click(dialog, "cmdCancel");
            });
            FolderPickers::pickOne(*world.app.nameSpace);
        }
        auto folders = std::make_shared<FolderCollection>(
            FolderCollection{record("Contacts", "c1", "s1"), record("Gone", "g1", "s9")});
        TextTable table;
        env.utility.LoadTextTable(table, "Morvane");
        ModalAnswer answer([&](QDialog *dialog) {
            QVERIFY(dialog->grab().save(folder + "/pickfolders.png"));
            click(dialog, "cmdCancel");
        });
        HostMultiFolderPicker().PickFolders(&world.app, -1, folders, table.value("17"));
    }
};

QTEST_MAIN(TestFolderPickers)
#include "tst_folderpickers.moc"
