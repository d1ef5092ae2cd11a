// SPDX-License-Identifier: MIT
#include "memoryoutlook.h"

#include "progids.h"

namespace Memory {

QStringList &journal()
{
    static QStringList entries;
    return entries;
}

WrapperScript &wrapperScript()
{
    static WrapperScript script;
    return script;
}

namespace {
class Items final : public OlItems
{
public:
    explicit Items(QList<std::shared_ptr<Memory::Item>> items) : m_items(std::move(items)) {}
    int Count() override { return int(m_items.size()); }
    std::shared_ptr<OlItem> Item(int index) override
    {
        if (index < 1 || index > m_items.size())
            throw QuenlockError(QStringLiteral("Array index out of bounds"));
        return m_items.at(index - 1);
    }
    std::shared_ptr<OlItem> ItemByEntryId(const QString &entryId) override
    {
        for (const auto &item : std::as_const(m_items))
            if (item->entryId == entryId)
                return item;
        return nullptr;
    }

private:
    QList<std::shared_ptr<Memory::Item>> m_items;
};

// Records its creation, assignment and release in the wrapper script, and
// every read, write and save in the journal.
template <class Base>
class Wrapper : public Base
{
public:
    explicit Wrapper(const char *kind)
    {
        wrapperScript().events.append(QStringLiteral("create ") + QLatin1String(kind));
    }
    ~Wrapper() override
    {
        wrapperScript().events.append(QStringLiteral("release ") + (m_item ? m_item->entryId : QString()));
    }
    void setItem(std::shared_ptr<OlItem> item) override
    {
        m_item = std::dynamic_pointer_cast<Item>(item);
        if (!m_item)
            throw QuenlockError(QStringLiteral("Type mismatch"));
        wrapperScript().events.append(QStringLiteral("assign ") + m_item->entryId);
        if (wrapperScript().failAssign.contains(m_item->entryId))
            throw QuenlockError(QStringLiteral("The item cannot be opened"));
    }
    QString read(const QString &property) override
    {
        journal().append(QStringLiteral("read ") + property);
        if (item().failReading.contains(property))
            throw QuenlockError(QStringLiteral("Cannot read ") + property);
        return item().properties.value(property);
    }
    void write(const QString &property, const QString &text) override
    {
        journal().append(QStringLiteral("write %1=%2").arg(property, text));
        if (item().failWriting.contains(property))
            throw QuenlockError(QStringLiteral("Type mismatch"));
        item().properties.insert(property, text);
    }
    QString EntryID() override { return item().entryId; }
    QString Subject() override { return item().properties.value(QStringLiteral("Subject")); }
    void Save() override
    {
        journal().append(QStringLiteral("save ") + item().entryId);
        if (item().failSave)
            throw QuenlockError(QStringLiteral("The item could not be saved"));
        ++item().saves;
    }

protected:
    Item &item()
    {
        if (!m_item)
            throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
        return *m_item;
    }

private:
    std::shared_ptr<Item> m_item;
};

class ContactWrapper final : public Wrapper<SafeContactItem>
{
public:
    ContactWrapper() : Wrapper("Contact") {}
    QString FullNameAndCompany() override
    {
        if (wrapperScript().failFullName)
            throw QuenlockError(QStringLiteral("The contact cannot be read"));
        return item().properties.value(QStringLiteral("FullNameAndCompany"));
    }
};

class Utils final : public MapiUtils
{
public:
    void CleanUp() override { journal().append(QStringLiteral("cleanup")); }
};
} // namespace

std::shared_ptr<OlItems> Folder::Items() { return std::make_shared<Memory::Items>(items); }

QList<std::shared_ptr<OlFolder>> Folder::Folders()
{
    return {folders.cbegin(), folders.cend()};
}

std::shared_ptr<Item> Folder::add(const QString &type, const QString &id,
                                  QMap<QString, QString> properties)
{
    auto item = std::make_shared<Item>();
    item->type = type;
    item->entryId = id;
    item->properties = std::move(properties);
    items.append(item);
    return item;
}

std::shared_ptr<OlFolder> Namespace::GetDefaultFolder(int kind)
{
    if (kind != OlDefaultFolder::Contacts || !defaultContacts)
        throw QuenlockError(QStringLiteral("The default folder cannot be found"));
    return defaultContacts;
}

std::shared_ptr<OlFolder> Namespace::PickFolder() { return pick ? pick() : nullptr; }

QList<std::shared_ptr<OlFolder>> Namespace::Folders() { return {stores.cbegin(), stores.cend()}; }

std::shared_ptr<OlNamespace> Application::GetNamespace(const QString &type)
{
    if (type != QLatin1String("MAPI"))
        throw QuenlockError(QStringLiteral("Invalid procedure call or argument"));
    return nameSpace;
}

std::shared_ptr<Folder> makeStore(Application &app, const QString &storeId)
{
    auto store = std::make_shared<Folder>();
    store->name = storeId;
    store->entryId = storeId;
    store->storeId = storeId;
    app.nameSpace->stores.append(store);
    return store;
}

std::shared_ptr<Folder> makeFolder(const std::shared_ptr<Folder> &store, const QString &name,
                                   const QString &entryId)
{
    auto folder = std::make_shared<Folder>();
    folder->name = name;
    folder->entryId = entryId;
    folder->storeId = store->storeId;
    store->folders.append(folder);
    return folder;
}

void registerSafeItems()
{
    ClassFactory::registerClass(QLatin1String(ProgId::SafeContactItem),
                                [] { return std::make_unique<ContactWrapper>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeAppointmentItem),
                                [] { return std::make_unique<Wrapper<SafeItem>>("Appointment"); });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeTaskItem),
                                [] { return std::make_unique<Wrapper<SafeItem>>("Task"); });
    ClassFactory::registerClass(QLatin1String(ProgId::MapiUtils),
                                [] { return std::make_unique<Utils>(); });
}

void unregisterSafeItems()
{
    for (const char *id : {ProgId::SafeContactItem, ProgId::SafeAppointmentItem,
                           ProgId::SafeTaskItem, ProgId::MapiUtils})
        ClassFactory::registerClass(QLatin1String(id), {});
}

} // namespace Memory
