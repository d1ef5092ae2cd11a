// SPDX-License-Identifier: MIT
// Stores, collections and item lists on disk, as Outlook's namespace, folders and items.
#pragma once

#include "olapplication.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <vector>

namespace Pim {

// A directory of collections. Its id is its canonical path, so the same
// directory has the same id in every run.
struct Store
{
    QByteArray path; // canonical when the directory exists
    QString id;
    std::function<void()> beforeReplace; // the host's hook, run before an item file is replaced
};

struct StoreSet
{
    QList<std::shared_ptr<const Store>> stores;
    QString defaultContacts;
    std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder; // the host's folder dialog
};

// A store's root (entry id ".") or one of its collections (entry id = the
// directory's name). Name is the collection's "displayname" file when it
// has one, else the directory's name.
class PimFolder final : public OlFolder
{
public:
    PimFolder(std::shared_ptr<const Store> store, QByteArray directoryName);
    QString Name() const override;
    QString EntryID() const override;
    QString StoreID() const override { return m_store->id; }
    std::shared_ptr<OlItems> Items() override;
    QList<std::shared_ptr<OlFolder>> Folders() override;

    QByteArray path() const;
    // True when the collection holds at least one vCard file.
    bool holdsVCards() const;

private:
    std::shared_ptr<const Store> m_store;
    QByteArray m_directory; // empty for the store's root
    mutable QString m_name;
};

class ReadAhead;

// The item files of one folder, listed once (in file-name order) when the
// list is made; Item(i) gives file i read and parsed, the files after it
// being read ahead meanwhile (ReadAhead). Making the list logs each entry
// named like an item that is no item file (a directory, a named pipe, a
// link to nothing ...).
class PimItems final : public OlItems
{
public:
    PimItems(std::shared_ptr<const Store> store, QByteArray directory);
    ~PimItems() override;
    int Count() override { return int(m_files.size()); }
    std::shared_ptr<OlItem> Item(int index) override;
    std::shared_ptr<OlItem> ItemByEntryId(const QString &entryId) override;

private:
    std::shared_ptr<const Store> m_store;
    QByteArray m_directory;
    std::vector<QByteArray> m_files;
    std::unique_ptr<ReadAhead> m_readAhead; // made on the first Item()
};

class PimNamespace final : public OlNamespace
{
public:
    explicit PimNamespace(std::shared_ptr<const StoreSet> stores);
    ~PimNamespace() override;
    std::shared_ptr<OlFolder> GetDefaultFolder(int kind) override;
    std::shared_ptr<OlFolder> PickFolder() override;
    QList<std::shared_ptr<OlFolder>> Folders() override;

private:
    std::shared_ptr<const StoreSet> m_stores;
};

class PimApplication final : public OlApplication
{
public:
    explicit PimApplication(std::shared_ptr<const StoreSet> stores) : m_stores(std::move(stores)) {}
    ~PimApplication() override;
    std::shared_ptr<OlNamespace> GetNamespace(const QString &type) override;

private:
    std::shared_ptr<const StoreSet> m_stores;
};

} // namespace Pim
