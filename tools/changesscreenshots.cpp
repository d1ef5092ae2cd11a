// SPDX-License-Identifier: MIT
// Grabs the window's Preview and Undo Last Run tables over a copy of the
// sample store: an area-code change of every phone field and the bodies,
// run for real, then one number edited by hand before the undo.
// Usage: changesscreenshots PREVIEW.png UNDO.png (run with QT_QPA_PLATFORM=offscreen).
#include "changesdialog.h"
#include "engineapi.h"
#include "enginehost.h"
#include "moduleloader.h"
#include "olapplication.h"
#include "pimapplication.h"
#include "pimclasses.h"
#include "propertywindow.h"
#include "recordingprogress.h"
#include "regexclasses.h"
#include "scriptedprompt.h"
#include "storerun.h"
#include "settingsaccess.h"
#include "testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
// Saves the table the click opens, then closes it.
bool grabTableOf(QPushButton *button, const QString &file)
{
    bool saved = false;
    QTimer::singleShot(300, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *table = qobject_cast<ChangesDialog *>(top); table && table->isVisible()) {
                saved = table->grab().save(file);
                table->reject();
            }
    });
    button->click();
    return saved;
}

void chooseFolders(HostObject &host)
{
    chooseAllFolders(host);
    for (const char *key : {"BusinessPhone", "HomePhone", "MobilePhone", "Body", "AppointmentLocation",
                            "AppointmentBody", "TaskBody"})
        WriteSetting(QLatin1String(key), QStringLiteral("1"));
    WriteSetting(QStringLiteral("SearchFor"), QStringLiteral("\\(503\\)"));
    WriteSetting(QStringLiteral("ReplaceWith"), QStringLiteral("(458)"));
    WriteSetting(QStringLiteral("SpecialInstructions"), QStringLiteral("Only look in city/area codes"));
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        fprintf(stderr, "usage: changesscreenshots PREVIEW.png UNDO.png\n");
        return 2;
    }
    TestEnvironment env;
    env.useRealActivityLog();
    setEngineUtilityOverride(nullptr); // the real host log and run journal
    const QString store = env.path() + QStringLiteral("/store");
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SOURCE_DIR "/samples/store"), store});
    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    EngineHost host;
    host.engineApi = std::make_shared<EngineApi>(Pim::createApplication({store}, QString()));
    chooseFolders(host);

    PropertyWindow window(host.engineApi, nullptr);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    if (!grabTableOf(window.findChild<QPushButton *>(QStringLiteral("previewButton")), QString::fromLocal8Bit(argv[1])))
        return 1;

    ScriptedPrompt yes;
    setPrompt(&yes);
    RecordingProgress progress;
    ModuleLoader::createRun()->Run(&host, yes, progress);
    QFile card(store + QStringLiteral("/contacts/arjun-mehta.vcf"));
    if (!card.open(QIODevice::ReadWrite))
        return 1;
    const QByteArray edited = card.readAll().replace("(458) 555-0181", "(458) 555-0999");
    card.resize(0);
    card.write(edited);
    card.close();
    const bool undo = grabTableOf(window.findChild<QPushButton *>(QStringLiteral("undoButton")),
                                  QString::fromLocal8Bit(argv[2]));
    setPrompt(nullptr);
    return undo ? 0 : 1;
}
