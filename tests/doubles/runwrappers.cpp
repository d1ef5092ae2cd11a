// SPDX-License-Identifier: MIT
#include "runwrappers.h"

#include "memoryoutlook.h"
#include "progids.h"

namespace RunWrappers {

Script &script()
{
    static Script s;
    return s;
}

namespace {
template <class Base>
class Wrapper : public Base
{
public:
    explicit Wrapper(const char *kind) { script().events.append(QStringLiteral("create ") + QLatin1String(kind)); }
    ~Wrapper() override
    {
        script().events.append(QStringLiteral("release ") + (m_item ? m_item->entryId : QString()));
    }
    void setItem(std::shared_ptr<OlItem> item) override
    {
        m_item = std::dynamic_pointer_cast<Memory::Item>(item);
        if (!m_item)
            throw QuenlockError(QStringLiteral("Type mismatch"));
        script().events.append(QStringLiteral("assign ") + m_item->entryId);
        if (script().failAssign.contains(m_item->entryId))
            throw QuenlockError(QStringLiteral("The item cannot be opened"));
    }
    QString read(const QString &property) override
    {
        Memory::journal().append(QStringLiteral("read ") + property);
        if (item().failReading.contains(property))
            throw QuenlockError(QStringLiteral("Cannot read ") + property);
        return item().properties.value(property);
    }
    void write(const QString &property, const QString &text) override
    {
        Memory::journal().append(QStringLiteral("write %1=%2").arg(property, text));
        if (item().failWriting.contains(property))
            throw QuenlockError(QStringLiteral("Type mismatch"));
        item().properties.insert(property, text);
    }
    QString EntryID() override { return item().entryId; }
    QString Subject() override { return item().properties.value(QStringLiteral("Subject")); }
    void Save() override
    {
        Memory::journal().append(QStringLiteral("save ") + item().entryId);
        if (item().failSave)
            throw QuenlockError(QStringLiteral("The item could not be saved"));
        ++item().saves;
    }

protected:
    Memory::Item &item()
    {
        if (!m_item)
            throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
        return *m_item;
    }

private:
    std::shared_ptr<Memory::Item> m_item;
};

class Contact final : public Wrapper<SafeContactItem>
{
public:
    Contact() : Wrapper("Contact") {}
    QString FullNameAndCompany() override
    {
        if (script().failFullName)
            throw QuenlockError(QStringLiteral("The contact cannot be read"));
        return item().properties.value(QStringLiteral("FullNameAndCompany"));
    }
};
} // namespace

void install()
{
    ClassFactory::registerClass(QLatin1String(ProgId::SafeContactItem),
                                [] { return std::make_unique<Contact>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeAppointmentItem), [] {
        return std::make_unique<Wrapper<SafeAppointmentItem>>("Appointment");
    });
    ClassFactory::registerClass(QLatin1String(ProgId::SafeTaskItem),
                                [] { return std::make_unique<Wrapper<SafeTaskItem>>("Task"); });
}

} // namespace RunWrappers
