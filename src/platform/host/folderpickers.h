// SPDX-License-Identifier: MIT
// The host's folder dialogs over the stores an Outlook namespace holds.
#pragma once

#include <QList>
#include <memory>

class OlFolder;
class OlNamespace;
class QTreeWidget;
class QTreeWidgetItem;

namespace FolderPickers {
// A modal tree of the stores and their folders (name and item count); the
// chosen folder, or nullptr on Cancel.
std::shared_ptr<OlFolder> pickOne(OlNamespace &nameSpace);

// Fills tree with every store of nameSpace and its folders, depth first, in
// the namespace's order; each row holds its index into the returned list.
// Rows carry check boxes when checkable is true.
QList<std::shared_ptr<OlFolder>> fillTree(QTreeWidget *tree, OlNamespace &nameSpace,
                                          bool checkable);
// The index that fillTree stored in a row, or -1 for rows it did not make.
int folderIndex(const QTreeWidgetItem *row);
} // namespace FolderPickers
