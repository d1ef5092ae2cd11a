// SPDX-License-Identifier: MIT
// The settings page as a user and its host drive it: layout, dirty tracking,
// the show sequence, saving and loading, Enabled and hot help.
#include "testenvironment.h"
#include "folderobject.h"
#include "progids.h"
#include "settingsaccess.h"
#include "uc1.h"
#include "enginepaths.h"
#include "recordinghost.h"
#include "memoryhost.h"
#include "regexclasses.h"
#include "scriptedprompt.h"
#include "utilitydoubles.h"
#include "folderdoubles.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using KeyValues = QList<QPair<QString, QString>>;
Q_DECLARE_METATYPE(KeyValues)

namespace {

KeyValues writtenInOrder(int accesses)
{
    KeyValues written;
    for (int i = 1; i <= accesses; ++i) {
        QSettings file(EnginePaths::configDir() + QStringLiteral("/Seq%1.ini").arg(i),
                       QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Morvane"));
        const QStringList keys = file.childKeys();
        if (keys.size() != 1)
            return {{QStringLiteral("access %1 wrote keys").arg(i), keys.join(u',')}};
        written.append({keys.first(), file.value(keys.first()).toString()});
    }
    return written;
}

void store(const KeyValues &values)
{
    for (const auto &[key, value] : values)
        WriteSetting(key, value);
}

// Help texts of the host's table, by text key.
TextTable hostTexts()
{
    TextTable texts;
    engineUtility().LoadTextTable(texts, QStringLiteral("Morvane"));
    return texts;
}

QString help(const QString &textKey)
{
    static const TextTable texts = hostTexts();
    return QStringLiteral("help:") + (textKey.isEmpty() ? QString() : texts.value(textKey))
           + QLatin1Char('|');
}

// A spot on the control that no child covers.
QPoint freeSpot(QWidget *control)
{
    if (auto *list = qobject_cast<QListWidget *>(control))
        return list->viewport()->mapTo(list, list->viewport()->rect().center());
    if (qobject_cast<QGroupBox *>(control))
        return QPoint(4, 4);
    return control->rect().center();
}

struct Page
{
    UC1 page;
    RecordingHost host;

    explicit Page(bool withHost = true)
    {
        if (withHost)
            page.SetHost(&host);
    }
    void show()
    {
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
    }
    template <class T = QWidget>
    T *control(const QString &name)
    {
        T *found = page.findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    QStringList listed()
    {
        QStringList names;
        auto *list = control<QListWidget>(QStringLiteral("lstFolderList"));
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    QStringList folders()
    {
        QStringList records;
        if (!page.folderCollection())
            return {QStringLiteral("(none)")};
        for (const auto &f : *page.folderCollection())
            records << f->Name() + u'/' + f->EntryID() + u'/' + f->StoreID();
        return records;
    }
    // Runs one scripted user step; "move:NAME", "type:NAME:TEXT",
    // "click:NAME", "msg:MESSAGE" (the host's SendPropMessage), "showbar".
    void act(const QString &step)
    {
        const QStringList parts = step.split(u':');
        if (parts[0] == u"move") {
            QWidget *c = control(parts[1]);
            // Two moves inside the control, as a real pointer makes.
            QTest::mouseMove(c, freeSpot(c));
            QTest::mouseMove(c, freeSpot(c) + QPoint(1, 1));
        } else if (parts[0] == u"type") {
            auto *edit = control<QLineEdit>(parts[1]);
            edit->setFocus();
            QTest::keyClicks(edit, parts[2]);
        } else if (parts[0] == u"click") {
            QWidget *c = control(parts[1]);
            QTest::mouseClick(c, Qt::LeftButton, {}, c->rect().center());
        } else if (parts[0] == u"msg") {
            QCOMPARE(page.SendPropMessage(parts[1], QStringLiteral("ignored")), QStringLiteral("ok"));
        } else if (parts[0] == u"showbar") {
            control(QStringLiteral("ProgressBar1"))->show();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }
};

const QStringList AllControls = {
    "frameSettings", "lblSearchFor", "txtSearchFor", "chkCaseSensitive", "lblReplaceWith",
    "txtReplaceWith", "lblLookIn", "cmdChooseFields", "lblSearchIn", "lstFolderList", "Picture3",
    "cmdChooseFolder", "cmdChooseMultiFolder", "frameWarning", "Label1", "Picture1", "cmdReplace",
    "frameProgress", "ProgressBar1", "lblFolderName"};
const QStringList Lines = {"Line4", "Line6", "Line7", "Line8"};

} // namespace

class TestUC1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void layout_data();
    void layout();
    void picturesStacking();
    void dirtyTracking_data();
    void dirtyTracking();
    void withoutHost();
    void showDiscardsEdits();
    void hostLoadValuesMarksChanges_data();
    void hostLoadValuesMarksChanges();
    void applyWrites_data();
    void applyWrites();
    void loadValues_data();
    void loadValues();
    void loadValuesFailureKeepsFoldersReadSoFar();
    void setDirtyTrapsHostError();
    void showFailureLeavesPageWorking();
    void enabled_data();
    void enabled();
    void hotHelp_data();
    void hotHelp();
    void writeToLog();
    void replaceButton_data();
    void replaceButton();
};

void TestUC1::cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }

void TestUC1::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    for (const auto &[name, caption] : std::initializer_list<std::pair<const char *, const char *>>{
             {"frameSettings", "Search And Replace"}, {"lblSearchFor", "Search For:"},
             {"txtSearchFor", ""}, {"chkCaseSensitive", "Case sensitive"},
             {"lblReplaceWith", "Replace With:"}, {"txtReplaceWith", ""},
             {"lblLookIn", "Look In Fields:"}, {"cmdChooseFields", "Choose Fields..."},
             {"lblSearchIn", "Search In Folders:"}, {"lstFolderList", ""}, {"Picture3", ""},
             {"cmdChooseFolder", "Choose Folder..."}, {"cmdChooseMultiFolder", "Choose Multi Folders..."},
             {"frameWarning", "Warning"}, {"Label1", "Make backups before running this utility."},
             {"Picture1", ""}, {"cmdReplace", "Replace"}, {"frameProgress", "Progress"},
             {"ProgressBar1", ""}, {"lblFolderName", "Folder Name"}})
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption);
}

// What a user sees of each control: its caption in the form's font, the whole
// control inside its container and shown (the bar only during a run), and no
// other control of its container over it. Picture1 is a clear frame laid over
// the list and Picture3 (picturesStacking checks they stay in front of it).
void TestUC1::layout()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TestEnvironment env;
    Page p;
    QWidget *c = p.control(name);
    // Captions as built: loading clears the folder name's.
    QString shown;
    if (auto *label = qobject_cast<QLabel *>(c))
        shown = label->text();
    else if (auto *button = qobject_cast<QAbstractButton *>(c))
        shown = button->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(c))
        shown = frame->title();
    QCOMPARE(shown, caption);
    QCOMPARE(c->font().families().value(0), QStringLiteral("Microsoft Sans Serif"));
    QCOMPARE(c->font().pointSizeF(), 8.25);

    p.show();
    QCOMPARE(c->isVisible(), name != QLatin1String("ProgressBar1"));
    QWidget *container = c->parentWidget();
    QVERIFY2(container->rect().contains(c->geometry()),
             qPrintable(QStringLiteral("%1 reaches out of %2").arg(name, container->objectName())));
    QVERIFY(!c->geometry().isEmpty());
    for (QObject *object : container->children()) {
        auto *other = qobject_cast<QWidget *>(object);
        if (!other || other == c || other->objectName().isEmpty() || other->isHidden()
            || name == QLatin1String("Picture1") || other->objectName() == QLatin1String("Picture1"))
            continue;
        QVERIFY2(!other->geometry().intersects(c->geometry()),
                 qPrintable(QStringLiteral("%1 overlaps %2").arg(name, other->objectName())));
    }
}

void TestUC1::picturesStacking()
{
    // Picture1 lies over the list and Picture3; both must stay in front of it
    // and take the mouse, while its lower part shows Replace.
    TestEnvironment env;
    Page p;
    p.show();
    auto *frame = p.control(QStringLiteral("frameSettings"));
    auto onTop = [&](const QString &name) {
        QWidget *c = p.control(name);
        QWidget *hit = frame->childAt(c->mapTo(frame, c->rect().center()));
        return hit == c || c->isAncestorOf(hit);
    };
    QVERIFY(onTop(QStringLiteral("lstFolderList")));
    QVERIFY(onTop(QStringLiteral("cmdChooseFolder")));
    QVERIFY(onTop(QStringLiteral("cmdChooseMultiFolder")));
    QVERIFY(onTop(QStringLiteral("Label1")));
    QVERIFY(onTop(QStringLiteral("cmdReplace")));
}

void TestUC1::dirtyTracking_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("statusChanges");
    QTest::newRow("one-character") << QStringList{"type:txtSearchFor:a"} << 1;
    QTest::newRow("two-characters") << QStringList{"type:txtSearchFor:ab"} << 2;
    QTest::newRow("replacement") << QStringList{"type:txtReplaceWith:xyz"} << 3;
    QTest::newRow("both-boxes") << QStringList{"type:txtSearchFor:a", "type:txtReplaceWith:b"} << 2;
    QTest::newRow("check-box-click") << QStringList{"click:chkCaseSensitive"} << 1;
    QTest::newRow("check-box-twice") << QStringList{"click:chkCaseSensitive", "click:chkCaseSensitive"} << 2;
    QTest::newRow("mouse-only") << QStringList{"move:txtSearchFor", "move:cmdReplace"} << 0;
    QTest::newRow("help-message") << QStringList{"msg:ResetHelpText"} << 0;
}

void TestUC1::dirtyTracking()
{
    QFETCH(QStringList, steps);
    QFETCH(int, statusChanges);
    TestEnvironment env;
    Page p;
    p.show();
    QVERIFY(!p.page.Dirty());
    for (const QString &step : steps)
        p.act(step);
    QCOMPARE(p.host.statusCount(), statusChanges);
    QCOMPARE(p.page.Dirty(), statusChanges > 0);
}

void TestUC1::withoutHost()
{
    TestEnvironment env;
    Page p(false);
    p.show();
    p.act(QStringLiteral("move:txtSearchFor"));
    QCOMPARE(p.page.currentHelpKey(), QString());
    p.act(QStringLiteral("type:txtSearchFor:a"));
    p.act(QStringLiteral("click:chkCaseSensitive"));
    QVERIFY(p.page.Dirty());
    QVERIFY(env.utility.lines.isEmpty());
    QVERIFY(p.host.calls.isEmpty());

    // The key was not taken while there was no host: the first move after
    // SetHost sends the text.
    p.page.SetHost(&p.host);
    p.act(QStringLiteral("move:txtSearchFor"));
    QCOMPARE(p.host.calls, QStringList{help("1")});

    // An empty reference clears the host again.
    p.page.SetHost(nullptr);
    p.act(QStringLiteral("type:txtSearchFor:b"));
    p.act(QStringLiteral("move:cmdReplace"));
    QCOMPARE(p.host.calls, QStringList{help("1")});
}

void TestUC1::showDiscardsEdits()
{
    TestEnvironment env;
    store({{"SearchFor", "alpha"}, {"ReplaceWith", "beta"}, {"CaseSensitive", "1"}});
    Page p;
    p.show();
    // Loading fills the boxes without making the page dirty or telling the host.
    QCOMPARE(p.control<QLineEdit>("txtSearchFor")->text(), QStringLiteral("alpha"));
    QVERIFY(!p.page.Dirty());
    // One help reset per value the loading changed, one for the show.
    QCOMPARE(p.host.calls, QStringList(4, help("")));

    p.act(QStringLiteral("type:txtSearchFor:x"));
    p.act(QStringLiteral("type:txtReplaceWith:y"));
    p.act(QStringLiteral("click:chkCaseSensitive"));
    QVERIFY(p.page.Dirty());
    QCOMPARE(p.host.statusCount(), 3);

    p.host.calls.clear();
    p.page.hide();
    p.show();
    QCOMPARE(p.control<QLineEdit>("txtSearchFor")->text(), QStringLiteral("alpha"));
    QCOMPARE(p.control<QLineEdit>("txtReplaceWith")->text(), QStringLiteral("beta"));
    QVERIFY(p.control<QCheckBox>("chkCaseSensitive")->isChecked());
    QVERIFY(!p.page.Dirty());
    // Three values changed back while loading: no status change, one reset
    // per change and one for the show.
    QCOMPARE(p.host.statusCount(), 0);
    QCOMPARE(p.host.calls, QStringList(4, help("")));

    // After the showing, edits count again.
    p.act(QStringLiteral("type:txtSearchFor:z"));
    QCOMPARE(p.host.statusCount(), 1);
    QVERIFY(p.page.Dirty());
}

void TestUC1::hostLoadValuesMarksChanges_data()
{
    QTest::addColumn<KeyValues>("stored");
    QTest::addColumn<int>("statusChanges");
    QTest::newRow("nothing-changed") << KeyValues{{"SearchFor", "s"}} << 0;
    QTest::newRow("search-text") << KeyValues{{"SearchFor", "t"}} << 1;
    QTest::newRow("all-three") << KeyValues{{"SearchFor", "t"}, {"ReplaceWith", "r"}, {"CaseSensitive", "1"}} << 3;
    QTest::newRow("folders-only") << KeyValues{{"FolderCount", "1"}, {"FolderName1", "A"}, {"FolderEntryId1", "E"}} << 0;
}

void TestUC1::hostLoadValuesMarksChanges()
{
    // Called by the host, outside the show sequence, LoadValues goes through
    // the change handlers: every value that changes marks the page dirty.
    QFETCH(KeyValues, stored);
    QFETCH(int, statusChanges);
    TestEnvironment env;
    store({{"SearchFor", "s"}});
    Page p;
    p.show();
    store(stored);
    p.page.LoadValues();
    QCOMPARE(p.host.statusCount(), statusChanges);
    QCOMPARE(p.page.Dirty(), statusChanges > 0);
}

void TestUC1::applyWrites_data()
{
    QTest::addColumn<KeyValues>("stored");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<KeyValues>("written");
    const KeyValues three = {{"FolderCount", "3"},
                             {"FolderName1", "Contacts"}, {"FolderEntryId1", "E1"}, {"FolderStoreId1", "S1"},
                             {"FolderName2", "Work, old"}, {"FolderEntryId2", "E2"}, {"FolderStoreId2", "S2"},
                             {"FolderName3", "Tasks"}, {"FolderEntryId3", "E3"}};
    QTest::newRow("three-folders")
        << three << true << QStringList{"type:txtSearchFor:^(555) ", "type:txtReplaceWith:$1-", "click:chkCaseSensitive"}
        << KeyValues{{"SearchFor", "^(555) "}, {"ReplaceWith", "$1-"}, {"CaseSensitive", "1"},
                     {"FolderCount", "3"},
                     {"FolderName1", "Contacts"}, {"FolderEntryId1", "E1"}, {"FolderStoreId1", "S1"},
                     {"FolderName2", "Work, old"}, {"FolderEntryId2", "E2"}, {"FolderStoreId2", "S2"},
                     {"FolderName3", "Tasks"}, {"FolderEntryId3", "E3"}, {"FolderStoreId3", ""}};
    // Folder 2 has no entry id: it is dropped and the others close up.
    QTest::newRow("gap-closes-up")
        << KeyValues{{"FolderCount", "3"}, {"CaseSensitive", "1"},
                     {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
                     {"FolderName2", "B"},
                     {"FolderName3", "C"}, {"FolderEntryId3", "E3"}, {"FolderStoreId3", "S3"}}
        << true << QStringList{"type:txtSearchFor:x"}
        << KeyValues{{"SearchFor", "x"}, {"ReplaceWith", ""}, {"CaseSensitive", "1"}, {"FolderCount", "2"},
                     {"FolderName1", "A"}, {"FolderEntryId1", "E1"}, {"FolderStoreId1", ""},
                     {"FolderName2", "C"}, {"FolderEntryId2", "E3"}, {"FolderStoreId2", "S3"}};
    QTest::newRow("empty-list")
        << KeyValues{{"FolderCount", "0"}, {"FolderName1", "Old"}, {"FolderEntryId1", "E"}} << true
        << QStringList{"type:txtSearchFor:y"}
        << KeyValues{{"SearchFor", "y"}, {"ReplaceWith", ""}, {"CaseSensitive", "0"}, {"FolderCount", "0"}};
    // Loading stopped at the case flag, before the folders: the folder keys
    // stay as they are, the rest is saved.
    QTest::newRow("case-not-a-number-keeps-folders")
        << KeyValues{{"CaseSensitive", "yes"}, {"FolderCount", "2"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
                     {"FolderName2", "B"}, {"FolderEntryId2", "E2"}}
        << true << QStringList{"click:chkCaseSensitive"}
        << KeyValues{{"SearchFor", ""}, {"ReplaceWith", ""}, {"CaseSensitive", "1"}};
    // A grayed box from the store: clicks give ticked and clear only.
    QTest::newRow("grayed-then-clicked")
        << KeyValues{{"CaseSensitive", "2"}} << true
        << QStringList{"click:chkCaseSensitive", "click:chkCaseSensitive", "click:chkCaseSensitive"}
        << KeyValues{{"SearchFor", ""}, {"ReplaceWith", ""}, {"CaseSensitive", "1"}, {"FolderCount", "0"}};
    QTest::newRow("texts-past-32767-characters")
        << KeyValues{{"SearchFor", QString(40000, u's')}, {"ReplaceWith", QString(33000, u'r')}} << true
        << QStringList{"type:txtSearchFor:!"}
        << KeyValues{{"SearchFor", QString(40000, u's') + u'!'}, {"ReplaceWith", QString(33000, u'r')},
                     {"CaseSensitive", "0"}, {"FolderCount", "0"}};
    // A page never shown holds no folder collection at all.
    QTest::newRow("no-collection")
        << three << false << QStringList{}
        << KeyValues{{"SearchFor", ""}, {"ReplaceWith", ""}, {"CaseSensitive", "0"}, {"FolderCount", "0"}};
}

void TestUC1::applyWrites()
{
    QFETCH(KeyValues, stored);
    QFETCH(bool, shown);
    QFETCH(QStringList, steps);
    QFETCH(KeyValues, written);
    TestEnvironment env;
    store(stored);
    SequencedUtility sequenced(env.utility);
    setEngineUtilityOverride(&sequenced);
    Page p;
    if (shown)
        p.show();
    for (const QString &step : steps)
        p.act(step);
    QCOMPARE(p.page.Dirty(), !steps.isEmpty());
    const int changes = p.host.statusCount();
    const qsizetype logged = env.utility.lines.size();

    sequenced.sequencing = true;
    p.page.Apply();
    sequenced.sequencing = false;

    QCOMPARE(writtenInOrder(sequenced.accesses), written);
    QVERIFY(!p.page.Dirty());
    // Saving tells the host nothing and does not reload the page.
    QCOMPARE(p.host.statusCount(), changes);
    QCOMPARE(env.utility.lines.size(), logged);
}

void TestUC1::loadValues_data()
{
    QTest::addColumn<KeyValues>("stored");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("searchFor");
    QTest::addColumn<Qt::CheckState>("caseState");
    QTest::addColumn<QString>("logged");
    QTest::newRow("fresh-store") << KeyValues{} << QStringList{} << QStringList{} << QString()
                                 << Qt::Unchecked << QString();
    QTest::newRow("default-folder")
        << KeyValues{{"FolderCount", "1"}, {"FolderName1", "Contacts"}, {"FolderEntryId1", "Uninitialized"},
                     {"FolderStoreId1", "S"}}
        << QStringList{"Contacts"} << QStringList{"Contacts/Uninitialized/S"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("name-missing")
        << KeyValues{{"FolderCount", "3"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
                     {"FolderEntryId2", "E2"}, {"FolderName3", "C"}, {"FolderEntryId3", "E3"}}
        << QStringList{"A", "C"} << QStringList{"A/E1/", "C/E3/"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("entry-missing")
        << KeyValues{{"FolderCount", "2"}, {"FolderName1", "A"}, {"FolderStoreId1", "S1"},
                     {"FolderName2", "B"}, {"FolderEntryId2", "E2"}}
        << QStringList{"B"} << QStringList{"B/E2/"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("name-reads-not-found")
        << KeyValues{{"FolderCount", "1"}, {"FolderName1", "Not Found"}, {"FolderEntryId1", "E1"}}
        << QStringList{} << QStringList{} << QString() << Qt::Unchecked << QString();
    QTest::newRow("empty-name-kept")
        << KeyValues{{"FolderCount", "1"}, {"FolderName1", ""}, {"FolderEntryId1", "E1"}}
        << QStringList{""} << QStringList{"/E1/"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("count-bounds-leftovers")
        << KeyValues{{"FolderCount", "1"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
                     {"FolderName2", "Old"}, {"FolderEntryId2", "E2"}}
        << QStringList{"A"} << QStringList{"A/E1/"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("count-past-the-last-slot")
        << KeyValues{{"FolderCount", "2147483647"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
                     {"FolderStoreId3", "S3"}}
        << QStringList{"A"} << QStringList{"A/E1/"} << QString() << Qt::Unchecked << QString();
    QTest::newRow("negative-count")
        << KeyValues{{"FolderCount", "-2"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"}}
        << QStringList{} << QStringList{} << QString() << Qt::Unchecked << QString();
    QTest::newRow("texts-and-case")
        << KeyValues{{"SearchFor", " (\\d{3}) "}, {"ReplaceWith", "$1"}, {"CaseSensitive", "1"}}
        << QStringList{} << QStringList{} << QStringLiteral(" (\\d{3}) ") << Qt::Checked << QString();
    QTest::newRow("case-not-a-number")
        << KeyValues{{"SearchFor", "kept"}, {"CaseSensitive", "yes"}, {"FolderCount", "1"},
                     {"FolderName1", "A"}, {"FolderEntryId1", "E1"}}
        << QStringList{} << QStringList{"(none)"} << QStringLiteral("kept") << Qt::Unchecked
        << QStringLiteral("Error occurred.  Reason: Type mismatch  LastLineNumber: 4");
    QTest::newRow("case-out-of-range")
        << KeyValues{{"CaseSensitive", "7"}} << QStringList{} << QStringList{"(none)"} << QString()
        << Qt::Unchecked << QStringLiteral("Error occurred.  Reason: Invalid property value  LastLineNumber: 4");
    QTest::newRow("count-not-a-number")
        << KeyValues{{"SearchFor", "s"}, {"CaseSensitive", "1"}, {"FolderCount", "three"}}
        << QStringList{} << QStringList{"(none)"} << QStringLiteral("s") << Qt::Checked
        << QStringLiteral("Error occurred.  Reason: Type mismatch  LastLineNumber: 8");
}

void TestUC1::loadValues()
{
    QFETCH(KeyValues, stored);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, records);
    QFETCH(QString, searchFor);
    QFETCH(Qt::CheckState, caseState);
    QFETCH(QString, logged);
    TestEnvironment env;
    store(stored);
    Page p;
    p.show();
    QCOMPARE(p.listed(), listed);
    QCOMPARE(p.folders(), records);
    QCOMPARE(p.control<QLineEdit>("txtSearchFor")->text(), searchFor);
    QCOMPARE(p.control<QCheckBox>("chkCaseSensitive")->checkState(), caseState);
    const QList<LogLine> expected =
        logged.isEmpty() ? QList<LogLine>{} : QList<LogLine>{{logged, 0, QStringLiteral("Morvane.LoadValues")}};
    QCOMPARE(env.utility.lines, expected);
    QVERIFY(!p.page.Dirty());
    QCOMPARE(p.host.statusCount(), 0);
    if (logged.isEmpty()) {
        // Stage 6 ran: the progress line is empty and its bar hidden.
        QCOMPARE(p.control<QLabel>("lblFolderName")->text(), QString());
        QVERIFY(p.control("ProgressBar1")->isHidden());
    }
}

void TestUC1::loadValuesFailureKeepsFoldersReadSoFar()
{
    TestEnvironment env;
    store({{"FolderCount", "3"}, {"FolderName1", "A"}, {"FolderEntryId1", "E1"},
           {"FolderName2", "B"}, {"FolderEntryId2", "E2"}, {"FolderName3", "C"}, {"FolderEntryId3", "E3"}});
    Page p;
    p.show();
    QCOMPARE(p.listed(), (QStringList{"A", "B", "C"}));

    // The folder record class goes missing after one record (the
    // environment puts the real one back when it ends).
    int made = 0;
    ClassFactory::registerClass(QLatin1String(ProgId::FolderRef), [&made]() -> std::unique_ptr<ComObject> {
        if (++made > 1)
            throw QuenlockError(QStringLiteral("ActiveX component can't create object"));
        return std::make_unique<TracingFolderRef>();
    });
    p.page.LoadValues();
    // The list and the collection hold the same folders: those read before the failure.
    QCOMPARE(p.listed(), QStringList{"A"});
    QCOMPARE(p.folders(), QStringList{"A/E1/"});
    QCOMPARE(env.utility.lines,
             (QList<LogLine>{{QStringLiteral("Error occurred.  Reason: ActiveX component can't create object"
                                             "  LastLineNumber: 10"),
                              0, QStringLiteral("Morvane.LoadValues")}}));
    // Applying that half-read list would drop B and C from the store.
    p.page.Apply();
    QCOMPARE(ReadSetting("FolderCount", "absent"), QStringLiteral("3"));
    QCOMPARE(ReadSetting("FolderEntryId3", "absent"), QStringLiteral("E3"));
}

void TestUC1::setDirtyTrapsHostError()
{
    TestEnvironment env;
    Page p;
    p.show();
    p.host.failStatus = QStringLiteral("The host is gone");
    p.act(QStringLiteral("type:txtSearchFor:a"));
    QVERIFY(p.page.Dirty());
    QCOMPARE(env.utility.lines,
             (QList<LogLine>{{QStringLiteral("Error occurred.  Reason: The host is gone"), 0,
                              QStringLiteral("Morvane.SetDirty")}}));
    // The failed notification skipped the reset of the help.
    QCOMPARE(p.host.calls.mid(1), QStringList{"status"});
}

void TestUC1::showFailureLeavesPageWorking()
{
    // A host whose text table cannot be read: the showing stops there, is
    // logged, and the page still notices edits afterwards.
    TestEnvironment env;
    UnreadableTextsUtility noTexts(env.utility);
    setEngineUtilityOverride(&noTexts);
    Page p;
    p.show();
    QCOMPARE(env.utility.lines,
             (QList<LogLine>{{QStringLiteral("Error occurred.  Reason: The host's text table cannot be read"),
                              0, QStringLiteral("Morvane.ShowPage")}}));
    p.act(QStringLiteral("type:txtSearchFor:a"));
    QVERIFY(p.page.Dirty());
    QCOMPARE(p.host.statusCount(), 1);
}

void TestUC1::enabled_data()
{
    QTest::addColumn<QList<bool>>("calls");
    QTest::newRow("disable") << QList<bool>{false};
    QTest::newRow("disable-then-enable") << QList<bool>{false, true};
    QTest::newRow("enable-twice") << QList<bool>{true, true};
    QTest::newRow("disable-twice") << QList<bool>{false, false};
}

void TestUC1::enabled()
{
    QFETCH(QList<bool>, calls);
    TestEnvironment env;
    Page p;
    p.show();
    for (bool value : calls)
        p.page.Enabled(value);
    const bool last = calls.last();
    for (const QString &name : AllControls) {
        QWidget *c = p.control(name);
        QVERIFY2(c->isEnabled() == last, qPrintable(name));
        // Set on the control itself, not only through its container.
        QVERIFY2(c->testAttribute(Qt::WA_ForceDisabled) == !last, qPrintable(name));
    }
    for (const QString &name : Lines) {
        QWidget *line = p.control(name);
        QVERIFY2(line->isEnabled() && !line->testAttribute(Qt::WA_ForceDisabled), qPrintable(name));
    }
    QVERIFY(p.page.isEnabled());
    if (!last) {
        // A disabled page takes no typing and gives no help.
        p.act(QStringLiteral("type:txtSearchFor:a"));
        p.act(QStringLiteral("move:cmdReplace"));
        QVERIFY(!p.page.Dirty());
        QCOMPARE(p.host.calls, QStringList{help("")});
    }
}

void TestUC1::hotHelp_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("stay-on-one") << QStringList{"move:txtSearchFor", "move:txtSearchFor", "move:txtSearchFor"}
                                 << QStringList{help("1")};
    QTest::newRow("label-to-its-input") << QStringList{"move:lblSearchFor", "move:txtSearchFor"}
                                        << QStringList{help("1"), help("1")};
    QTest::newRow("label-to-list") << QStringList{"move:lblSearchIn", "move:lstFolderList"}
                                   << QStringList{help("9"), help("9")};
    QTest::newRow("back-and-forth") << QStringList{"move:txtSearchFor", "move:txtReplaceWith", "move:txtSearchFor"}
                                    << QStringList{help("1"), help("5"), help("1")};
    QTest::newRow("all-fourteen")
        << QStringList{"move:lblSearchFor", "move:txtSearchFor", "move:chkCaseSensitive",
                       "move:lblReplaceWith", "move:txtReplaceWith", "move:lblLookIn",
                       "move:cmdChooseFields", "move:lblSearchIn", "move:lstFolderList",
                       "move:cmdChooseFolder", "move:cmdChooseMultiFolder", "move:cmdReplace",
                       "move:frameProgress", "move:lblFolderName"}
        << QStringList{help("1"), help("1"), help("3"), help("5"), help("5"), help("7"), help("7"),
                       help("9"), help("9"), help("9"), help("9"), help("11"), help("13"), help("15")};
    QTest::newRow("controls-without-help")
        << QStringList{"move:txtSearchFor", "move:frameSettings", "move:Label1", "move:frameWarning",
                       "move:txtSearchFor"}
        << QStringList{help("1")};
    QTest::newRow("progress-bar-keeps-help")
        << QStringList{"showbar", "move:txtSearchFor", "move:ProgressBar1", "move:frameProgress",
                       "move:ProgressBar1"}
        << QStringList{help("1"), help("13")};
    QTest::newRow("label-inside-frame")
        << QStringList{"move:frameProgress", "move:lblFolderName", "move:frameProgress"}
        << QStringList{help("13"), help("15"), help("13")};
    QTest::newRow("typing-resets")
        << QStringList{"move:txtSearchFor", "type:txtSearchFor:a", "move:txtSearchFor"}
        << QStringList{help("1"), "status", help(""), help("1")};
    QTest::newRow("check-box-resets")
        << QStringList{"move:chkCaseSensitive", "click:chkCaseSensitive", "move:chkCaseSensitive"}
        << QStringList{help("3"), "status", help(""), help("3")};
    QTest::newRow("reset-message")
        << QStringList{"move:txtSearchFor", "msg:ResetHelpText", "move:txtSearchFor"}
        << QStringList{help("1"), help("1")};
    QTest::newRow("message-other-case")
        << QStringList{"move:txtSearchFor", "msg:resethelptext", "move:txtSearchFor"}
        << QStringList{help("1")};
    QTest::newRow("other-message")
        << QStringList{"move:txtSearchFor", "msg:ResetHelpText ", "move:txtSearchFor"}
        << QStringList{help("1")};
}

void TestUC1::hotHelp()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, calls);
    TestEnvironment env;
    Page p;
    p.show();
    QCOMPARE(p.host.calls, QStringList{help("")});
    p.host.calls.clear();
    for (const QString &step : steps)
        p.act(step);
    QCOMPARE(p.host.calls, calls);
}

void TestUC1::writeToLog()
{
    TestEnvironment env;
    Page p;
    p.page.WriteToLog(QStringLiteral("ReplaceRun"), QStringLiteral("Folder: Contacts "));
    QCOMPARE(env.activity, (QList<ActivityLine>{{QStringLiteral("Morvane"), QStringLiteral("ReplaceRun"),
                                                 QStringLiteral("Folder: Contacts "), 0}}));
    // No trap of its own: a missing activity log reaches the caller.
    env.breakActivityLog();
    QVERIFY_THROWS_EXCEPTION(QuenlockError, p.page.WriteToLog(QStringLiteral("x"), QStringLiteral("y")));
    QCOMPARE(env.activity.size(), 1);
}

// The page's side of a run: the notice on a dirty page, the texts it hands
// over, and its label and bar as the run's progress. A folder of fewer than
// two items shows an empty or a full bar, never a range without steps.
void TestUC1::replaceButton_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<bool>("typedAfterApply");
    QTest::addColumn<QList<int>>("barValues");
    QTest::addColumn<QString>("label");

    const QStringList three{QStringLiteral("ContactItem"), QStringLiteral("DistListItem"), QStringLiteral("ContactItem")};
    QTest::newRow("three-items") << three << false << QList<int>{1, 2, 3, 1}
                                 << QStringLiteral("Updated 2 items in 1 folder");
    QTest::newRow("one-item") << QStringList{QStringLiteral("ContactItem")} << false << QList<int>{1, 0}
                              << QStringLiteral("Updated 1 items in 1 folder");
    QTest::newRow("empty-folder") << QStringList{} << false << QList<int>{0}
                                  << QStringLiteral("Updated 0 items in 1 folder");
    QTest::newRow("dirty-page-shows-only-the-notice") << three << true << QList<int>{} << QString();
}

void TestUC1::replaceButton()
{
    QFETCH(QStringList, items);
    QFETCH(bool, typedAfterApply);
    QFETCH(QList<int>, barValues);
    QFETCH(QString, label);

    TestEnvironment env;
    Memory::registerSafeItems();
    Regex::registerRegexClasses();
    ScriptedPrompt answers;
    setPrompt(&answers);
    Memory::Host host;
    auto folder = Memory::makeFolder(Memory::makeStore(*host.application, QStringLiteral("S1")),
                                     QStringLiteral("Work"), QStringLiteral("E1"));
    for (int i = 0; i < items.size(); ++i)
        folder->add(items[i], QStringLiteral("i%1").arg(i), {{QStringLiteral("CompanyName"), QStringLiteral("Acme")}});
    UC1 page;
    page.SetHost(&host);
    const QString labelBefore = page.findChild<QLabel *>(QStringLiteral("lblFolderName"))->text();
    page.findChild<QLineEdit *>(QStringLiteral("txtSearchFor"))->setText(QStringLiteral("Acme"));
    page.findChild<QLineEdit *>(QStringLiteral("txtReplaceWith"))->setText(QStringLiteral("Apex"));
    page.Apply();
    // The folder keys as the folder buttons and Apply would have left them.
    store({{"FolderCount", "1"}, {"FolderName1", "Work"}, {"FolderEntryId1", "E1"}, {"FolderStoreId1", "S1"},
           {"CompanyName", "1"}});
    if (typedAfterApply)
        page.findChild<QLineEdit *>(QStringLiteral("txtSearchFor"))->setText(QStringLiteral("Acme Corp"));
    auto *bar = page.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
    QList<int> seen;
    bool steppedRange = true;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        seen.append(value);
        steppedRange = steppedRange && bar->maximum() > bar->minimum();
    });

    page.cmdReplace_Click();
    setPrompt(nullptr);
    page.SetHost(nullptr);

    if (typedAfterApply) {
        QCOMPARE(answers.texts(), QStringList{QStringLiteral("You must click Apply to save your settings, then you can click Replace.")});
        QVERIFY(page.Dirty());
        QCOMPARE(page.findChild<QLabel *>(QStringLiteral("lblFolderName"))->text(), labelBefore);
        QVERIFY(env.activity.isEmpty());
    } else {
        QCOMPARE(answers.texts(), QStringList{QStringLiteral("Are you SURE you want to replace all occurrences of 'Acme' with 'Apex'")});
        QCOMPARE(page.findChild<QLabel *>(QStringLiteral("lblFolderName"))->text(), label);
        QVERIFY(bar->isHidden());
        QCOMPARE(bar->value(), bar->minimum());
    }
    QCOMPARE(seen, barValues);
    QVERIFY2(steppedRange, "the bar got a range without steps");
}

QTEST_MAIN(TestUC1)
#include "tst_uc1.moc"
