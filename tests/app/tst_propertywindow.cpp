// SPDX-License-Identifier: MIT
// The host's property window around the page loaded from the page library:
// Apply, OK and Cancel, the help area and the log viewers.
#include "enginedoubles.h"
#include "testenvironment.h"
#include "logviewer.h"
#include "memoryhost.h"
#include "propertywindow.h"
#include "iengineapi.h"
#include "ipropertypage.h"
#include "prompt.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"
#include "systemtexts.h"
#include "logdatabase.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QtTest>

namespace {

struct Window
{
    PropertyWindow window{std::make_shared<NoEngine>(), nullptr};

    void show()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
    }
    template <class T = QWidget>
    T *find(const QString &name)
    {
        T *found = window.findChild<T *>(name);
        if (!found)
            qFatal("no widget %s", qPrintable(name));
        return found;
    }
    QPushButton *button(const QString &name) { return find<QPushButton>(name); }
    // "type:NAME:TEXT", "click:BUTTON", "key:Return" or "key:Escape", "move:NAME".
    void act(const QString &step)
    {
        const QStringList parts = step.split(u':');
        if (parts[0] == u"type") {
            auto *edit = find<QLineEdit>(parts[1]);
            edit->setFocus();
            QTest::keyClicks(edit, parts[2]);
        } else if (parts[0] == u"click") {
            QTest::mouseClick(button(parts[1]), Qt::LeftButton);
        } else if (parts[0] == u"key") {
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
            QTest::keyClick(focus, parts[1] == u"Escape" ? Qt::Key_Escape : Qt::Key_Return);
        } else if (parts[0] == u"move") {
            QWidget *c = find(parts[1]);
            QTest::mouseMove(c, c->rect().center());
            QTest::mouseMove(c, c->rect().center() + QPoint(1, 0));
        }
    }
};

QString hostText(const char *key)
{
    TextTable texts;
    engineUtility().LoadTextTable(texts, QStringLiteral("Morvane"));
    return texts.value(QLatin1String(key));
}

} // namespace

class TestPropertyWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void buttons_data();
    void buttons();
    void failedApplyKeepsEdits();
    void fitsThePageAndTabsAsShown();
    void helpArea();
    void hostMembers();
    void logViewers_data();
    void logViewers();
    void replaceWithUnwritableLog();
    void previewOfUnappliedEditsAsksToApply();
};

void TestPropertyWindow::cleanup()
{
    setPrompt(nullptr);
    QVERIFY(QApplication::topLevelWidgets().isEmpty());
}

void TestPropertyWindow::buttons_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("applyEnabled");
    const QString none = QStringLiteral("<none>");
    QTest::newRow("fresh") << QStringList{} << none << true << false;
    QTest::newRow("typed") << QStringList{"type:txtSearchFor:ab"} << none << true << true;
    QTest::newRow("typed-apply") << QStringList{"type:txtSearchFor:ab", "click:applyButton"}
                                 << QStringLiteral("ab") << true << false;
    QTest::newRow("apply-then-type") << QStringList{"type:txtSearchFor:a", "click:applyButton", "type:txtSearchFor:b"}
                                     << QStringLiteral("a") << true << true;
    QTest::newRow("typed-ok") << QStringList{"type:txtSearchFor:ab", "click:okButton"}
                              << QStringLiteral("ab") << false << false;
    QTest::newRow("typed-cancel") << QStringList{"type:txtSearchFor:ab", "click:cancelButton"}
                                  << none << false << true;
    QTest::newRow("apply-edit-cancel") << QStringList{"type:txtSearchFor:a", "click:applyButton",
                                                      "type:txtSearchFor:b", "click:cancelButton"}
                                       << QStringLiteral("a") << false << true;
    QTest::newRow("clean-ok") << QStringList{"click:okButton"} << none << false << false;
    QTest::newRow("typed-enter-is-ok") << QStringList{"type:txtSearchFor:ab", "key:Return"}
                                       << QStringLiteral("ab") << false << false;
    QTest::newRow("typed-escape-is-cancel") << QStringList{"type:txtSearchFor:ab", "key:Escape"}
                                            << none << false << true;
    QTest::newRow("check-box-ok") << QStringList{"click:chkCaseSensitive", "click:okButton"}
                                  << QString() << false << false;
}

void TestPropertyWindow::buttons()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, stored);
    QFETCH(bool, open);
    QFETCH(bool, applyEnabled);
    TestEnvironment env;
    Window w;
    w.show();
    for (const QString &step : steps) {
        if (step == u"click:chkCaseSensitive")
            QTest::mouseClick(w.find(QStringLiteral("chkCaseSensitive")), Qt::LeftButton);
        else
            w.act(step);
    }
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QStringLiteral("<none>")), stored);
    QCOMPARE(w.window.isVisible(), open);
    QCOMPARE(w.button(QStringLiteral("applyButton"))->isEnabled(), applyEnabled);
    QVERIFY(env.utility.lines.isEmpty());
}

// The frame is the page's size; Tab takes the buttons as they stand on the
// screen; no two access keys of the window and its page are the same.
void TestPropertyWindow::fitsThePageAndTabsAsShown()
{
    TestEnvironment env;
    Window w;
    w.show();
    auto *frame = w.find<QFrame>(QStringLiteral("pageFrame"));
    QCOMPARE(frame->contentsRect().size(), w.window.page()->widget()->size());
    QVERIFY(frame->width() >= w.window.width() - 2 * w.window.layout()->contentsMargins().left());

    QList<QPushButton *> bottom;
    for (QPushButton *b : w.window.findChildren<QPushButton *>())
        if (b->parentWidget() == &w.window)
            bottom << b;
    QCOMPARE(bottom.size(), 7);
    std::sort(bottom.begin(), bottom.end(), [](QWidget *a, QWidget *b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QList<QPushButton *> tabbed{bottom.first()};
    for (QWidget *next = bottom.first()->nextInFocusChain(); tabbed.size() < bottom.size(); next = next->nextInFocusChain())
        if (auto *b = qobject_cast<QPushButton *>(next); b && bottom.contains(b))
            tabbed << b;
    QCOMPARE(tabbed, bottom);

    QStringList keys;
    for (QWidget *widget : w.window.findChildren<QWidget *>()) {
        QString text;
        if (auto *b = qobject_cast<QAbstractButton *>(widget))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        const qsizetype amp = text.indexOf(u'&');
        if (amp >= 0 && amp + 1 < text.size() && text[amp + 1] != u'&') {
            const QString key = text[amp + 1].toLower();
            QVERIFY2(!keys.contains(key), qPrintable(text));
            keys << key;
        }
    }
    QVERIFY(w.button(QStringLiteral("okButton"))->isDefault());
}

void TestPropertyWindow::failedApplyKeepsEdits()
{
    TestEnvironment env;
    ScriptedPrompt answers;
    setPrompt(&answers);
    Window w;
    w.show();
    w.act(QStringLiteral("type:txtSearchFor:keep me"));
    // A settings name the store refuses makes every write fail.
    env.utility.appName = QStringLiteral("bad/name");
    w.act(QStringLiteral("click:applyButton"));
    w.act(QStringLiteral("click:okButton"));
    QCOMPARE(answers.asked.size(), 2);
    QVERIFY2(answers.texts()[0].startsWith(QStringLiteral("The settings could not be saved.\n\nReason: ")),
             qPrintable(answers.texts()[0]));
    QVERIFY(answers.texts()[0].contains(QStringLiteral("bad/name")));
    QVERIFY(w.window.isVisible());
    QVERIFY(w.button(QStringLiteral("applyButton"))->isEnabled());
    QVERIFY(w.window.page()->Dirty());
    QCOMPARE(w.find<QLineEdit>(QStringLiteral("txtSearchFor"))->text(), QStringLiteral("keep me"));

    // Once the cause is gone, OK saves what was typed.
    env.utility.appName = QStringLiteral("QuenlockHost");
    w.act(QStringLiteral("click:okButton"));
    QVERIFY(!w.window.isVisible());
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QString()), QStringLiteral("keep me"));
}

void TestPropertyWindow::helpArea()
{
    TestEnvironment env;
    Window w;
    w.show();
    auto *help = w.find<QLabel>(QStringLiteral("helpText"));
    QCOMPARE(help->text(), QString());
    w.act(QStringLiteral("move:txtSearchFor"));
    QCOMPARE(help->text(), hostText("1"));
    w.act(QStringLiteral("move:cmdChooseMultiFolder"));
    QCOMPARE(help->text(), hostText("9"));
    // An edit resets the help.
    w.act(QStringLiteral("type:txtReplaceWith:x"));
    QCOMPARE(help->text(), QString());
    QVERIFY(w.find(QStringLiteral("helpCaption"))->isHidden());
}

void TestPropertyWindow::hostMembers()
{
    TestEnvironment env;
    auto engine = std::make_shared<NoEngine>();
    PropertyWindow window(engine, nullptr);
    HostObject &host = window;
    QCOMPARE(host.engine(), engine.get());
    QCOMPARE(host.OutlookApplication(), nullptr);
    QVERIFY(!window.findChild<QPushButton *>(QStringLiteral("applyButton"))->isEnabled());
    host.OnStatusChange();
    QVERIFY(window.findChild<QPushButton *>(QStringLiteral("applyButton"))->isEnabled());
    host.SetHotHelp(QStringLiteral("text"), QStringLiteral("caption"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("helpCaption"))->text(), QStringLiteral("caption"));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("helpText"))->text(), QStringLiteral("text"));
}

void TestPropertyWindow::logViewers_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("viewer");
    QTest::addColumn<QStringList>("firstRow");
    QTest::newRow("host-log") << QStringLiteral("hostLogButton") << QStringLiteral("hostLogViewer")
                              << QStringList{"0", "Morvane.LoadValues", "Error occurred.  Reason: Type mismatch  LastLineNumber: 8"};
    QTest::newRow("activity-log") << QStringLiteral("activityLogButton") << QStringLiteral("activityLogViewer")
                                  << QStringList{"Morvane", "UndoSave", "Folder: Contacts ", "-1"};
}

void TestPropertyWindow::logViewers()
{
    QFETCH(QString, button);
    QFETCH(QString, viewer);
    QFETCH(QStringList, firstRow);
    TestEnvironment env;
    LogDatabase &db = LogDatabase::instance();
    db.appendHostLog(0, QStringLiteral("Morvane.LoadValues"),
                     QStringLiteral("Error occurred.  Reason: Type mismatch  LastLineNumber: 8"));
    db.appendActivity(QStringLiteral("Morvane"), QStringLiteral("UndoSave"), QStringLiteral("Folder: Contacts "), -1);
    db.appendActivity(QStringLiteral("Morvane"), QStringLiteral("ReplaceRun"), QStringLiteral("Updated 1 items in 1 folders"), 0);
    Window w;
    w.show();
    w.act(QStringLiteral("click:") + button);
    auto *log = w.window.findChild<LogViewer *>(viewer);
    QVERIFY(log);
    QVERIFY(log->isWindow() && log->isVisible());
    auto *table = log->findChild<QTableView *>(QStringLiteral("logTable"));
    QStringList row;
    for (int column = 1; column < table->model()->columnCount(); ++column)
        row << table->model()->index(0, column).data().toString();
    QCOMPARE(row, firstRow);
    const int rows = log->rowCount();
    QCOMPARE(rows, button == u"hostLogButton" ? 1 : 2);

    // A second press refreshes the open viewer and shows new rows.
    db.appendHostLog(0, QStringLiteral("Morvane.SetDirty"), QStringLiteral("Error occurred.  Reason: x"));
    db.appendActivity(QStringLiteral("Morvane"), QStringLiteral("ReplaceRun"), QStringLiteral("more"), 0);
    w.act(QStringLiteral("click:") + button);
    QCOMPARE(w.window.findChildren<LogViewer *>(viewer).size(), 1);
    QCOMPARE(log->rowCount(), rows + 1);

    // The filter keeps rows containing its text in any column, any case.
    auto *filter = log->findChild<QLineEdit *>(QStringLiteral("logFilter"));
    QTest::keyClicks(filter, firstRow[2].right(10).toUpper());
    QCOMPARE(log->rowCount(), 1);
    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("no such text"));
    QCOMPARE(log->rowCount(), 0);
}

// Replace on a damaged log file: the run stops before its first item and the
// page says why, in a box; the window stays.
void TestPropertyWindow::replaceWithUnwritableLog()
{
    TestEnvironment env;
    env.useRealActivityLog();
    QDir().mkpath(env.path() + QStringLiteral("/state/quenlock"));
    QFile junk(env.path() + QStringLiteral("/state/quenlock/logs.sqlite"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("junk\n");
    junk.close();
    Memory::registerSafeItems();
    const auto unregister = qScopeGuard([] { Memory::unregisterSafeItems(); });
    auto engine = std::make_shared<Memory::Engine>();
    engine->application = std::make_shared<Memory::Application>();
    auto contact = Memory::makeFolder(Memory::makeStore(*engine->application, QStringLiteral("S1")),
                                      QStringLiteral("Work"), QStringLiteral("E1"))
                       ->add(QStringLiteral("ContactItem"), QStringLiteral("c1"),
                             {{QStringLiteral("CompanyName"), QStringLiteral("Acme")}});
    for (const auto &[key, value] : {std::pair{"FolderCount", "1"}, {"FolderName1", "Work"}, {"FolderEntryId1", "E1"},
                                     {"FolderStoreId1", "S1"}, {"CompanyName", "1"}, {"SearchFor", "Acme"},
                                     {"ReplaceWith", "Apex"}})
        WriteSetting(QLatin1String(key), QLatin1String(value));
    ScriptedPrompt answers;
    setPrompt(&answers);

    PropertyWindow window(engine, nullptr);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("cmdReplace")), Qt::LeftButton);

    QCOMPARE(answers.asked.size(), 2);
    QCOMPARE(answers.asked[1].second, Prompt::Buttons::Ok);
    QVERIFY2(answers.asked[1].first.endsWith(u"The activity log cannot be written: file is not a database"),
             qPrintable(answers.asked[1].first));
    QVERIFY(window.isVisible());
    QCOMPARE(contact->properties.value(QStringLiteral("CompanyName")), QStringLiteral("Acme"));
    QCOMPARE(contact->saves, 0);
}

QTEST_MAIN(TestPropertyWindow)
// A preview runs the applied settings: with edits not yet applied it would
// show another run than the one on the page.
void TestPropertyWindow::previewOfUnappliedEditsAsksToApply()
{
    TestEnvironment env;
    ScriptedPrompt answers;
    setPrompt(&answers);
    Window w;
    w.show();
    w.act(QStringLiteral("type:txtSearchFor:ab"));
    w.act(QStringLiteral("click:previewButton"));
    QCOMPARE(answers.texts(), QStringList{Texts::applyFirst()});
    QCOMPARE(QApplication::topLevelWidgets().size(), 1);
}

#include "tst_propertywindow.moc"
