// SPDX-License-Identifier: MIT
// WebDAV multistatus answers read, and the request bodies written.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace Dav {

namespace Ns {
inline constexpr char Dav[] = "DAV:";
inline constexpr char CardDav[] = "urn:ietf:params:xml:ns:carddav";
inline constexpr char CalDav[] = "urn:ietf:params:xml:ns:caldav";
} // namespace Ns

// One property as found in a 200 propstat.
struct Property
{
    QString text;          // its character data, descendants' included, as sent
    QStringList hrefs;     // DAV:href elements inside it
    QStringList children;  // its child elements, as "namespace|name"
    QStringList compNames; // the name attributes of CalDAV comp elements inside it
};

// One response element of a multistatus answer.
struct Resource
{
    QString href;                        // as sent (percent-encoded path or URL)
    int status = 0;                      // the response's own status line, 0 when it has none
    QHash<QString, Property> properties; // by "namespace|name", only those found
    const Property *find(const char *ns, const char *name) const;
};

// Throws QuenlockError naming what is wrong when body is no multistatus.
// Character data keeps the carriage returns the server sent (an item's CRLF
// line breaks, a CR sent as "&#13;"), which XML would make into LF.
QList<Resource> parseMultistatus(QByteArray body);
// The same, each response handed over as it is read: a long answer is
// never held twice. Throws, as above, after the responses read before the fault.
void readMultistatus(QByteArray body, const std::function<void(Resource &&)> &each);

// A PROPFIND body asking for the properties, each "namespace|name".
QByteArray propfindBody(const QStringList &properties);
// An addressbook-multiget (contacts) or calendar-multiget of the hrefs,
// asking for getetag and the item's data.
QByteArray multigetBody(bool contacts, const QStringList &hrefs);
// An addressbook-query or calendar-query matching every item, asking for
// getetag and the data (withData), else for getcontentlength alone.
QByteArray queryBody(bool contacts, bool withData);

// "HTTP/1.1 404 Not Found" → 404, 0 when it is no status line.
int statusCode(const QString &statusLine);

} // namespace Dav
