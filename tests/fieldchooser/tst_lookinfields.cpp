// SPDX-License-Identifier: MIT
// The "Look In Fields" dialog: loading, saving, Cancel, layout and presets.
#include "fieldtable.h"
#include "frmlookinfields.h"
#include "prompt.h"
#include "scriptedprompt.h"
#include "settingsstore.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "testenvironment.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

using Settings = QMap<QString, QString>;

namespace {

QStringList keysOf(FieldTable::Page page)
{
    QStringList keys;
    for (const FieldTable::Field &field : FieldTable::fieldsOf(page))
        keys << QLatin1String(field.flagKey);
    return keys;
}
QStringList contactKeys() // every contact key but FileAs, which each case adds or leaves out
{
    QStringList keys = keysOf(FieldTable::Page::Contacts);
    keys.removeAll(QStringLiteral("FileAs"));
    return keys;
}
QStringList appointmentKeys() { return keysOf(FieldTable::Page::Appointments); }
QStringList taskKeys() { return keysOf(FieldTable::Page::Tasks); }
QStringList allBoxKeys() { return contactKeys() + QStringList{"FileAs"} + appointmentKeys() + taskKeys(); }

const QStringList PhoneKeys = {
    "AssistantsPhone", "BusinessPhone", "BusinessPhone2", "BusinessFax", "CallbackPhone",
    "CarPhone", "CompanyMainPhone", "HomePhone", "HomePhone2", "HomeFax", "MobilePhone",
    "OtherPhone", "OtherFax", "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"};

} // namespace

class TestLookInFields : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;

    QStringList storedKeys()
    {
        return SettingsStore::keys(m_env->utility.appName, QLatin1String(Keys::Section));
    }
    static void store(const Settings &settings)
    {
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            WriteSetting(it.key(), it.value());
    }
    static QCheckBox *box(QWidget *dialog, const QString &key)
    {
        auto *found = dialog->findChild<QCheckBox *>(QStringLiteral("chk") + key);
        if (!found)
            qFatal("no check box for %s", qPrintable(key));
        return found;
    }
    static QStringList ticked(QWidget *dialog)
    {
        QStringList keys;
        for (const QString &key : allBoxKeys())
            if (box(dialog, key)->isChecked())
                keys << key;
        return keys;
    }
    static QComboBox *combo(QWidget *dialog)
    {
        return dialog->findChild<QComboBox *>(QStringLiteral("cboSpecialInstructions"));
    }
    static std::unique_ptr<frmLookInFields> open()
    {
        auto dialog = std::make_unique<frmLookInFields>();
        dialog->show();
        if (!QTest::qWaitForWindowExposed(dialog.get()))
            qWarning("dialog not exposed");
        return dialog;
    }
    // Brings the button's page to the front, then clicks it as the user would.
    static void press(QWidget *dialog, const QString &name)
    {
        auto *button = dialog->findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("vsIndexTab1"));
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(button))
                tabs->setCurrentIndex(i);
        QTest::mouseClick(button, Qt::LeftButton);
    }

private slots:
    void init() { m_env = std::make_unique<TestEnvironment>(); }
    void cleanup()
    {
        m_env.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    void firstOpeningShowsDialogDefaults()
    {
        auto dialog = open();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Look In Fields"));
        QCOMPARE(ticked(dialog.get()), contactKeys() + QStringList{"FileAs"});
        QCOMPARE(combo(dialog.get())->currentText(), QStringLiteral("None"));
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("vsIndexTab1"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->currentWidget()->objectName(), QStringLiteral("Picture1"));
        QVERIFY(storedKeys().isEmpty());
    }

    void okOnFirstOpeningWritesEveryKey()
    {
        auto dialog = open();
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        // The 56 values of the table and the instruction...
        for (const QString &key : contactKeys())
            QCOMPARE(ReadSetting(key, "absent"), QStringLiteral("1"));
        for (const QString &key : appointmentKeys() + taskKeys())
            QCOMPARE(ReadSetting(key, "absent"), QStringLiteral("0"));
        QCOMPARE(ReadSetting("SpecialInstructions", "absent"), QStringLiteral("None"));
        // ...and "File As", which the dialog shows ticked on a first opening.
        QCOMPARE(ReadSetting("FileAs", "absent"), QStringLiteral("1"));
        QCOMPARE(storedKeys().size(), 57);
    }

    void storedFlagLoads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("savedByOk");
        QTest::newRow("contact 0 against default 1") << "AccountName" << "0" << false << "0";
        QTest::newRow("contact 1") << "AccountName" << "1" << true << "1";
        QTest::newRow("appointment 1 against default 0") << "AppointmentSubject" << "1" << true << "1";
        QTest::newRow("task 1") << "TaskTotalWork" << "1" << true << "1";
        QTest::newRow("last contact 0") << "TTYPhone" << "0" << false << "0";
        QTest::newRow("file as 0") << "FileAs" << "0" << false << "0";
        QTest::newRow("file as 1") << "FileAs" << "1" << true << "1";
        // Values this system never writes: numbers tick unless 0, others keep the default.
        QTest::newRow("other number ticks") << "AppointmentBody" << "7" << true << "1";
        QTest::newRow("negative number ticks") << "TaskBody" << "-1" << true << "1";
        QTest::newRow("padded zero clears") << "Body" << " 0 " << false << "0";
        QTest::newRow("word keeps contact default") << "CompanyName" << "yes" << true << "1";
        QTest::newRow("word keeps task default") << "TaskMileage" << "yes" << false << "0";
        QTest::newRow("empty keeps contact default") << "HomeCity" << "" << true << "1";
        QTest::newRow("overflow keeps task default") << "TaskSubject" << "99999999999" << false << "0";
    }
    void storedFlagLoads()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(bool, checked);
        QFETCH(QString, savedByOk);
        WriteSetting(key, stored);
        auto dialog = open();
        QCOMPARE(box(dialog.get(), key)->isChecked(), checked);
        // Every other box keeps its default.
        QStringList expected = ticked(dialog.get());
        expected.removeAll(key);
        QStringList defaults = contactKeys() + QStringList{"FileAs"};
        defaults.removeAll(key);
        std::sort(expected.begin(), expected.end());
        std::sort(defaults.begin(), defaults.end());
        QCOMPARE(expected, defaults);
        // OK turns a value this system never writes into "0" or "1".
        if (stored != "0" && stored != "1") {
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
            QCOMPARE(ReadSetting(key, "absent"), savedByOk);
        }
    }

    void instructionRoundTrips_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("own text") << "Only +44 numbers";
        QTest::newRow("empty") << "";
        QTest::newRow("blanks kept") << "  None  ";
        QTest::newRow("the second entry typed") << "Only look in city/area codes";
        QTest::newRow("other case") << "none";
        QTest::newRow("start of an entry") << "Only";
    }
    void instructionRoundTrips()
    {
        QFETCH(QString, typed);
        {
            auto dialog = open();
            QLineEdit *edit = combo(dialog.get())->lineEdit();
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, typed);
            // Enter in the combo neither adds an entry nor closes the dialog.
            QTest::keyClick(edit, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QCOMPARE(combo(dialog.get())->count(), 2);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        }
        QCOMPARE(ReadSetting("SpecialInstructions", "absent"), typed);
        auto again = open();
        QCOMPARE(combo(again.get())->currentText(), typed);
        QCOMPARE(combo(again.get())->count(), 2);
        QCOMPARE(combo(again.get())->itemText(0), QStringLiteral("None"));
        QCOMPARE(combo(again.get())->itemText(1), QStringLiteral("Only look in city/area codes"));
    }

    void pickingTheSecondEntryStoresIt()
    {
        {
            auto dialog = open();
            combo(dialog.get())->setCurrentIndex(1);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        }
        QCOMPARE(ReadSetting("SpecialInstructions", "absent"),
                 QStringLiteral("Only look in city/area codes"));
    }

    void closingWithoutOkWritesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cancel button") << "cancel";
        QTest::newRow("close box") << "close";
    }
    void closingWithoutOkWritesNothing()
    {
        QFETCH(QString, how);
        store({{"AccountName", "0"}, {"SpecialInstructions", "Only look in city/area codes"}});
        {
            auto dialog = open();
            box(dialog.get(), "AccountName")->setChecked(true);
            box(dialog.get(), "TaskBody")->setChecked(true);
            press(dialog.get(), "cmdContactClearAllFields");
            combo(dialog.get())->setEditText("changed");
            if (how == "cancel")
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel")),
                                  Qt::LeftButton);
            else
                QVERIFY(dialog->close());
            QVERIFY(!dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
        }
        QCOMPARE(storedKeys().size(), 2);
        auto again = open();
        QVERIFY(!box(again.get(), "AccountName")->isChecked());
        QVERIFY(box(again.get(), "Body")->isChecked());
        QVERIFY(!box(again.get(), "TaskBody")->isChecked());
        QCOMPARE(combo(again.get())->currentText(), QStringLiteral("Only look in city/area codes"));
    }

    void enterAndEscapeDoNotClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        QTest::newRow("escape on a box") << int(Qt::Key_Escape) << "chkAccountName";
        QTest::newRow("escape on OK") << int(Qt::Key_Escape) << "cmdOk";
        QTest::newRow("enter on a box") << int(Qt::Key_Return) << "chkAccountName";
        QTest::newRow("keypad enter on a box") << int(Qt::Key_Enter) << "chkAccountName";
    }
    void enterAndEscapeDoNotClose()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        auto dialog = open();
        auto *target = dialog->findChild<QWidget *>(focus);
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(dialog->isVisible());
        QVERIFY(storedKeys().isEmpty());
        for (const char *name : {"cmdOk", "cmdCancel"}) {
            auto *button = dialog->findChild<QPushButton *>(QLatin1String(name));
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
            QVERIFY(button->isEnabled());
        }
        QCOMPARE(dialog->findChild<QPushButton *>("cmdOk")->text(), QStringLiteral("&OK"));
        QCOMPARE(dialog->findChild<QPushButton *>("cmdCancel")->text(), QStringLiteral("&Cancel"));
    }

    void boxesStandOnTheirPages_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        // The rows that break the table's order, the odd captions, and each page's ends.
        QTest::newRow("first") << "AccountName" << "Account Name" << "Picture1" << 1 << 1;
        QTest::newRow("apostrophe") << "AssistantsPhone" << "Assistant's Phone" << "Picture1" << 1 << 2;
        QTest::newRow("body notes") << "Body" << "Body (Notes)" << "Picture1" << 1 << 7;
        QTest::newRow("column 1 end") << "CompanyName" << "Company Name" << "Picture1" << 1 << 15;
        QTest::newRow("column 2 start") << "EmailAddress" << "Email Address" << "Picture1" << 2 << 1;
        QTest::newRow("file as") << "FileAs" << "File As" << "Picture1" << 2 << 7;
        QTest::newRow("home zip") << "HomeZip" << "Home Zip/Postal Code" << "Picture1" << 2 << 11;
        QTest::newRow("home fax above phone") << "HomeFax" << "Home Fax" << "Picture1" << 2 << 12;
        QTest::newRow("home phone") << "HomePhone" << "Home Phone" << "Picture1" << 2 << 13;
        QTest::newRow("mobile") << "MobilePhone" << "Mobile Phone" << "Picture1" << 2 << 15;
        QTest::newRow("column 3 start") << "OfficeLocation" << "Office Location" << "Picture1" << 3 << 1;
        QTest::newRow("other fax above phone") << "OtherFax" << "Other Fax" << "Picture1" << 3 << 6;
        QTest::newRow("other phone") << "OtherPhone" << "Other Phone" << "Picture1" << 3 << 7;
        QTest::newRow("tty") << "TTYPhone" << "TTY/TDD Phone" << "Picture1" << 3 << 11;
        QTest::newRow("appointment first") << "AppointmentSubject" << "Subject" << "Picture2" << 1 << 1;
        QTest::newRow("appointment last") << "AppointmentBody" << "Body" << "Picture2" << 1 << 5;
        QTest::newRow("task first") << "TaskActualWork" << "Actual Work" << "Picture3" << 1 << 1;
        QTest::newRow("task body") << "TaskBody" << "Body (Notes)" << "Picture3" << 1 << 2;
        QTest::newRow("task last") << "TaskTotalWork" << "Total Work" << "Picture3" << 1 << 10;
    }
    void boxesStandOnTheirPages()
    {
        QFETCH(QString, key);
        QFETCH(QString, caption);
        QFETCH(QString, page);
        QFETCH(int, column);
        QFETCH(int, row);
        auto dialog = open();
        QCheckBox *b = box(dialog.get(), key);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->parentWidget()->objectName(), page);
        // Same column: same left as the column's first box; rows go down in order.
        const QString columnHead = QStringList{"AccountName", "EmailAddress", "OfficeLocation"}[column - 1];
        const QString pageHead = page == "Picture2" ? "AppointmentSubject"
                                 : page == "Picture3" ? "TaskActualWork" : columnHead;
        QCOMPARE(b->x(), box(dialog.get(), pageHead)->x());
        // Rows 350 twips apart, 15 twips to the pixel at 96 dpi; a pixel for rounding.
        const double pitch = 350.0 / 15.0 * dialog->logicalDpiY() / 96.0;
        const int offset = b->y() - box(dialog.get(), pageHead)->y();
        QVERIFY2(qAbs(offset - (row - 1) * pitch) <= 1.0, qPrintable(QString::number(offset)));
    }

    void pagesHoldTheirBoxesWithoutOverlap()
    {
        auto dialog = open();
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("vsIndexTab1"));
        QCOMPARE(tabs->count(), 3);
        const QStringList captions = {"&Contacts", "&Appointments", "&Tasks"};
        const QList<int> counts = {41, 5, 10};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs->tabText(i), captions[i]);
            QWidget *page = tabs->widget(i);
            QCOMPARE(page->objectName(), QStringLiteral("Picture%1").arg(i + 1));
            const QList<QCheckBox *> boxes = page->findChildren<QCheckBox *>();
            QCOMPARE(boxes.size(), counts[i]);
            for (QCheckBox *a : boxes) {
                QVERIFY2(page->rect().contains(a->geometry()), qPrintable(a->objectName()));
                for (QCheckBox *b : boxes)
                    QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " " + b->objectName()));
                auto *frame = page->findChild<QGroupBox *>(QStringLiteral("Frame%1").arg(i + 1));
                QVERIFY(!a->geometry().intersects(frame->geometry()));
            }
        }
        auto *special = dialog->findChild<QGroupBox *>(QStringLiteral("frameSpecialInstructions"));
        QCOMPARE(special->title(), QStringLiteral("Special Instructions"));
        QCOMPARE(special->parentWidget()->objectName(), QStringLiteral("Picture1"));
        QVERIFY(special->isAncestorOf(combo(dialog.get())));
        QVERIFY(combo(dialog.get())->isEditable());
        QCOMPARE(dialog->findChild<QLabel *>("lblSpecialInstructions")->text(),
                 QStringLiteral("Use this area to refine how phone numbers should be handled.  See "
                                "the help file for more information about how to use this feature."));
        for (const QString &k : QStringList{"OfficeLocation", "TTYPhone"})
            QVERIFY(!box(dialog.get(), k)->geometry().intersects(special->geometry()));
    }

    void framesCarryTheirLabelsAndButtons_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("buttons");
        const QString common = "The items that are checked above will be considered when looking for "
                               "the text to search for.  You can use these buttons to quickly select "
                               "(or deselect) groups of commonly used fields.";
        QTest::newRow("contacts")
            << "Frame1"
            << common + "  For example, to update area codes, click the Phone Numbers button and use "
                        "the Email Addresses button to update domain names (in case a company "
                        "changes it's domain name)."
            << QStringList{"cmdContactSelectAllFields:Select All Fields",
                           "cmdContactClearAllFields:Clear All Fields",
                           "cmdContactPhoneNumbers:Phone Numbers",
                           "cmdContactZipPostalCodes:Zip/Postal Codes",
                           "cmdContactEmailAddresses:Email Addresses"};
        QTest::newRow("appointments") << "Frame2" << common
                                      << QStringList{"cmdAppointmentSelectAllFields:Select All Fields",
                                                     "cmdAppointmentClearAllFields:Clear All Fields"};
        QTest::newRow("tasks") << "Frame3" << common
                               << QStringList{"cmdTaskSelectAllFields:Select All Fields",
                                              "cmdTaskClearAllFields:Clear All Fields"};
    }
    void framesCarryTheirLabelsAndButtons()
    {
        QFETCH(QString, frame);
        QFETCH(QString, label);
        QFETCH(QStringList, buttons);
        auto dialog = open();
        auto *group = dialog->findChild<QGroupBox *>(frame);
        QCOMPARE(group->title(), QStringLiteral("Common Search And Replace Functions"));
        const QList<QLabel *> labels = group->findChildren<QLabel *>();
        QCOMPARE(labels.size(), 1);
        QCOMPARE(labels.first()->text(), label);
        const QList<QPushButton *> found = group->findChildren<QPushButton *>();
        QCOMPARE(found.size(), buttons.size());
        int lastX = -1;
        for (const QString &entry : buttons) {
            const QStringList parts = entry.split(u':');
            auto *button = group->findChild<QPushButton *>(parts[0]);
            QVERIFY2(button, qPrintable(parts[0]));
            QCOMPARE(button->text(), parts[1]);
            QVERIFY(button->x() > lastX); // left to right in the given order
            QVERIFY(!button->autoDefault());
            lastX = button->x() + button->width() - 1;
        }
    }

    void presets_data()
    {
        QTest::addColumn<Settings>("stored");
        QTest::addColumn<QStringList>("pressed");
        QTest::addColumn<QStringList>("tickedAfter");
        const Settings fresh;
        // Some boxes on every page ticked, some clear, and an own instruction.
        const Settings mixed = {{"AccountName", "0"}, {"HomePhone", "0"}, {"EmailDisplayAs", "0"},
                                {"FileAs", "0"}, {"AppointmentBody", "1"}, {"TaskMileage", "1"},
                                {"SpecialInstructions", "mine"}};
        QStringList mixedTicked = contactKeys();
        mixedTicked.removeAll("AccountName");
        mixedTicked.removeAll("HomePhone");
        mixedTicked.removeAll("EmailDisplayAs");
        mixedTicked << "AppointmentBody" << "TaskMileage";
        const QStringList allContacts = contactKeys() + QStringList{"FileAs"};

        for (const char *group : {"cmdContactPhoneNumbers", "cmdContactZipPostalCodes",
                                  "cmdContactEmailAddresses"})
            QTest::newRow(qPrintable(QStringLiteral("%1 on a first opening").arg(group)))
                << fresh << QStringList{group} << allContacts;
        QTest::newRow("clear then phone") << fresh
            << QStringList{"cmdContactClearAllFields", "cmdContactPhoneNumbers"} << PhoneKeys;
        QTest::newRow("clear then email") << fresh
            << QStringList{"cmdContactClearAllFields", "cmdContactEmailAddresses"}
            << QStringList{"EmailAddress", "Email2Address", "Email3Address"};
        QTest::newRow("clear then zip") << fresh
            << QStringList{"cmdContactClearAllFields", "cmdContactZipPostalCodes"}
            << QStringList{"BusinessZip", "HomeZip", "OtherZip"};
        QTest::newRow("clear then all groups") << fresh
            << QStringList{"cmdContactClearAllFields", "cmdContactPhoneNumbers",
                           "cmdContactZipPostalCodes", "cmdContactEmailAddresses"}
            << PhoneKeys + QStringList{"BusinessZip", "HomeZip", "OtherZip", "EmailAddress",
                                       "Email2Address", "Email3Address"};
        QTest::newRow("phone only adds") << mixed << QStringList{"cmdContactPhoneNumbers"}
                                         << mixedTicked + QStringList{"HomePhone"};
        QTest::newRow("email leaves display-as clear") << mixed
            << QStringList{"cmdContactEmailAddresses"} << mixedTicked;
        QTest::newRow("contact select all keeps other pages") << mixed
            << QStringList{"cmdContactSelectAllFields"}
            << allContacts + QStringList{"AppointmentBody", "TaskMileage"};
        QTest::newRow("contact clear all keeps other pages") << mixed
            << QStringList{"cmdContactClearAllFields"} << QStringList{"AppointmentBody", "TaskMileage"};
        QTest::newRow("appointment select all") << mixed
            << QStringList{"cmdAppointmentSelectAllFields"} << mixedTicked + appointmentKeys();
        QTest::newRow("appointment clear all") << mixed
            << QStringList{"cmdAppointmentClearAllFields"}
            << (QStringList(mixedTicked) << "__drop:AppointmentBody");
        QTest::newRow("task select all") << mixed << QStringList{"cmdTaskSelectAllFields"}
                                         << mixedTicked + taskKeys();
        QTest::newRow("task clear all") << mixed << QStringList{"cmdTaskClearAllFields"}
                                        << (QStringList(mixedTicked) << "__drop:TaskMileage");
    }
    void presets()
    {
        QFETCH(Settings, stored);
        QFETCH(QStringList, pressed);
        QFETCH(QStringList, tickedAfter);
        store(stored);
        QSet<QString> expected;
        for (const QString &key : tickedAfter)
            if (key.startsWith("__drop:"))
                expected.remove(key.mid(7));
            else
                expected.insert(key);
        auto dialog = open();
        const QString comboBefore = combo(dialog.get())->currentText();
        for (const QString &name : pressed)
            press(dialog.get(), name);
        const QStringList now = ticked(dialog.get());
        QCOMPARE(QSet<QString>(now.cbegin(), now.cend()), expected);
        QCOMPARE(combo(dialog.get())->currentText(), comboBefore);
        // Nothing reaches the store until OK.
        QCOMPARE(storedKeys().size(), stored.size());
    }

    void presetResultIsSavedByOk()
    {
        {
            auto dialog = open();
            press(dialog.get(), "cmdContactClearAllFields");
            press(dialog.get(), "cmdContactPhoneNumbers");
            press(dialog.get(), "cmdTaskSelectAllFields");
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        }
        for (const QString &key : allBoxKeys()) {
            const bool on = PhoneKeys.contains(key) || taskKeys().contains(key);
            QCOMPARE(ReadSetting(key, "absent"), QString(on ? "1" : "0"));
        }
    }

    void failedSaveKeepsTheDialogOpen()
    {
        ScriptedPrompt answers;
        setPrompt(&answers);
        auto dialog = open();
        box(dialog.get(), "TaskBody")->setChecked(true);
        m_env->utility.appName = QStringLiteral("bad/name"); // the store refuses every write
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        setPrompt(nullptr);
        QVERIFY(dialog->isVisible());
        QVERIFY(box(dialog.get(), "TaskBody")->isChecked());
        QCOMPARE(answers.texts().size(), 1);
        QVERIFY2(answers.texts().first().startsWith("The field choices could not be saved.  Reason: "),
                 qPrintable(answers.texts().first()));
        m_env->utility.appName = QStringLiteral("QuenlockHost");
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdOk")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ReadSetting("TaskBody", "absent"), QStringLiteral("1"));
    }

    // Pictures for the docs when QUENLOCK_SCREENSHOTS names a folder.
    void screenshots()
    {
        const QString folder = qEnvironmentVariable("QUENLOCK_SCREENSHOTS");
        if (folder.isEmpty())
            QSKIP("QUENLOCK_SCREENSHOTS not set");
        auto dialog = open();
        auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("vsIndexTab1"));
        const QStringList names = {"contacts", "appointments", "tasks"};
        for (int i = 0; i < 3; ++i) {
            tabs->setCurrentIndex(i);
            QVERIFY(dialog->grab().save(folder + "/lookinfields-" + names[i] + ".png"));
        }
    }
};

QTEST_MAIN(TestLookInFields)
#include "tst_lookinfields.moc"
