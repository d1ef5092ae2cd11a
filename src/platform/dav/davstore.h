// SPDX-License-Identifier: MIT
// Server accounts as stores: collections as folders, resources as items.
#pragma once

#include "davclient.h"
#include "davdiscovery.h"
#include "olapplication.h"
#include "pimstore.h"

#include <QHash>
#include <deque>
#include <mutex>
#include <optional>

class PimItem;

namespace Dav {

// One account for the time the host is open: its client and, once
// discovered, its collections.
class AccountStore
{
public:
    AccountStore(std::shared_ptr<const Account> account, std::function<void()> beforeSave);
    const QString &name() const { return m_account->name(); }
    Client &client() { return m_client; }
    // Discovered on first use, then kept.
    const QList<Collection> &collections();
    // What items of this account are saved under: the host's hook that
    // makes the undo records durable before each save.
    std::shared_ptr<const Pim::Store> pimStore() const { return m_pimStore; }
    // Sends a save; while the account's connections= saves are under way it
    // first waits for the oldest, so that no more go to the server at once.
    std::shared_future<Response> sendSave(const Request &request);

private:
    std::shared_ptr<const Account> m_account;
    Client m_client;
    std::shared_ptr<Pim::Store> m_pimStore;
    std::optional<QList<Collection>> m_collections;
    std::deque<std::shared_future<Response>> m_saves; // sent, maybe not yet answered
};

// The account as a store's root folder (entry id "."): its folders are the
// collections.
class AccountFolder final : public OlFolder
{
public:
    explicit AccountFolder(std::shared_ptr<AccountStore> store) : m_store(std::move(store)) {}
    QString Name() const override { return m_store->name(); }
    QString EntryID() const override { return QStringLiteral("."); }
    QString StoreID() const override { return m_store->name(); }
    std::shared_ptr<OlItems> Items() override;
    QList<std::shared_ptr<OlFolder>> Folders() override;

private:
    std::shared_ptr<AccountStore> m_store;
};

// A collection: entry id its path on the server, store id the account.
class CollectionFolder final : public OlFolder
{
public:
    CollectionFolder(std::shared_ptr<AccountStore> store, Collection collection)
        : m_store(std::move(store)), m_collection(std::move(collection))
    {
    }
    QString Name() const override { return m_collection.name; }
    QString EntryID() const override { return m_collection.path; }
    QString StoreID() const override { return m_store->name(); }
    std::shared_ptr<OlItems> Items() override;
    QList<std::shared_ptr<OlFolder>> Folders() override { return {}; }
    const Collection &collection() const { return m_collection; }

private:
    std::shared_ptr<AccountStore> m_store;
    Collection m_collection;
};

// A collection's resources, listed once by one PROPFIND (href order). Item(i)
// hands out resource i read by a multiget; the batches after it are asked
// for meanwhile, at most Ahead batches of Batch resources, so memory stays
// bounded whatever the collection holds. An item keeps the ETag of the
// version read; its save is a PUT with If-Match.
class CollectionItems final : public OlItems
{
public:
    CollectionItems(std::shared_ptr<AccountStore> store, Collection collection);
    int Count() override { return int(m_members.size()); }
    std::shared_ptr<OlItem> Item(int index) override;
    std::shared_ptr<OlItem> ItemByEntryId(const QString &entryId) override;

    static constexpr int Batch = 50;
    static constexpr int Ahead = 2;

private:
    struct Fetched
    {
        int batch;
        std::shared_future<Response> answer;
    };
    struct Version // one resource as a multiget gave it
    {
        QByteArray data, etag;
        QString failure; // why it cannot be read
    };
    void askAhead(int batch);
    QHash<QString, Version> read(const Fetched &fetched);
    std::shared_ptr<PimItem> item(const QString &href, const Version &version);

    std::shared_ptr<AccountStore> m_store;
    Collection m_collection;
    QList<Member> m_members;
    QHash<QString, qsizetype> m_byName;                   // resource name → member, made by ItemByEntryId
    std::deque<Fetched> m_pending;                        // batches asked for, in order
    int m_heldBatch = -1;
    QHash<QString, Version> m_held;                       // the batch being handed out, by path
};

// The host's namespace over files and accounts: the file stores' roots,
// then one root per account.
std::shared_ptr<OlApplication> createApplication(std::shared_ptr<OlApplication> files,
                                                 const QList<AccountSettings> &accounts,
                                                 std::function<void()> beforeSave,
                                                 std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder);

// A resource's name: the last part of its path, percent-decoded (the item's entry id).
QString resourceName(const QString &href);

} // namespace Dav
