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
    // The collection at the path (a folder's entry id), nullopt when the
    // server has none there. Known once discovered or looked up; else one
    // Depth 0 PROPFIND finds it: a run on one folder neither discovers the
    // account nor touches its other collections.
    std::optional<Collection> collection(const QString &path);
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
    QHash<QString, std::optional<Collection>> m_lookedUp; // by path, discovered or not
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

// A collection's resources, in the order the server lists them. One the
// server said holds at most BatchBytes of item data, or whose size it did
// not tell, is read whole by one query. Else (or when that answer grew past AnswerLimit) the members
// are listed, and Item(i) hands out resource i read by a multiget, the batch
// after it asked for meanwhile. Batches are sized by bytes, so
// memory stays bounded whatever the collection holds: each holds about
// BatchBytes of item data by the lengths listed or the average size known
// (the first FirstBatch resources when nothing tells it), at most
// MostInBatch, and an answer longer than AnswerLimit is dropped and asked
// for again in smaller batches (a single resource is always taken, the
// store's own limit bounding it). An item keeps the ETag of the version
// read; its save is a PUT with If-Match.
class CollectionItems final : public OlItems
{
public:
    CollectionItems(std::shared_ptr<AccountStore> store, Collection collection);
    int Count() override { return int(m_members.size()); }
    std::shared_ptr<OlItem> Item(int index) override;
    std::shared_ptr<OlItem> ItemByEntryId(const QString &entryId) override;

    // Measured on Radicale over 2,000 contacts: the whole book in 1 query
    // (with the lookup, 2 requests besides the PUTs) where 41 multigets of
    // 50 took as long on loopback (the server's work is the bound); over a
    // network each request saved is a round trip. With the answer's own
    // markup, about 250 bytes an item, 3 MiB of 250-byte contacts (12,500)
    // make a 6 MB answer, under AnswerLimit.
    static constexpr int FirstBatch = 50;
    static constexpr qint64 BatchBytes = 3 << 20;
    // Xandikos takes 46 ms an item over a multiget (2,000 contacts): 1,000
    // items keep its answer within the 60 s a request may take.
    static constexpr int MostInBatch = 1000;
    static constexpr qint64 AnswerLimit = 8 << 20;
    static constexpr int Ahead = 1; // batches asked for beyond the one handed out

private:
    struct Fetched
    {
        qsizetype first, end; // the members asked for
        std::shared_future<Response> answer;
    };
    struct Version // one resource as a multiget gave it
    {
        QByteArray data, etag;
        QString failure; // why it cannot be read
    };
    bool readWhole(bool *refused);
    qsizetype batchEnd(qsizetype first) const;
    void askAhead();
    void hold(qsizetype index);
    QHash<QString, Version> read(Response response, QList<Member> *members = nullptr);
    std::shared_ptr<PimItem> item(const QString &href, const Version &version);

    std::shared_ptr<AccountStore> m_store;
    Collection m_collection;
    QList<Member> m_members;
    QHash<QString, qsizetype> m_byName; // resource name → member, made by ItemByEntryId
    std::deque<Fetched> m_pending;      // batches asked for, in order
    qsizetype m_asked = 0;              // the members before it are asked for
    qsizetype m_heldFirst = 0, m_heldEnd = 0;
    QHash<QString, Version> m_held;     // the batch being handed out, by path
    qint64 m_bytesRead = 0, m_itemsRead = 0; // the item data read so far, for the batches' size
    qsizetype m_mostInBatch = MostInBatch;   // lowered when an answer was too long
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
