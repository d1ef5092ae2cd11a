// SPDX-License-Identifier: MIT
#include "folderpickers.h"

#include "quenlockerror.h"
#include "olapplication.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int IndexRole = Qt::UserRole + 1;

// A folder whose items cannot be counted is still listed, and can be picked.
QString countText(OlFolder &folder)
{
    try {
        const std::shared_ptr<OlItems> items = folder.Items();
        return items ? QString::number(items->Count()) : QStringLiteral("0");
    } catch (const QuenlockError &) {
        return QStringLiteral("?");
    }
}

void addFolder(QTreeWidget *tree, QTreeWidgetItem *parent, const std::shared_ptr<OlFolder> &folder,
               bool checkable, QList<std::shared_ptr<OlFolder>> &folders)
{
    if (!folder)
        return;
    auto *row = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    row->setText(0, folder->Name());
    row->setText(1, countText(*folder));
    row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    row->setData(0, IndexRole, int(folders.size()));
    if (checkable) {
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
    }
    folders.append(folder);
    QList<std::shared_ptr<OlFolder>> children;
    try {
        children = folder->Folders();
    } catch (const QuenlockError &e) {
        // A server that does not answer: its store stays in the tree, empty, and the user is told.
        row->setText(1, QStringLiteral("?"));
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Quenlock"),
                             QStringLiteral("The folders of %1 cannot be listed.\n\n%2")
                                 .arg(folder->Name(), e.description()));
    }
    for (const std::shared_ptr<OlFolder> &child : std::as_const(children))
        addFolder(tree, row, child, checkable, folders);
}

} // namespace

QList<std::shared_ptr<OlFolder>> FolderPickers::fillTree(QTreeWidget *tree, OlNamespace &nameSpace,
                                                         bool checkable)
{
    tree->setColumnCount(2);
    tree->setHeaderLabels({QStringLiteral("Folder"), QStringLiteral("Items")});
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    QList<std::shared_ptr<OlFolder>> folders;
    for (const std::shared_ptr<OlFolder> &store : nameSpace.Folders())
        addFolder(tree, nullptr, store, checkable, folders);
    tree->expandAll();
    return folders;
}

int FolderPickers::folderIndex(const QTreeWidgetItem *row)
{
    const QVariant index = row ? row->data(0, IndexRole) : QVariant();
    return index.isValid() ? index.toInt() : -1;
}

std::shared_ptr<OlFolder> FolderPickers::pickOne(OlNamespace &nameSpace)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("dlgPickFolder"));
    dialog.setWindowTitle(QStringLiteral("Select Folder"));
    auto *tree = new QTreeWidget(&dialog);
    tree->setObjectName(QStringLiteral("tvwFolders"));
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    const QList<std::shared_ptr<OlFolder>> folders = fillTree(tree, nameSpace, false);

    auto *cmdOk = new QPushButton(QStringLiteral("OK"), &dialog);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    cmdOk->setEnabled(false);
    auto *cmdCancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(cmdOk, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cmdCancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    // OK only once a folder is selected, so OK always answers a folder.
    QObject::connect(tree, &QTreeWidget::itemSelectionChanged, cmdOk,
                     [tree, cmdOk] { cmdOk->setEnabled(!tree->selectedItems().isEmpty()); });
    QObject::connect(tree, &QTreeWidget::itemDoubleClicked, &dialog, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(tree);
    layout->addLayout(buttons);
    dialog.resize(420, 360);

    if (dialog.exec() != QDialog::Accepted || tree->selectedItems().isEmpty())
        return nullptr;
    const int index = folderIndex(tree->selectedItems().constFirst());
    return index >= 0 ? folders.at(index) : nullptr;
}
