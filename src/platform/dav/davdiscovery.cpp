// SPDX-License-Identifier: MIT
#include "davdiscovery.h"

#include "davclient.h"
#include "davxml.h"
#include "quenlockerror.h"

#include <algorithm>

namespace Dav {

namespace {
const QStringList collectionProperties = {
    QStringLiteral("DAV:|resourcetype"), QStringLiteral("DAV:|displayname"),
    QStringLiteral("urn:ietf:params:xml:ns:caldav|supported-calendar-component-set")};
const QString lengthProperty = QStringLiteral("DAV:|getcontentlength");


QList<Resource> propfind(Client &client, const QUrl &url, int depth, const QStringList &properties)
{
    Request request{"PROPFIND", url, propfindBody(properties),
                    {{"Depth", QByteArray::number(depth)}, {"Content-Type", "application/xml; charset=utf-8"}}};
    const Response response = client.call(request);
    requireSuccess(QStringLiteral("listing"), url, response.status, response.reason);
    try {
        return parseMultistatus(response.body);
    } catch (const QuenlockError &e) {
        throw QuenlockError(QStringLiteral("The server cannot be read at %1: %2").arg(shown(url), e.description()));
    }
}

QUrl directory(QUrl url)
{
    if (!url.path().endsWith(u'/'))
        url.setPath(url.path() + u'/');
    return url;
}

bool hasChild(const Resource &r, const char *ns, const char *name)
{
    const Property *types = r.find(Ns::Dav, "resourcetype");
    return types && types->children.contains(QLatin1String(ns) + u'|' + QLatin1String(name));
}

// An address book or a calendar taking events or tasks; nullopt for anything else.
std::optional<Collection> collectionOf(const Resource &r, const QUrl &base)
{
    Collection c;
    c.url = directory(base.resolved(QUrl(r.href)));
    c.path = c.url.path();
    c.contacts = hasChild(r, Ns::CardDav, "addressbook");
    if (hasChild(r, Ns::CalDav, "calendar")) {
        const Property *comps = r.find(Ns::CalDav, "supported-calendar-component-set");
        // Without the property a calendar takes every kind.
        c.events = !comps || comps->compNames.contains(u"VEVENT");
        c.tasks = !comps || comps->compNames.contains(u"VTODO");
    }
    if (!c.contacts && !c.events && !c.tasks)
        return std::nullopt;
    const Property *name = r.find(Ns::Dav, "displayname");
    c.name = name ? name->text.trimmed() : QString();
    if (c.name.isEmpty())
        c.name = c.path.section(u'/', -2, -2);
    return c;
}

const QStringList homeSetProperties = {QStringLiteral("urn:ietf:params:xml:ns:carddav|addressbook-home-set"),
                                      QStringLiteral("urn:ietf:params:xml:ns:caldav|calendar-home-set")};

// The homes a resource names, each once.
void addHomes(const Resource &r, const QUrl &at, QList<QUrl> &homes)
{
    for (const Property *p : {r.find(Ns::CardDav, "addressbook-home-set"), r.find(Ns::CalDav, "calendar-home-set")})
        for (const QString &href : p ? p->hrefs : QStringList())
            if (const QUrl home = directory(at.resolved(QUrl(href))); !homes.contains(home))
                homes << home;
}

// Where discovery starts, from one request: the account's url may be a
// collection itself, a principal naming its home sets, or name its
// principal; a server's root that answers none of it hands over to the
// well-known context of each service.
struct Start
{
    QUrl at;                  // the url that answered
    QUrl principal;           // named by it, when it names no homes
    QList<QUrl> homes;        // named by it
    QList<Collection> itself; // it is a collection
};

Start startOf(Client &client, const QUrl &url)
{
    const QStringList asked =
        QStringList{QStringLiteral("DAV:|current-user-principal")} + homeSetProperties + collectionProperties;
    QList<QUrl> tries{url};
    if (url.path().isEmpty() || url.path() == u"/")
        for (const char *service : {"/.well-known/carddav", "/.well-known/caldav"})
            tries << url.resolved(QUrl(QLatin1String(service)));
    for (const QUrl &at : tries) {
        QList<Resource> found;
        try {
            found = propfind(client, at, 0, asked);
        } catch (const ForeignServerError &) {
            throw; // the user is to decide whether to trust that server
        } catch (const QuenlockError &) {
            if (at == url)
                throw;
            continue; // a server without the well-known names
        }
        Start start{at, {}, {}, {}};
        for (const Resource &r : found) {
            if (const auto c = collectionOf(r, at)) {
                start.itself << *c;
                return start;
            }
            addHomes(r, at, start.homes);
            if (const Property *p = r.find(Ns::Dav, "current-user-principal"); p && !p->hrefs.isEmpty())
                start.principal = at.resolved(QUrl(p->hrefs.first()));
        }
        if (!start.homes.isEmpty() || start.principal.isValid())
            return start;
    }
    return {url, {}, {}, {}};
}
} // namespace

void requireSuccess(const QString &what, const QUrl &url, int status, const QString &reason)
{
    if (status >= 200 && status < 300)
        return;
    throw QuenlockError(QStringLiteral("The server answered %1 %2 to %3 %4")
                            .arg(QString::number(status), reason, what, shown(url)));
}

QList<Collection> discover(Client &client)
{
    const Start start = startOf(client, client.account().settings().url);
    if (!start.itself.isEmpty())
        return start.itself;
    QList<QUrl> homes = start.homes;
    if (homes.isEmpty() && start.principal.isValid())
        for (const Resource &r : propfind(client, start.principal, 0, homeSetProperties))
            addHomes(r, start.principal, homes);
    if (homes.isEmpty()) // a server without home sets: its collections sit below the url
        homes << directory(start.principal.isValid() ? start.principal : start.at);
    QList<Collection> collections;
    for (const QUrl &home : std::as_const(homes))
        for (const Resource &r : propfind(client, home, 1, collectionProperties))
            if (const auto c = collectionOf(r, home); c && c->url != home)
                if (std::none_of(collections.cbegin(), collections.cend(),
                                 [&](const Collection &k) { return k.path == c->path; }))
                    collections << *c;
    std::sort(collections.begin(), collections.end(),
              [](const Collection &a, const Collection &b) { return a.path < b.path; });
    return collections;
}

namespace {
// The resource's getcontentlength, -1 when it gave none.
qint64 lengthOf(const Resource &r)
{
    const Property *length = r.find(Ns::Dav, "getcontentlength");
    const qint64 bytes = length ? length->text.trimmed().toLongLong() : 0;
    return bytes > 0 ? bytes : -1;
}
} // namespace

std::optional<Collection> lookUpCollection(Client &client, const QUrl &url)
{
    Request request{"PROPFIND", url, propfindBody(collectionProperties + QStringList{lengthProperty}),
                    {{"Depth", "0"}, {"Content-Type", "application/xml; charset=utf-8"}}};
    const Response response = client.call(request);
    if (response.status == 404)
        return std::nullopt;
    requireSuccess(QStringLiteral("listing"), url, response.status, response.reason);
    std::optional<Collection> found;
    try {
        for (const Resource &r : parseMultistatus(response.body)) {
            if (directory(url.resolved(QUrl(r.href))) != url || !(found = collectionOf(r, url)))
                continue;
            found->bytes = lengthOf(r);
        }
    } catch (const QuenlockError &e) {
        throw QuenlockError(QStringLiteral("The server cannot be read at %1: %2").arg(shown(url), e.description()));
    }
    return found;
}

namespace {
// Members of the collection from a listing's answer; nullopt when it was
// refused. Each member is kept as its href and length as soon as it is
// read: parsed whole, an answer held a hash table of properties per member
// (5.7 KB each at 2,000 contacts).
std::optional<QList<Member>> members(Client &client, const Collection &c, const Request &request, bool lastTry)
{
    Response response = client.call(request);
    if (response.status == 404)
        throw QuenlockError(QStringLiteral("The server has no address book or calendar at %1 any more")
                                .arg(shown(c.url)));
    if (lastTry)
        requireSuccess(QStringLiteral("listing"), c.url, response.status, response.reason);
    else if (!response.ok())
        return std::nullopt;
    QList<Member> found;
    const auto keep = [&](Resource &&r) {
        if (directory(c.url.resolved(QUrl(r.href))) == c.url || hasChild(r, Ns::Dav, "collection")
            || r.href.endsWith(u'/'))
            return;
        const qint64 length = lengthOf(r);
        found.append({std::move(r.href), length});
    };
    try {
        readMultistatus(std::move(response.body), keep);
    } catch (const QuenlockError &e) {
        throw QuenlockError(QStringLiteral("The server cannot be read at %1: %2").arg(shown(c.url), e.description()));
    }
    return found;
}
} // namespace

QList<Member> listMembers(Client &client, const Collection &c, bool byQuery)
{
    // A query is answered by Radicale in 1.2 s for 10,000 contacts, where a
    // Depth 1 PROPFIND took 48 s, whatever it asked for. No ETags: the
    // multiget that reads an item gives its ETag.
    const QList<QPair<QByteArray, QByteArray>> headers{{"Depth", "1"},
                                                      {"Content-Type", "application/xml; charset=utf-8"}};
    std::optional<QList<Member>> found;
    if (byQuery)
        found = members(client, c, {"REPORT", c.url, queryBody(c.contacts, false), headers}, false);
    if (!found) // a server that takes no query
        found = members(client, c,
                        {"PROPFIND", c.url, propfindBody({QStringLiteral("DAV:|resourcetype"), lengthProperty}),
                         headers},
                        true);
    return *found;
}

} // namespace Dav
