// SPDX-License-Identifier: MIT
// In-memory Outlook and safe-item doubles that record what the system does to them.
#pragma once

#include "olapplication.h"
#include "safeitem.h"

#include <QMap>
#include <QStringList>
#include <functional>

namespace Memory {

// Everything the doubles see, in order: "read P", "write P=v", "save E", "cleanup".
QStringList &journal();

struct Item final : OlItem
{
    QString type = QString::fromLatin1(OlTypeName::Contact);
    QString entryId;
    QMap<QString, QString> properties; // read as text; a missing one reads as empty
    QStringList failReading;           // properties whose read raises an error
    QStringList failWriting;           // properties whose write raises an error
    bool failSave = false;
    int saves = 0;
    QString TypeName() const override { return type; }
};

struct Folder final : OlFolder
{
    QString name, entryId, storeId;
    QList<std::shared_ptr<Item>> items;
    QList<std::shared_ptr<Folder>> folders;
    QString Name() const override { return name; }
    QString EntryID() const override { return entryId; }
    QString StoreID() const override { return storeId; }
    std::shared_ptr<OlItems> Items() override;
    QList<std::shared_ptr<OlFolder>> Folders() override;
    std::shared_ptr<Item> add(const QString &type, const QString &entryId,
                              QMap<QString, QString> properties = {});
};

struct Namespace final : OlNamespace
{
    QList<std::shared_ptr<Folder>> stores;
    std::shared_ptr<Folder> defaultContacts;
    std::function<std::shared_ptr<OlFolder>()> pick; // PickFolder's answer
    std::shared_ptr<OlFolder> GetDefaultFolder(int kind) override;
    std::shared_ptr<OlFolder> PickFolder() override;
    QList<std::shared_ptr<OlFolder>> Folders() override;
};

struct Application final : OlApplication
{
    std::shared_ptr<Namespace> nameSpace = std::make_shared<Namespace>();
    std::shared_ptr<OlNamespace> GetNamespace(const QString &type) override;
};

// A store folder holding collections, each a Folder with the store's id.
std::shared_ptr<Folder> makeStore(Application &app, const QString &storeId);
std::shared_ptr<Folder> makeFolder(const std::shared_ptr<Folder> &store, const QString &name,
                                   const QString &entryId);

// What the wrappers record besides the journal, and how they fail.
struct WrapperScript
{
    // "create Contact", "assign c1", "release c1", in order.
    QStringList events;
    // Entry ids whose assignment raises an error (the item is kept, so the
    // wrapper can still name it).
    QStringList failAssign;
    // Makes FullNameAndCompany raise an error.
    bool failFullName = false;
};
WrapperScript &wrapperScript();

// Registers the three wrappers and the utility object under their names.
void registerSafeItems();
// Removes them, as when the safe-item library is missing.
void unregisterSafeItems();

} // namespace Memory
