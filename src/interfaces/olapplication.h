// SPDX-License-Identifier: MIT
// Outlook's object model as the system calls it: application, namespace, folders, items.
#pragma once

#include "folderobject.h"
#include "itemkinds.h"

#include <QString>
#include <memory>

class OlItem;
class OlItems;
class OlFolder;
class OlNamespace;

class OlApplication
{
public:
    virtual ~OlApplication() = default;
    // "MAPI" is the only namespace; any other name raises an error.
    virtual std::shared_ptr<OlNamespace> GetNamespace(const QString &type) = 0;
};

namespace OlDefaultFolder {
inline constexpr int Contacts = 10;
}

class OlNamespace
{
public:
    virtual ~OlNamespace() = default;
    // Kind 10 gives the default contacts folder; raises an error when there is none.
    virtual std::shared_ptr<OlFolder> GetDefaultFolder(int kind) = 0;
    // Shows the folder dialog; nullptr when the user cancels.
    virtual std::shared_ptr<OlFolder> PickFolder() = 0;
    // The stores, each as its root folder, in the host's order.
    virtual QList<std::shared_ptr<OlFolder>> Folders() = 0;
    // The folder with the entry id in the store with the store id, nullptr
    // when there is none. Looks through the store's folders; a store that
    // can reach one folder without listing the others (a server's) says so.
    virtual std::shared_ptr<OlFolder> GetFolderFromID(const QString &entryId, const QString &storeId);
};

class OlFolder : public FolderObject
{
public:
    virtual std::shared_ptr<OlItems> Items() = 0;
    // Sub-folders in name order (a store's collections).
    virtual QList<std::shared_ptr<OlFolder>> Folders() = 0;
};

inline std::shared_ptr<OlFolder> findFolder(const QList<std::shared_ptr<OlFolder>> &folders,
                                            const QString &entryId, const QString &storeId)
{
    for (const auto &folder : folders) {
        // Another store's folders are not asked for (a server's would be fetched).
        if (folder->StoreID() != storeId)
            continue;
        if (folder->EntryID() == entryId)
            return folder;
        if (auto inner = findFolder(folder->Folders(), entryId, storeId))
            return inner;
    }
    return nullptr;
}

inline std::shared_ptr<OlFolder> OlNamespace::GetFolderFromID(const QString &entryId, const QString &storeId)
{
    return findFolder(Folders(), entryId, storeId);
}

class OlItems
{
public:
    virtual ~OlItems() = default;
    virtual int Count() = 0;
    // 1-based; raises an error outside 1..Count().
    virtual std::shared_ptr<OlItem> Item(int index) = 0;
    // The item whose EntryID is entryId, or nullptr when the folder has none.
    virtual std::shared_ptr<OlItem> ItemByEntryId(const QString &entryId) = 0;
};

// The rewritten kinds' type names are their rows' (itemkinds.h); the others
// are passed over.
namespace OlTypeName {
inline constexpr const char *Contact = ItemKinds::of(FieldTable::Page::Contacts).typeName;
inline constexpr const char *Appointment = ItemKinds::of(FieldTable::Page::Appointments).typeName;
inline constexpr const char *Task = ItemKinds::of(FieldTable::Page::Tasks).typeName;
inline constexpr char DistList[] = "DistListItem";
inline constexpr char Journal[] = "JournalItem";
inline constexpr char Unreadable[] = "UnreadableItem";
} // namespace OlTypeName

class OlItem
{
public:
    virtual ~OlItem() = default;
    // The class name its type information reports ("ContactItem", ...).
    virtual QString TypeName() const = 0;
};
