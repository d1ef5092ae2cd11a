// SPDX-License-Identifier: MIT
// The host's two folder pickers over a server account, driven by dav_servers.py:
//   davpickers URL USER PASSWORD_COMMAND DOWN_URL [SCREENSHOT_FOLDER]
// Both pickers must show the account with the collections the server
// holds (printed, one per line, as "picker<TAB>account/collection<TAB>count"),
// and a server that does not answer must give a message box, not a hang.
#include "davstore.h"
#include "folderpickers.h"
#include "hostmultifolderpicker.h"
#include "olapplication.h"
#include "pimapplication.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <functional>

namespace {
QTextStream out(stdout);

// Answers the next modal widget: a message box is noted and closed, a picker
// handed to `picker`.
struct Answers
{
    QTimer timer;
    QStringList messages;
    std::function<void(QDialog *)> picker;
    Answers()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                messages << box->text();
                box->button(QMessageBox::Ok)->click();
            } else if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && picker) {
                picker(dialog);
            }
        });
        timer.start(10);
    }
};

void printRows(const char *name, QDialog *dialog)
{
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tvwFolders"));
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->parent())
            out << name << '\t' << (*it)->parent()->text(0) << '/' << (*it)->text(0) << '\t' << (*it)->text(1)
                << Qt::endl;
}

std::shared_ptr<OlApplication> application(const QString &url, const QString &user, const QString &command)
{
    Dav::AccountSettings account{QStringLiteral("home"), QUrl(url), user, command, {}, false};
    return Dav::createApplication(Pim::createApplication({}, {}), {account}, {}, &FolderPickers::pickOne);
}

void shoot(QDialog *dialog, const QString &folder, const char *file)
{
    if (!folder.isEmpty())
        dialog->grab().save(folder + u'/' + QLatin1String(file));
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5)
        return 2;
    const QString shots = args.value(5);
    Answers answers;
    const auto served = application(args[1], args[2], args[3]);
    answers.picker = [&](QDialog *dialog) {
        printRows("one", dialog);
        auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("tvwFolders"));
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        shoot(dialog, shots, "pickfolder-account.png");
        dialog->reject();
    };
    served->GetNamespace(QStringLiteral("MAPI"))->PickFolder();
    answers.picker = [&](QDialog *dialog) {
        printRows("multi", dialog);
        shoot(dialog, shots, "pickfolders-account.png");
        dialog->reject();
    };
    auto chosen = std::make_shared<FolderCollection>();
    HostMultiFolderPicker().PickFolders(served.get(), -1, chosen, QStringLiteral("Choose the folders"));

    answers.picker = [&](QDialog *dialog) { dialog->reject(); };
    application(args[4], args[2], args[3])->GetNamespace(QStringLiteral("MAPI"))->PickFolder();
    for (const QString &message : std::as_const(answers.messages))
        out << "message\t" << QString(message).replace(u'\n', u' ') << Qt::endl;
    return 0;
}
