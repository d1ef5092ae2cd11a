// SPDX-License-Identifier: MIT
#include "safeitems.h"

#include "quenlockerror.h"
#include "pimitem.h"
#include "pimsync.h"
#include "rtftext.h"

namespace {
// Without case; names of another length are passed over without comparing.
bool named(const QString &property, QLatin1String name)
{
    return property.size() == name.size() && property.compare(name, Qt::CaseInsensitive) == 0;
}

bool isRtfBody(const QString &property) { return named(property, QLatin1String(BodyField::RichProperty)); }
} // namespace

template <class Base>
void PimWrapper<Base>::setItem(std::shared_ptr<OlItem> item)
{
    auto pim = std::dynamic_pointer_cast<PimItem>(item);
    // A wrapper takes only its own kind (a group vCard is no contact).
    if (!pim || !pim->document() || PimFields::kindOf(*pim->document()) != &m_kind)
        throw QuenlockError(QStringLiteral("Type mismatch"));
    m_item = std::move(pim);
}

template <class Base>
PimItem &PimWrapper<Base>::item()
{
    if (!m_item)
        throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
    return *m_item;
}

template <class Base>
VDocument &PimWrapper<Base>::document()
{
    VDocument &doc = *item().document();
    if (doc.calendarItems() > 1)
        throw QuenlockError(QStringLiteral("The file \"%1\" holds %2 events, tasks or journal entries with "
                                           "different UIDs; a file of several is left as it is")
                                .arg(item().path())
                                .arg(doc.calendarItems()));
    return doc;
}

template <class Base>
const PimFields::Field &PimWrapper<Base>::field(const QString &property)
{
    const PimFields::Field *f = PimFields::find(m_kind.page, property);
    if (!f)
        throw QuenlockError(QStringLiteral("The %1 has no property \"%2\"")
                                .arg(QLatin1String(m_kind.noun), property));
    return *f;
}

template <class Base>
QString PimWrapper<Base>::read(const QString &property)
{
    VDocument &doc = document();
    if (isRtfBody(property))
        return RtfText::fromPlainText(PimFields::read(doc, field(QLatin1String(BodyField::Name))));
    if (named(property, QLatin1String("EntryID")))
        return EntryID();
    if (m_kind.page == FieldTable::Page::Contacts
        && named(property, QLatin1String("FullNameAndCompany")))
        return PimFields::fullNameAndCompany(doc);
    return PimFields::read(doc, field(property));
}

template <class Base>
void PimWrapper<Base>::write(const QString &property, const QString &text)
{
    VDocument &doc = document();
    if (isRtfBody(property)) {
        const std::optional<QString> plain = RtfText::toPlainText(text);
        if (!plain)
            throw QuenlockError(QStringLiteral("The text written to RTFBody is not an RTF document"));
        PimFields::write(doc, field(QLatin1String(BodyField::Name)), *plain);
        return;
    }
    if (named(property, QLatin1String("EntryID"))
        || named(property, QLatin1String("FullNameAndCompany")))
        throw QuenlockError(QStringLiteral("The property \"%1\" is read-only").arg(property));
    PimFields::write(doc, field(property), text);
}

template <class Base>
QString PimWrapper<Base>::EntryID()
{
    return item().fileName();
}

template <class Base>
QString PimWrapper<Base>::Subject()
{
    return PimFields::read(document(), field(QStringLiteral("Subject")));
}

template <class Base>
void PimWrapper<Base>::Save()
{
    item().save();
}

template <class Base>
std::unique_ptr<SaveInFlight> PimWrapper<Base>::StartSave()
{
    return item().startSave();
}

template class PimWrapper<SafeContactItem>;
template class PimWrapper<SafeItem>;

QString PimContactWrapper::FullNameAndCompany()
{
    return PimFields::fullNameAndCompany(document());
}

void PimMapiUtils::CleanUp()
{
    const QString failure = PimSync::syncAll();
    if (!failure.isEmpty())
        throw QuenlockError(failure);
}
