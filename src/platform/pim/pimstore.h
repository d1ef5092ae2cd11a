// SPDX-License-Identifier: MIT
// Stores, collections and item lists on disk, as Outlook's namespace, folders and items.
#pragma once

#include "olapplication.h"

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace Pim {

// A directory of collections. Its id is its canonical path, so the same
// directory has the same id in every run.
struct Store
{
public:
    QByteArray path; // canonical when the directory exists
    QString id;
    std::function<void()> beforeReplace; // the host's hook, run before an item file is replaced
    std::function<std::shared_ptr<void>(const QString &)> lockStore; // the host's lock, see HostHooks

    // Before each save: takes the host's lock on the store once, and keeps
    // it until letGo(). A refusal stands until then too: every later save
    // fails at once with the same error instead of waiting again.
    void hold() const;
    // When the last namespace is released: the run is over.
    void letGo() const;

private:
    mutable std::mutex m_lockMutex;
    mutable std::shared_ptr<void> m_lock;
    mutable QString m_refused;
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

// A listed collection, held open: its items are read, written and renamed
// relative to this descriptor, never through a path that a link swapped in
// after the listing could lead elsewhere.
struct Directory
{
    QByteArray path;
    int fd = -1;
    // The items listed as symbolic links that stay inside the store: their
    // name and the canonical path of the file they lead to.
    std::map<QByteArray, QByteArray> links;
    std::once_flag swept; // stale temporary files removed, at the first save
    // QuenlockError naming the folder when it cannot be opened.
    static std::shared_ptr<Directory> open(const QByteArray &path);
    Directory() = default;
    Directory(const Directory &) = delete;
    Directory &operator=(const Directory &) = delete;
    ~Directory();
};

// Whether the path, its links followed, stays inside the store.
bool insideStore(const QByteArray &path, const Store &store);

// Removes the temporary files that a save of an earlier process of this
// program left in the folder when it was killed: only names of the form
// ".<item>.<pid>.<n>.tmp", only older than this process, only when that
// process is gone.
void removeStaleTemporaries(const Directory &dir);

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
    std::shared_ptr<Directory> m_directory;
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
