// SPDX-License-Identifier: MIT
#include "davxml.h"

#include "quenlockerror.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Dav {

namespace {
QString key(const QString &ns, const QString &name) { return ns + u'|' + name; }

bool is(const QXmlStreamReader &xml, const char *ns, const char *name)
{
    return xml.namespaceUri() == QLatin1String(ns) && xml.name() == QLatin1String(name);
}

// Reads the property element the reader stands on, to its end.
Property readProperty(QXmlStreamReader &xml)
{
    Property p;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth == 1)
                p.children << key(xml.namespaceUri().toString(), xml.name().toString());
            if (is(xml, Ns::CalDav, "comp"))
                p.compNames << xml.attributes().value(QLatin1String("name")).toString().toUpper();
            if (is(xml, Ns::Dav, "href")) {
                p.hrefs << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                break;
            }
            ++depth;
            break;
        case QXmlStreamReader::EndElement: --depth; break;
        case QXmlStreamReader::Characters: p.text += xml.text(); break;
        default: break;
        }
    }
    return p;
}

// A propstat: its properties count only when its status is 2xx.
void readPropstat(QXmlStreamReader &xml, Resource &resource)
{
    QHash<QString, Property> found;
    int status = 0;
    while (xml.readNextStartElement()) {
        if (is(xml, Ns::Dav, "prop")) {
            while (xml.readNextStartElement()) {
                const QString name = key(xml.namespaceUri().toString(), xml.name().toString());
                found.insert(name, readProperty(xml));
            }
        } else if (is(xml, Ns::Dav, "status")) {
            status = statusCode(xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status >= 200 && status < 300)
        resource.properties.insert(found);
}

Resource readResponse(QXmlStreamReader &xml)
{
    Resource resource;
    while (xml.readNextStartElement()) {
        if (is(xml, Ns::Dav, "href"))
            resource.href = xml.readElementText().trimmed();
        else if (is(xml, Ns::Dav, "status"))
            resource.status = statusCode(xml.readElementText());
        else if (is(xml, Ns::Dav, "propstat"))
            readPropstat(xml, resource);
        else
            xml.skipCurrentElement();
    }
    return resource;
}

// The body with every carriage return of character data written as
// "&#13;", which an XML reader keeps, where it makes CRLF and a lone CR
// into LF: an item's data keeps the line breaks the server sent, so a save
// changes only the lines it rewrote. Markup and what lies outside the root
// element are copied as they are.
QByteArray keepCarriageReturns(QByteArray body)
{
    if (!body.contains('\r'))
        return body;
    QByteArray out;
    out.reserve(body.size() + body.count('\r') * 4);
    int depth = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const char c = body.at(i);
        if (c == '\r' && depth > 0) {
            out += "&#13;";
            continue;
        }
        if (c != '<') {
            out += c;
            continue;
        }
        // Markup: a CDATA section, comment or processing instruction as a
        // whole, a tag to its '>' outside quoted attribute values.
        qsizetype end;
        const QByteArrayView rest = QByteArrayView(body).sliced(i);
        if (rest.startsWith("<![CDATA[")) {
            end = body.indexOf("]]>", i);
            const qsizetype close = end < 0 ? body.size() : end + 3;
            QByteArray section = body.mid(i, close - i);
            out += section.replace("\r", "]]>&#13;<![CDATA[");
            i = close - 1;
            continue;
        }
        const char *closing = rest.startsWith("<!--") ? "-->" : rest.startsWith("<?") ? "?>" : nullptr;
        if (closing) {
            end = body.indexOf(closing, i);
            end = end < 0 ? body.size() : end + qsizetype(qstrlen(closing));
        } else {
            char quote = 0;
            for (end = i + 1; end < body.size(); ++end) {
                const char t = body.at(end);
                if (quote ? t == quote : t == '"' || t == '\'')
                    quote = quote ? 0 : t;
                else if (!quote && t == '>')
                    break;
            }
            const bool closes = i + 1 < body.size() && body.at(i + 1) == '/';
            const bool empty = end > i && body.at(end - 1) == '/';
            const bool declaration = i + 1 < body.size() && body.at(i + 1) == '!';
            if (!declaration)
                depth += closes ? -1 : empty ? 0 : 1;
            end = qMin(end + 1, body.size());
        }
        out += body.mid(i, end - i);
        i = end - 1;
    }
    return out;
}

void writeProperty(QXmlStreamWriter &xml, const QString &property)
{
    const qsizetype bar = property.indexOf(u'|');
    xml.writeEmptyElement(property.left(bar), property.mid(bar + 1));
}
} // namespace

const Property *Resource::find(const char *ns, const char *name) const
{
    const auto it = properties.constFind(key(QLatin1String(ns), QLatin1String(name)));
    return it == properties.constEnd() ? nullptr : &*it;
}

int statusCode(const QString &statusLine)
{
    const QStringList words = statusLine.simplified().split(u' ');
    return words.size() >= 2 ? words.at(1).toInt() : 0;
}

void readMultistatus(QByteArray body, const std::function<void(Resource &&)> &each)
{
    // Read through a device, the reader decodes a block at a time; given
    // the bytes, it decodes them all at once, twice their size in memory.
    QByteArray kept = keepCarriageReturns(std::move(body));
    QBuffer device(&kept);
    device.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&device);
    if (!xml.readNextStartElement() || !is(xml, Ns::Dav, "multistatus"))
        throw QuenlockError(QStringLiteral("the server's answer is no WebDAV multistatus"));
    while (xml.readNextStartElement()) {
        if (is(xml, Ns::Dav, "response"))
            each(readResponse(xml));
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        throw QuenlockError(QStringLiteral("the server's answer is not well-formed XML: ") + xml.errorString());
}

QList<Resource> parseMultistatus(QByteArray body)
{
    QList<Resource> resources;
    readMultistatus(std::move(body), [&](Resource &&r) { resources << std::move(r); });
    return resources;
}

QByteArray propfindBody(const QStringList &properties)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(Ns::Dav), QStringLiteral("d"));
    xml.writeNamespace(QLatin1String(Ns::CardDav), QStringLiteral("card"));
    xml.writeNamespace(QLatin1String(Ns::CalDav), QStringLiteral("cal"));
    xml.writeStartElement(QLatin1String(Ns::Dav), QStringLiteral("propfind"));
    xml.writeStartElement(QLatin1String(Ns::Dav), QStringLiteral("prop"));
    for (const QString &property : properties)
        writeProperty(xml, property);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return body;
}

namespace {
// A REPORT body: the element, the properties asked for (getetag and the
// item's data, else getcontentlength alone) and what body() adds.
QByteArray reportBody(bool contacts, const char *element, bool withData,
                      const std::function<void(QXmlStreamWriter &, const QString &ns)> &body)
{
    const QString ns = QLatin1String(contacts ? Ns::CardDav : Ns::CalDav);
    QByteArray text;
    QXmlStreamWriter xml(&text);
    xml.writeStartDocument();
    xml.writeNamespace(QLatin1String(Ns::Dav), QStringLiteral("d"));
    xml.writeNamespace(ns, contacts ? QStringLiteral("card") : QStringLiteral("cal"));
    xml.writeStartElement(ns, QLatin1String(element));
    xml.writeStartElement(QLatin1String(Ns::Dav), QStringLiteral("prop"));
    if (withData) {
        xml.writeEmptyElement(QLatin1String(Ns::Dav), QStringLiteral("getetag"));
        xml.writeEmptyElement(ns, contacts ? QStringLiteral("address-data") : QStringLiteral("calendar-data"));
    } else {
        xml.writeEmptyElement(QLatin1String(Ns::Dav), QStringLiteral("getcontentlength"));
    }
    xml.writeEndElement();
    body(xml, ns);
    xml.writeEndElement();
    xml.writeEndDocument();
    return text;
}
} // namespace

QByteArray multigetBody(bool contacts, const QStringList &hrefs)
{
    return reportBody(contacts, contacts ? "addressbook-multiget" : "calendar-multiget", true,
                      [&](QXmlStreamWriter &xml, const QString &) {
                          for (const QString &href : hrefs)
                              xml.writeTextElement(QLatin1String(Ns::Dav), QStringLiteral("href"), href);
                      });
}

QByteArray queryBody(bool contacts, bool withData)
{
    // Every item matches: an empty address book filter, a calendar filter
    // on the calendar object itself.
    return reportBody(contacts, contacts ? "addressbook-query" : "calendar-query", withData,
                      [&](QXmlStreamWriter &xml, const QString &ns) {
                          if (contacts) {
                              xml.writeEmptyElement(ns, QStringLiteral("filter"));
                              return;
                          }
                          xml.writeStartElement(ns, QStringLiteral("filter"));
                          xml.writeEmptyElement(ns, QStringLiteral("comp-filter"));
                          xml.writeAttribute(QStringLiteral("name"), QStringLiteral("VCALENDAR"));
                          xml.writeEndElement();
                      });
}

} // namespace Dav
