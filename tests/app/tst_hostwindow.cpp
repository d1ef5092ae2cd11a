// SPDX-License-Identifier: MIT
// The window exactly as `quenlock window` opens it: the host's own session
// (its registrations, stores, module and page), not a set-up of the test's.
// Every button that opens something must open it.
#include "hostsession.h"
#include "logviewer.h"
#include "modalanswer.h"
#include "propertywindow.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestHostWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void buttonOpensItsWindow_data();
    void buttonOpensItsWindow();

private:
    QTemporaryDir m_home;
    QString m_store;
};

void TestHostWindow::initTestCase()
{
    QVERIFY(m_home.isValid());
    for (const char *xdg : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
        qputenv(xdg, (m_home.path() + u'/' + QLatin1String(xdg)).toUtf8());
    m_store = m_home.path() + QStringLiteral("/store");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"),
                               {QStringLiteral("-r"), QStringLiteral(SOURCE_DIR "/samples/store"), m_store}),
             0);
}

void TestHostWindow::buttonOpensItsWindow_data()
{
    // The dialog's object name where one is fixed; any modal dialog otherwise
    // (a confirmation, a message, the changes table), "LogViewer" for the
    // viewers, which are windows of their own.
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens");
    QTest::newRow("Choose Fields") << "cmdChooseFields" << "frmLookInFields";
    QTest::newRow("Choose Folder") << "cmdChooseFolder" << "dlgPickFolder";
    QTest::newRow("Choose Multi Folders") << "cmdChooseMultiFolder" << "dlgPickFolders";
    QTest::newRow("Replace") << "cmdReplace" << "";
    QTest::newRow("Preview") << "previewButton" << "";
    QTest::newRow("Undo Last Run") << "undoButton" << "";
    QTest::newRow("Host Log") << "hostLogButton" << "LogViewer";
    QTest::newRow("Activity Log") << "activityLogButton" << "LogViewer";
}

void TestHostWindow::buttonOpensItsWindow()
{
    QFETCH(QString, button);
    QFETCH(QString, opens);
    HostSession host({m_store});
    PropertyWindow window(host.engineObject(), &host.module());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *pressed = window.findChild<QPushButton *>(button);
    QVERIFY(pressed);

    if (opens == u"LogViewer") {
        QTest::mouseClick(pressed, Qt::LeftButton);
        const QList<LogViewer *> viewers = window.findChildren<LogViewer *>();
        QCOMPARE(viewers.size(), 1);
        QVERIFY(viewers.first()->isVisible());
        return;
    }
    QString seen;
    ModalAnswer answer([&seen](QDialog *dialog) {
        seen = dialog->objectName().isEmpty() ? QStringLiteral("(dialog)") : dialog->objectName();
        dialog->reject();
    });
    QTest::mouseClick(pressed, Qt::LeftButton);
    QTRY_VERIFY(answer.answered());
    if (!opens.isEmpty())
        QCOMPARE(seen, opens);
}

QTEST_MAIN(TestHostWindow)
#include "tst_hostwindow.moc"
