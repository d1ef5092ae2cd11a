// SPDX-License-Identifier: MIT
// Grabs the property window with the settings page, filled with a sample
// search and two folders and showing the help of the search box.
// Usage: pagescreenshot OUT.png (run with QT_QPA_PLATFORM=offscreen).
#include "enginedoubles.h"
#include "testenvironment.h"
#include "propertywindow.h"
#include "iengineapi.h"
#include "settingsaccess.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: pagescreenshot OUT.png\n");
        return 2;
    }
    TestEnvironment env;
    const QList<QPair<QString, QString>> sample = {
        {"SearchFor", "\\(555\\) "}, {"ReplaceWith", "(556) "}, {"CaseSensitive", "0"},
        {"FolderCount", "2"},
        {"FolderName1", "Contacts"}, {"FolderEntryId1", "E1"}, {"FolderStoreId1", "S1"},
        {"FolderName2", "Work Contacts"}, {"FolderEntryId2", "E2"}, {"FolderStoreId2", "S1"}};
    for (const auto &[key, value] : sample)
        WriteSetting(key, value);

    PropertyWindow window(std::make_shared<NoEngine>(), nullptr);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    auto *search = window.findChild<QLineEdit *>(QStringLiteral("txtSearchFor"));
    QTest::mouseMove(search, search->rect().center());
    QTest::mouseMove(search, search->rect().center() + QPoint(1, 0));
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
