// SPDX-License-Identifier: MIT
// The page's folder buttons and its "Choose Fields..." button.
#include "memoryhost.h"
#include "testenvironment.h"
#include "frmlookinfields.h"
#include "modalanswer.h"
#include "scriptedprompt.h"
#include "folderdoubles.h"
#include "multifolderpicker.h"
#include "hostmultifolderpicker.h"
#include "progids.h"
#include "prompt.h"
#include "settingsstore.h"
#include "settingsaccess.h"
#include "uc1.h"
#include "engineclasses.h"
#include "folderpickers.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString ChooseFolderSource = QStringLiteral("Morvane.ChooseFolderButton");
const QString ChooseMultiSource = QStringLiteral("Morvane.ChooseMultiFolderButton");
const QString ErrorPrefix = QStringLiteral("Error occurred.  Reason: ");

std::shared_ptr<FolderObject> record(const QString &name, const QString &entry, const QString &store)
{
    auto r = std::make_shared<TracingFolderRef>();
    r->name = name, r->entryId = entry, r->storeId = store;
    return r;
}

} // namespace

class TestPageButtons : public QObject
{
    Q_OBJECT

private:
    // A failed button leaves the page clean and writes exactly one error line
    // from source; reason empty means any description will do.
    void verifyCleanWithOneErrorLine(const QString &source, const QString &reason)
    {
        QVERIFY(!m_page->Dirty());
        QCOMPARE(m_host->statusChanges, 0);
        QCOMPARE(m_env->utility.lines.size(), 1);
        const LogLine line = m_env->utility.lines.first();
        QCOMPARE(line.source, source);
        QCOMPARE(line.level, 0);
        if (reason.isEmpty())
            QVERIFY2(line.message.startsWith(ErrorPrefix) && line.message.size() > ErrorPrefix.size(),
                     qPrintable(line.message));
        else
            QCOMPARE(line.message, ErrorPrefix + reason);
    }

    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<Memory::Host> m_host;
    std::unique_ptr<UC1> m_page;
    std::shared_ptr<Memory::Folder> m_contacts, m_calendar, m_bare;
    PickerScript m_script;

    // Folders stored as the page's Apply would have saved them.
    void storeFolders(int count)
    {
        WriteSetting("FolderCount", QString::number(count));
        for (int n = 1; n <= count; ++n) {
            WriteSetting(QStringLiteral("FolderName%1").arg(n), QStringLiteral("Stored %1").arg(n));
            WriteSetting(QStringLiteral("FolderEntryId%1").arg(n), QStringLiteral("e%1").arg(n));
            WriteSetting(QStringLiteral("FolderStoreId%1").arg(n), QStringLiteral("s%1").arg(n));
        }
    }
    void showPage()
    {
        m_page = std::make_unique<UC1>();
        m_page->SetHost(m_host.get());
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        QVERIFY(!m_page->Dirty());
        QCOMPARE(m_host->statusChanges, 0);
    }
    template <class T = QWidget>
    T *control(const QString &name)
    {
        T *found = m_page->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QStringList listed()
    {
        QStringList names;
        auto *list = control<QListWidget>("lstFolderList");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    QStringList collection()
    {
        QStringList out;
        if (m_page->folderCollection())
            for (const auto &f : *m_page->folderCollection())
                out << f->Name() + "|" + f->EntryID() + "|" + f->StoreID();
        return out;
    }
    void click(const char *button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    QStringList storedKeys()
    {
        return SettingsStore::keys(m_env->utility.appName, QStringLiteral("Morvane"));
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        ClassFactory::registerClass(QLatin1String(ProgId::FolderRef),
                                    [] { return std::make_unique<TracingFolderRef>(); });
        m_script = PickerScript();
        ClassFactory::registerClass(QLatin1String(ProgId::MultiFolderPicker),
                                    [this] { return std::make_unique<ScriptedPicker>(&m_script); });
        m_host = std::make_unique<Memory::Host>();
        auto store = Memory::makeStore(*m_host->application, "s1");
        store->name = "Personal";
        m_contacts = Memory::makeFolder(store, "Contacts", "c1");
        m_calendar = Memory::makeFolder(store, "Calendar", "cal");
        auto bare = Memory::makeStore(*m_host->application, "");
        bare->name = "Local";
        m_bare = Memory::makeFolder(bare, "Addresses", "a1");
    }
    void cleanup()
    {
        m_page.reset();
        m_host.reset();
        m_env.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void cancellingTheFolderDialogChangesNothing()
    {
        storeFolders(2);
        showPage();
        m_host->application->nameSpace->pick = [this]() -> std::shared_ptr<OlFolder> {
            control("txtSearchFor")->setFocus(); // the dialog took the focus
            return nullptr;
        };
        QApplication::setActiveWindow(m_page.get());
        click("cmdChooseFolder");
        QCOMPARE(listed(), (QStringList{"Stored 1", "Stored 2"}));
        QCOMPARE(collection(), (QStringList{"Stored 1|e1|s1", "Stored 2|e2|s2"}));
        QVERIFY(!m_page->Dirty());
        QCOMPARE(m_host->statusChanges, 0);
        QVERIFY(control("cmdChooseFolder")->hasFocus());
        QVERIFY(m_env->utility.lines.isEmpty());
    }

    // A folder button's answer replaces the list and the collection, leaves
    // the page needing Apply and writes nothing until then; an answer that
    // changes nothing (the picker's false) leaves the page clean. Answers:
    // the one-folder dialog's folder, or the picker's result and edit.
    void folderButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("listedAfter");
        QTest::addColumn<QStringList>("collectionAfter");
        QTest::addColumn<bool>("dirty");
        const QString one = QStringLiteral("cmdChooseFolder"), several = QStringLiteral("cmdChooseMultiFolder");
        const QStringList before = {"Stored 1", "Stored 2"};
        const QStringList beforeRecords = {"Stored 1|e1|s1", "Stored 2|e2|s2"};
        QTest::newRow("one replaces five") << one << 5 << "contacts" << QStringList{"Contacts"}
                                           << QStringList{"Contacts|c1|s1"} << true;
        QTest::newRow("one into an empty list") << one << 0 << "contacts" << QStringList{"Contacts"}
                                                << QStringList{"Contacts|c1|s1"} << true;
        QTest::newRow("one with an empty store id") << one << 1 << "bare" << QStringList{"Addresses"}
                                                    << QStringList{"Addresses|a1|"} << true;
        QTest::newRow("several: false") << several << 2 << "false" << before << beforeRecords << false;
        QTest::newRow("several: false after changing the collection")
            << several << 2 << "false append" << before << (QStringList(beforeRecords) << "New|n1|s1") << false;
        QTest::newRow("several: true with an empty collection") << several << 2 << "true clear" << QStringList{}
                                                                << QStringList{} << true;
        QTest::newRow("several: true with three") << several << 2 << "true three"
            << QStringList{"Contacts", "Calendar", "Addresses"}
            << QStringList{"Contacts|c1|s1", "Calendar|cal|s1", "Addresses|a1|"} << true;
        QTest::newRow("several: true with a new collection") << several << 2 << "true replace" << QStringList{"Other"}
                                                             << QStringList{"Other|o1|s3"} << true;
        QTest::newRow("several: true, nothing changed") << several << 2 << "true" << before << beforeRecords << true;
    }
    void folderButtons()
    {
        QFETCH(QString, button);
        QFETCH(int, stored);
        QFETCH(QString, answer);
        QFETCH(QStringList, listedAfter);
        QFETCH(QStringList, collectionAfter);
        QFETCH(bool, dirty);
        storeFolders(stored);
        showPage();
        QCOMPARE(listed().size(), stored);
        const std::shared_ptr<OlFolder> folder = answer == "bare" ? m_bare : m_contacts;
        m_host->application->nameSpace->pick = [folder] { return folder; };
        FolderCollection *pageCollection = m_page->folderCollection().get();
        m_script.answer = [&](std::shared_ptr<FolderCollection> &folders) {
            const QString edit = answer.section(u' ', 1);
            if (edit == "append")
                folders->append(record("New", "n1", "s1"));
            else if (edit == "clear")
                folders->clear();
            else if (edit == "three")
                *folders = {record("Contacts", "c1", "s1"), record("Calendar", "cal", "s1"),
                            record("Addresses", "a1", "")};
            else if (edit == "replace")
                folders = std::make_shared<FolderCollection>(FolderCollection{record("Other", "o1", "s3")});
            return answer.startsWith("true");
        };
        click(qPrintable(button));

        QCOMPARE(listed(), listedAfter);
        QCOMPARE(collection(), collectionAfter);
        QCOMPARE(m_page->Dirty(), dirty);
        QCOMPARE(m_host->statusChanges, dirty ? 1 : 0);
        QVERIFY(m_env->utility.lines.isEmpty());
        if (button == QLatin1String("cmdChooseFolder")) {
            // The page keeps a FolderRef of its own, an empty store id unset.
            auto *made = dynamic_cast<TracingFolderRef *>(m_page->folderCollection()->first().get());
            QVERIFY2(made, "the page keeps a FolderRef record, not the Outlook folder");
            const QStringList assigned = made->storeId.isEmpty() ? QStringList{"Name", "EntryID"}
                                                                 : QStringList{"Name", "EntryID", "StoreID"};
            QCOMPARE(made->assigned, assigned);
        } else {
            // The picker edits the page's own collection, with the help text 17.
            QCOMPARE(m_script.calls, 1);
            QCOMPARE(m_script.application, m_host->application.get());
            QCOMPARE(m_script.flag, -1);
            QCOMPARE(m_script.collection, pageCollection);
            TextTable texts;
            m_env->utility.LoadTextTable(texts, "Morvane");
            QVERIFY(!texts.value("17").isEmpty());
            QCOMPARE(m_script.text, texts.value("17"));
        }
        // Nothing reaches the store until Apply.
        QCOMPARE(ReadSetting("FolderCount", "absent"), QString::number(stored));
        if (!dirty)
            return;
        m_page->Apply();
        QCOMPARE(ReadSetting("FolderCount", "absent"), QString::number(collectionAfter.size()));
        if (!collectionAfter.isEmpty())
            QCOMPARE(ReadSetting("FolderEntryId1", "absent"), collectionAfter.first().section(u'|', 1, 1));
    }

    void oneFolderFromTheRealDialog()
    {
        storeFolders(3);
        showPage();
        auto nameSpace = m_host->application->nameSpace;
        nameSpace->pick = [ns = nameSpace.get()] { return FolderPickers::pickOne(*ns); };
        ModalAnswer answer([](QDialog *dialog) {
            auto *tree = dialog->findChild<QTreeWidget *>("tvwFolders");
            tree->setCurrentItem(tree->topLevelItem(0)->child(1)); // Personal/Calendar
            QTest::mouseClick(dialog->findChild<QPushButton *>("cmdOk"), Qt::LeftButton);
        });
        click("cmdChooseFolder");
        QVERIFY(answer.answered());
        QCOMPARE(listed(), QStringList{"Calendar"});
        QCOMPARE(collection(), QStringList{"Calendar|cal|s1"});
        QVERIFY(m_page->Dirty());
    }

    // A failing folder button, either one, leaves the list and the page as
    // they were and writes one error line.
    void folderButtonErrors_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        const QString one = QStringLiteral("cmdChooseFolder"), several = QStringLiteral("cmdChooseMultiFolder");
        QTest::newRow("one: dialog fails") << one << "pick" << "Outlook is busy";
        QTest::newRow("one: store id unreadable") << one << "StoreID" << "The folder is gone";
        QTest::newRow("one: name unreadable") << one << "Name" << "The folder is gone";
        QTest::newRow("one: no record class") << one << "record" << "ActiveX component can't create object";
        QTest::newRow("one: no host") << one << "host" << "";
        QTest::newRow("one: host without Outlook") << one << "outlook" << "";
        QTest::newRow("several: no picker class") << several << "class" << "ActiveX component can't create object";
        QTest::newRow("several: picker fails") << several << "picker" << "The picker broke";
        QTest::newRow("several: a record without a name") << several << "Name" << "The folder is gone";
        QTest::newRow("several: a record without an entry id") << several << "EntryID" << "The folder is gone";
        QTest::newRow("several: no host") << several << "host" << "";
    }
    void folderButtonErrors()
    {
        QFETCH(QString, button);
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        storeFolders(2);
        showPage();
        auto broken = std::make_shared<FailingFolder>();
        broken->failing = fault;
        m_host->application->nameSpace->pick = [fault, broken]() -> std::shared_ptr<OlFolder> {
            if (fault == "pick")
                throw QuenlockError(QStringLiteral("Outlook is busy"));
            return broken;
        };
        m_script.answer = [&](std::shared_ptr<FolderCollection> &folders) {
            *folders = {record("Contacts", "c1", "s1"), broken};
            return true;
        };
        if (fault == "picker")
            m_script.fail = [] { throw QuenlockError(QStringLiteral("The picker broke")); };
        if (fault == "record")
            ClassFactory::registerClass(QLatin1String(ProgId::FolderRef), {});
        if (fault == "class")
            ClassFactory::registerClass(QLatin1String(ProgId::MultiFolderPicker), {});
        if (fault == "host")
            m_page->SetHost(nullptr);
        if (fault == "outlook")
            m_host->application = nullptr;
        click(qPrintable(button));
        // The list stays and the page stays clean. The one-folder button also
        // keeps its collection (the picker of several edits it in place).
        QCOMPARE(listed(), (QStringList{"Stored 1", "Stored 2"}));
        const bool one = button == QLatin1String("cmdChooseFolder");
        if (one)
            QCOMPARE(collection(), (QStringList{"Stored 1|e1|s1", "Stored 2|e2|s2"}));
        verifyCleanWithOneErrorLine(one ? ChooseFolderSource : ChooseMultiSource, reason);
    }

    void severalFoldersFromTheRealPicker()
    {
        Engine::registerEngineClasses(); // the host's records
        Engine::registerEngineWindows(); // and its picker
        storeFolders(0);
        WriteSetting("FolderCount", "1");
        WriteSetting("FolderName1", "Calendar");
        WriteSetting("FolderEntryId1", "cal");
        WriteSetting("FolderStoreId1", "s1");
        showPage();
        QStringList preTicked;
        ModalAnswer answer([&](QDialog *dialog) {
            auto *tree = dialog->findChild<QTreeWidget *>("tvwFolders");
            for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked); *it; ++it)
                preTicked << (*it)->text(0);
            tree->setCurrentItem(tree->topLevelItem(1)->child(0)); // Local/Addresses
            QTest::keyClick(tree, Qt::Key_Space);
            QTest::mouseClick(dialog->findChild<QPushButton *>("cmdOk"), Qt::LeftButton);
        });
        click("cmdChooseMultiFolder");
        QVERIFY(answer.answered());
        QCOMPARE(preTicked, QStringList{"Calendar"});
        QCOMPARE(listed(), (QStringList{"Calendar", "Addresses"}));
        QCOMPARE(collection(), (QStringList{"Calendar|cal|s1", "Addresses|a1|"}));
        QVERIFY(m_page->Dirty());
        QCOMPARE(m_host->statusChanges, 1);
    }

    void chooseFieldsMarksDirtyHoweverClosed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("keysWritten");
        QTest::newRow("ok") << "ok" << 57;
        QTest::newRow("cancel") << "cancel" << 0;
        QTest::newRow("close box") << "close" << 0;
    }
    void chooseFieldsMarksDirtyHoweverClosed()
    {
        QFETCH(QString, how);
        QFETCH(int, keysWritten);
        showPage();
        const int before = int(storedKeys().size());
        bool ownerless = false;
        int statusWhileOpen = -1;
        ModalAnswer answer([&](QDialog *dialog) {
            QVERIFY(qobject_cast<frmLookInFields *>(dialog));
            ownerless = dialog->parentWidget() == nullptr;
            statusWhileOpen = m_host->statusChanges;
            dialog->findChild<QCheckBox *>("chkTaskBody")->setChecked(true);
            if (how == "ok")
                QTest::mouseClick(dialog->findChild<QPushButton *>("cmdOk"), Qt::LeftButton);
            else if (how == "cancel")
                QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
            else
                dialog->close();
        });
        click("cmdChooseFields");
        QVERIFY(answer.answered());
        QVERIFY(ownerless);
        QCOMPARE(statusWhileOpen, 0);
        QVERIFY(m_page->Dirty());
        QCOMPARE(m_host->statusChanges, 1);
        QCOMPARE(int(storedKeys().size()) - before, keysWritten);
        QCOMPARE(ReadSetting("TaskBody", "absent"), QString(how == "ok" ? "1" : "absent"));
    }

    void chooseFieldsWithAnUnreadableStore()
    {
        showPage();
        ScriptedPrompt answers;
        setPrompt(&answers);
        m_env->utility.appName = QStringLiteral("bad/name");
        click("cmdChooseFields");
        setPrompt(nullptr);
        QCOMPARE(answers.texts().size(), 1);
        QVERIFY2(answers.texts().first().startsWith("The field choices cannot be read.  Reason: "),
                 qPrintable(answers.texts().first()));
        QVERIFY(m_page->Dirty());
    }
};

QTEST_MAIN(TestPageButtons)
#include "tst_pagebuttons.moc"
