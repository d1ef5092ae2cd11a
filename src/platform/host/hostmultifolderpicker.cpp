// SPDX-License-Identifier: MIT
#include "hostmultifolderpicker.h"

#include "folderpickers.h"
#include "progids.h"
#include "olapplication.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

bool sameFolder(const FolderObject &a, const FolderObject &b)
{
    return a.EntryID() == b.EntryID() && a.StoreID() == b.StoreID();
}

std::shared_ptr<FolderObject> recordOf(const FolderObject &folder)
{
    std::shared_ptr<FolderRef> record = ClassFactory::create<FolderRef>(QLatin1String(ProgId::FolderRef));
    record->setName(folder.Name());
    record->setEntryID(folder.EntryID());
    // As the page does: an empty store id is left unassigned.
    if (!folder.StoreID().isEmpty())
        record->setStoreID(folder.StoreID());
    return record;
}


// Ticks the rows of the folders given; those the stores no longer hold go,
// ticked, under a group of their own at the end. Answers them.
QList<std::shared_ptr<FolderObject>> preTick(QTreeWidget *tree, const QList<std::shared_ptr<OlFolder>> &listed,
                                             const FolderCollection &given)
{
    QList<QTreeWidgetItem *> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        rows.append(*it);
    QList<std::shared_ptr<FolderObject>> missing;
    for (const std::shared_ptr<FolderObject> &element : given) {
        if (!element)
            continue;
        bool found = false;
        for (QTreeWidgetItem *row : rows) {
            const int index = FolderPickers::folderIndex(row);
            if (index >= 0 && sameFolder(*listed.at(index), *element)) {
                row->setCheckState(0, Qt::Checked);
                found = true;
            }
        }
        if (!found)
            missing.append(element);
    }
    if (missing.isEmpty())
        return missing;
    auto *group = new QTreeWidgetItem(tree, {QStringLiteral("Folders not found")});
    group->setFlags(Qt::ItemIsEnabled);
    for (qsizetype i = 0; i < missing.size(); ++i) {
        auto *row = new QTreeWidgetItem(group, {missing.at(i)->Name(), QStringLiteral("?")});
        row->setData(0, Qt::UserRole + 2, int(i));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Checked);
    }
    group->setExpanded(true);
    return missing;
}

// The prompt above the tree, OK and Cancel below it.
void layOut(QDialog &dialog, const QString &text, QTreeWidget *tree)
{
    auto *lblPrompt = new QLabel(text, &dialog);
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblPrompt->setWordWrap(true);
    auto *cmdOk = new QPushButton(QStringLiteral("OK"), &dialog);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    auto *cmdCancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    QObject::connect(cmdOk, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cmdCancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(lblPrompt);
    layout->addWidget(tree);
    layout->addLayout(buttons);
    dialog.resize(420, 400);
}

} // namespace

bool HostMultiFolderPicker::PickFolders(OlApplication *outlookApplication, int /*flag*/,
                                        std::shared_ptr<FolderCollection> &folders,
                                        const QString &text)
{
    if (!outlookApplication)
        throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
    const std::shared_ptr<OlNamespace> nameSpace =
        outlookApplication->GetNamespace(QStringLiteral("MAPI"));

    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("dlgPickFolders"));
    dialog.setWindowTitle(QStringLiteral("Select Folders"));
    auto *tree = new QTreeWidget(&dialog);
    tree->setObjectName(QStringLiteral("tvwFolders"));
    const QList<std::shared_ptr<OlFolder>> listed = FolderPickers::fillTree(tree, *nameSpace, true);
    const QList<std::shared_ptr<FolderObject>> missing =
        preTick(tree, listed, folders ? *folders : FolderCollection());
    layOut(dialog, text, tree);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    // Records in tree order, built before the collection is touched so a
    // failure leaves it as it was.
    FolderCollection chosen;
    for (QTreeWidgetItemIterator it(tree, QTreeWidgetItemIterator::Checked); *it; ++it) {
        const int index = FolderPickers::folderIndex(*it);
        const QVariant missingIndex = (*it)->data(0, Qt::UserRole + 2);
        if (index >= 0)
            chosen.append(recordOf(*listed.at(index)));
        else if (missingIndex.isValid())
            chosen.append(recordOf(*missing.at(missingIndex.toInt())));
    }
    if (folders)
        *folders = chosen;
    else
        folders = std::make_shared<FolderCollection>(chosen);
    return true;
}

void Engine::registerEngineWindows()
{
    ClassFactory::registerClass(QLatin1String(ProgId::MultiFolderPicker),
                                [] { return std::make_unique<HostMultiFolderPicker>(); });
}
