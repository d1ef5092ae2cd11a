// SPDX-License-Identifier: MIT
#include "davstore.h"

#include "davxml.h"
#include "pimitem.h"
#include "quenlockerror.h"

#include <algorithm>
#include <chrono>

namespace Dav {

namespace {

// Where a resource is, as a key that does not depend on how the server
// spelled the href (absolute or not, which characters it encoded).
QString pathKey(const QUrl &base, const QString &href)
{
    return QUrl::fromPercentEncoding(base.resolved(QUrl(href)).path(QUrl::FullyEncoded).toUtf8());
}

class AccountNamespace final : public OlNamespace
{
public:
    AccountNamespace(std::shared_ptr<OlNamespace> files, QList<std::shared_ptr<AccountStore>> accounts,
                     std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder)
        : m_files(std::move(files)), m_accounts(std::move(accounts)), m_pickFolder(std::move(pickFolder))
    {
    }

    // The files' default, else the first address book of the accounts.
    std::shared_ptr<OlFolder> GetDefaultFolder(int kind) override
    {
        try {
            return m_files->GetDefaultFolder(kind);
        } catch (const QuenlockError &) {
            if (kind != OlDefaultFolder::Contacts)
                throw;
            for (const auto &account : m_accounts)
                for (const Collection &c : account->collections())
                    if (c.contacts)
                        return std::make_shared<CollectionFolder>(account, c);
            throw;
        }
    }
    std::shared_ptr<OlFolder> PickFolder() override { return m_pickFolder ? m_pickFolder(*this) : nullptr; }
    // An account's folder is looked up on its own, its other collections untouched.
    std::shared_ptr<OlFolder> GetFolderFromID(const QString &entryId, const QString &storeId) override
    {
        for (const auto &account : m_accounts) {
            if (account->name() != storeId)
                continue;
            if (entryId == QLatin1String("."))
                return std::make_shared<AccountFolder>(account);
            if (const auto c = account->collection(entryId))
                return std::make_shared<CollectionFolder>(account, *c);
            return nullptr;
        }
        return m_files->GetFolderFromID(entryId, storeId);
    }
    QList<std::shared_ptr<OlFolder>> Folders() override
    {
        QList<std::shared_ptr<OlFolder>> roots = m_files->Folders();
        for (const auto &account : m_accounts)
            roots << std::make_shared<AccountFolder>(account);
        return roots;
    }

private:
    std::shared_ptr<OlNamespace> m_files;
    QList<std::shared_ptr<AccountStore>> m_accounts;
    std::function<std::shared_ptr<OlFolder>(OlNamespace &)> m_pickFolder;
};

class AccountApplication final : public OlApplication
{
public:
    AccountApplication(std::shared_ptr<OlApplication> files, QList<std::shared_ptr<AccountStore>> accounts,
                       std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder)
        : m_files(std::move(files)), m_accounts(std::move(accounts)), m_pickFolder(std::move(pickFolder))
    {
    }
    std::shared_ptr<OlNamespace> GetNamespace(const QString &type) override
    {
        return std::make_shared<AccountNamespace>(m_files->GetNamespace(type), m_accounts, m_pickFolder);
    }

private:
    std::shared_ptr<OlApplication> m_files;
    QList<std::shared_ptr<AccountStore>> m_accounts;
    std::function<std::shared_ptr<OlFolder>(OlNamespace &)> m_pickFolder;
};

// The lines of an item, unfolded and in order: a server may fold lines
// and order properties its own way.
QList<QByteArray> unfoldedLines(QByteArray text)
{
    text.replace("\r\n ", "").replace("\r\n\t", "").replace("\n ", "").replace("\n\t", "");
    QList<QByteArray> lines;
    for (const QByteArray &line : text.split('\n'))
        if (const QByteArray kept = line.trimmed(); !kept.isEmpty())
            lines << kept;
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Qt sends a PUT once more when the connection drops before its answer;
// when the first one was taken, the second meets a 412, the ETag being that
// save's. The save went through when the server holds the text sent: then
// its ETag is kept.
bool holdsWhatWasSent(AccountStore &store, const QUrl &url, const QByteArray &text, QByteArray &etag)
{
    try {
        const Response now = store.client().call({"GET", url, {}, {}});
        if (!now.ok() || unfoldedLines(now.body) != unfoldedLines(text))
            return false;
        etag = now.etag;
        return true;
    } catch (const QuenlockError &) {
        return false;
    }
}

// Without waiting: the answer has come (or failed to).
bool answered(const std::shared_future<Response> &answer)
{
    return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

// A PUT of the new text, only while the server still holds the version
// read. It is sent at once; the answer's finish() waits for the server.
PimItem::SaveUnderWay startPut(const std::shared_ptr<AccountStore> &store, const QUrl &url, bool contacts,
                               const std::shared_ptr<QByteArray> &etag, const QByteArray &text)
{
    if (etag->isEmpty())
        throw QuenlockError(QStringLiteral("\"%1\" cannot be saved safely: the server gave no ETag for it")
                                .arg(shown(url)));
    const std::shared_future<Response> answer =
        store->sendSave({"PUT", url, text,
                         {{"Content-Type", contacts ? "text/vcard; charset=utf-8" : "text/calendar; charset=utf-8"},
                          {"If-Match", *etag}}});
    const auto ended = [answer] { return answered(answer); };
    const auto failed = [answer] { return answered(answer) && !answer.get().ok(); };
    const auto finish = [store, answer, url, etag, text] {
        Response response;
        try {
            response = store->client().wait(answer, url);
        } catch (const QuenlockError &e) {
            throw QuenlockError(QStringLiteral("\"%1\" was not saved: %2").arg(shown(url), e.description()));
        }
        if (response.status == 412 && !holdsWhatWasSent(*store, url, text, *etag))
            throw QuenlockError(QStringLiteral("The file \"%1\" was changed by another program after it "
                                               "was read; it was not saved").arg(shown(url)));
        if (response.status == 412)
            return;
        requireSuccess(QStringLiteral("saving"), url, response.status, response.reason);
        *etag = response.etag;
    };
    return {ended, failed, finish};
}
} // namespace

QString resourceName(const QString &href)
{
    const QString path = QUrl(href).path(QUrl::FullyEncoded);
    return QUrl::fromPercentEncoding(path.section(u'/', -1).toUtf8());
}

AccountStore::AccountStore(std::shared_ptr<const Account> account, std::function<void()> beforeSave)
    : m_account(account), m_client(account), m_pimStore(std::make_shared<Pim::Store>())
{
    m_pimStore->id = account->name();
    m_pimStore->beforeReplace = std::move(beforeSave);
}

std::shared_future<Response> AccountStore::sendSave(const Request &request)
{
    std::erase_if(m_saves, answered);
    if (int(m_saves.size()) >= m_account->settings().connections) {
        // The save's own finish() reports how it ended.
        try {
            m_client.wait(m_saves.front(), request.url);
        } catch (const QuenlockError &) {
        }
        m_saves.pop_front();
    }
    m_saves.push_back(m_client.send(request));
    return m_saves.back();
}

const QList<Collection> &AccountStore::collections()
{
    if (!m_collections) {
        m_collections = discover(m_client);
        for (const Collection &c : std::as_const(*m_collections))
            m_lookedUp.insert(c.path, c);
    }
    return *m_collections;
}

std::optional<Collection> AccountStore::collection(const QString &path)
{
    if (const auto known = m_lookedUp.constFind(path); known != m_lookedUp.constEnd())
        return *known;
    if (m_collections || !path.startsWith(u'/') || !path.endsWith(u'/'))
        return std::nullopt; // discovered, and not among them; or no collection's path
    QUrl url = m_account->settings().url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
    url.setPath(path);
    std::optional<Collection> found = lookUpCollection(m_client, url);
    if (found && found->path != path)
        found.reset(); // another spelling of its path
    m_lookedUp.insert(path, found);
    return found;
}

std::shared_ptr<OlItems> AccountFolder::Items()
{
    return std::make_shared<CollectionItems>(m_store, Collection{});
}

QList<std::shared_ptr<OlFolder>> AccountFolder::Folders()
{
    QList<std::shared_ptr<OlFolder>> folders;
    for (const Collection &c : m_store->collections())
        folders << std::make_shared<CollectionFolder>(m_store, c);
    return folders;
}

std::shared_ptr<OlItems> CollectionFolder::Items()
{
    return std::make_shared<CollectionItems>(m_store, m_collection);
}

CollectionItems::CollectionItems(std::shared_ptr<AccountStore> store, Collection collection)
    : m_store(std::move(store)), m_collection(std::move(collection))
{
    if (!m_collection.url.isValid()) // an account's root holds no items
        return;
    // A collection known to be small, or of a size the server does not tell
    // on lookup (Xandikos), is asked for whole: one request where listing
    // first made two. One larger than the answer's limit costs that read,
    // cut off at AnswerLimit, before it is listed.
    bool refused = false;
    if (m_collection.bytes <= BatchBytes && readWhole(&refused))
        return;
    m_members = listMembers(m_store->client(), m_collection, !refused);
}

// A collection read by one query: its members, their data and ETags in one
// answer. False, the members left as they were, when the server refused the
// query (*refused: it takes none, so it is listed by PROPFIND) or the answer
// grew past its limit.
bool CollectionItems::readWhole(bool *refused)
{
    Request request{"REPORT", m_collection.url, queryBody(m_collection.contacts, true),
                    {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}}};
    request.answerLimit = AnswerLimit;
    Response response = m_store->client().call(request);
    *refused = !response.ok() && !response.tooLarge;
    if (!response.ok() || response.tooLarge)
        return false;
    m_held = read(std::move(response), &m_members); // in the answer's order
    m_heldEnd = m_members.size();
    return true;
}

// Where the batch starting at first ends: as many members as hold
// BatchBytes of item data, by the lengths listed, else at the average size
// known (read so far, or the collection's bytes); FirstBatch members when
// nothing tells the size yet.
qsizetype CollectionItems::batchEnd(qsizetype first) const
{
    qint64 average = -1;
    if (m_itemsRead > 0)
        average = qMax<qint64>(1, m_bytesRead / m_itemsRead);
    else if (m_collection.bytes > 0 && !m_members.isEmpty())
        average = qMax<qint64>(1, m_collection.bytes / m_members.size());
    const qsizetype most = qMin(m_members.size(), first + m_mostInBatch);
    if (average < 0 && m_members.at(first).length < 0)
        return qMin(most, first + FirstBatch);
    qsizetype end = first;
    for (qint64 bytes = 0; end < most; ++end) {
        const qint64 length = m_members.at(end).length > 0 ? m_members.at(end).length : average;
        if (end > first && bytes + length > BatchBytes)
            break;
        bytes += qMax<qint64>(1, length);
    }
    return end;
}

// Before the first answer only the first batch is asked for: its items
// size the next ones.
void CollectionItems::askAhead()
{
    const qsizetype most = m_itemsRead == 0 ? 1 : Ahead;
    while (qsizetype(m_pending.size()) < most && m_asked < m_members.size()) {
        const qsizetype end = batchEnd(m_asked);
        QStringList hrefs;
        for (qsizetype i = m_asked; i < end; ++i)
            hrefs << m_members.at(i).href;
        Request request{"REPORT", m_collection.url, multigetBody(m_collection.contacts, hrefs),
                        {{"Depth", "1"}, {"Content-Type", "application/xml; charset=utf-8"}}};
        if (end - m_asked > 1)
            request.answerLimit = AnswerLimit;
        m_pending.push_back({m_asked, end, m_store->client().send(request)});
        m_asked = end;
    }
}

// Makes the batch holding member index the one handed out.
void CollectionItems::hold(qsizetype index)
{
    while (!m_pending.empty() && m_pending.front().end <= index)
        m_pending.pop_front(); // asked out of order: what was asked ahead is dropped
    if (!m_pending.empty() && m_pending.front().first > index)
        m_pending.clear();
    if (m_pending.empty())
        m_asked = index;
    m_held.clear();
    m_heldFirst = m_heldEnd = 0;
    for (;;) {
        askAhead();
        Fetched fetched = std::move(m_pending.front());
        m_pending.pop_front();
        Response response = m_store->client().wait(fetched.answer, m_collection.url);
        fetched.answer = {}; // the answer is held once, here
        if (!response.tooLarge) {
            m_held = read(std::move(response));
            m_heldFirst = fetched.first;
            m_heldEnd = fetched.end;
            break;
        }
        // Smaller batches from this one on; what was asked after it goes too.
        m_mostInBatch = qMax<qsizetype>(1, (fetched.end - fetched.first) / 4);
        m_pending.clear();
        m_asked = fetched.first;
    }
    askAhead(); // the next batch travels while this one is worked on
}

QHash<QString, CollectionItems::Version> CollectionItems::read(Response response, QList<Member> *members)
{
    requireSuccess(QStringLiteral("reading the items of"), m_collection.url, response.status, response.reason);
    QHash<QString, Version> versions;
    const auto keep = [&](Resource &&r) {
        if (r.href.endsWith(u'/'))
            return; // the collection itself, which a query's answer may name
        Version v;
        const Property *data = m_collection.contacts ? r.find(Ns::CardDav, "address-data")
                                                     : r.find(Ns::CalDav, "calendar-data");
        const Property *etag = r.find(Ns::Dav, "getetag");
        if (data)
            v.data = data->text.toUtf8();
        if (etag)
            v.etag = etag->text.trimmed().toUtf8();
        // Converted, the bytes had room for three times their number.
        v.data.squeeze();
        v.etag.squeeze();
        if (r.status && (r.status < 200 || r.status >= 300))
            v.failure = QStringLiteral("the server answered %1 for it").arg(r.status);
        else if (!data)
            v.failure = QStringLiteral("the server sent no data for it");
        m_bytesRead += v.data.size();
        ++m_itemsRead;
        versions.insert(pathKey(m_collection.url, r.href), std::move(v));
        if (members)
            members->append({std::move(r.href), -1});
    };
    try {
        readMultistatus(std::move(response.body), keep);
    } catch (const QuenlockError &e) {
        throw QuenlockError(QStringLiteral("The items of %1 cannot be read: %2")
                                .arg(shown(m_collection.url), e.description()));
    }
    return versions;
}

std::shared_ptr<OlItem> CollectionItems::Item(int index)
{
    if (index < 1 || index > Count())
        throw QuenlockError(QStringLiteral("Array index out of bounds"));
    if (index - 1 < m_heldFirst || index - 1 >= m_heldEnd)
        hold(index - 1);
    const QString href = m_members.at(index - 1).href;
    Version version = m_held.value(pathKey(m_collection.url, href));
    if (version.data.isEmpty() && version.failure.isEmpty())
        version.failure = QStringLiteral("the server did not send it");
    std::shared_ptr<PimItem> item = this->item(href, version);
    item->report();
    return item;
}

std::shared_ptr<OlItem> CollectionItems::ItemByEntryId(const QString &entryId)
{
    if (m_byName.isEmpty())
        for (qsizetype i = 0; i < m_members.size(); ++i)
            m_byName.insert(resourceName(m_members.at(i).href), i);
    if (const auto at = m_byName.constFind(entryId); at != m_byName.constEnd()) {
        const Member &member = m_members.at(*at);
        const QUrl url = m_collection.url.resolved(QUrl(member.href));
        const Response response = m_store->client().call({"GET", url, {}, {}});
        Version version{response.body, response.etag, QString()};
        if (!response.ok())
            version.failure = QStringLiteral("the server answered %1 %2").arg(response.status).arg(response.reason);
        std::shared_ptr<PimItem> item = this->item(member.href, version);
        item->report();
        return item;
    }
    return nullptr;
}

std::shared_ptr<PimItem> CollectionItems::item(const QString &href, const Version &version)
{
    const QUrl url = m_collection.url.resolved(QUrl(href));
    QString location = shown(url);
    location.truncate(location.lastIndexOf(u'/'));
    auto etag = std::make_shared<QByteArray>(version.etag);
    std::weak_ptr<AccountStore> store = m_store;
    const bool contacts = m_collection.contacts;
    return PimItem::fromBytes(m_store->pimStore(), location.toUtf8(), resourceName(href).toUtf8(), version.data,
                              version.failure, [store, url, contacts, etag](const QByteArray &text) {
                                  const auto account = store.lock();
                                  if (!account)
                                      throw QuenlockError(QStringLiteral("The account is closed"));
                                  return startPut(account, url, contacts, etag, text);
                              });
}

std::shared_ptr<OlApplication> createApplication(std::shared_ptr<OlApplication> files,
                                                 const QList<AccountSettings> &accounts,
                                                 std::function<void()> beforeSave,
                                                 std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder)
{
    QList<std::shared_ptr<AccountStore>> stores;
    for (const AccountSettings &settings : accounts)
        stores << std::make_shared<AccountStore>(std::make_shared<Account>(settings), beforeSave);
    return std::make_shared<AccountApplication>(std::move(files), std::move(stores), std::move(pickFolder));
}

} // namespace Dav
