// SPDX-License-Identifier: MIT
#include "settingrules.h"

#include "itemkinds.h"
#include "settingskeys.h"
#include "textnumber.h"

namespace {
using FieldTable::Field;
using FieldTable::Group;
using FieldTable::Page;

// "Zip/Postal Codes", "postal codes" and "postal-codes" are one name.
QString folded(const QString &name)
{
    QString result;
    for (const QChar c : name)
        if (c.isLetterOrNumber())
            result += c.toLower();
    return result;
}

struct GroupName
{
    const char *name;
    const char *alias; // the preset button's caption, or its kind's singular
    bool (*holds)(const Field &);
};

const GroupName Groups[] = {
    {"phones", "Phone Numbers", [](const Field &f) { return FieldTable::inGroup(f, Group::Phone); }},
    {"e-mail", "Email Addresses", [](const Field &f) { return f.group == Group::Email; }},
    {"postal-codes", "Zip/Postal Codes", [](const Field &f) { return f.group == Group::Zip; }},
    {"contacts", "contact", [](const Field &f) { return f.page == Page::Contacts; }},
    {"appointments", "appointment", [](const Field &f) { return f.page == Page::Appointments; }},
    {"tasks", "task", [](const Field &f) { return f.page == Page::Tasks; }},
    {"all", "Select All Fields", [](const Field &) { return true; }},
};

bool isFlagKey(const QString &key)
{
    for (const Field &field : FieldTable::Fields)
        if (key == QLatin1String(field.flagKey))
            return true;
    return false;
}

// FolderName7 and its kin: a stem and a slot from 1.
bool isFolderKey(const QString &key)
{
    for (const char *stem : {Keys::FolderName, Keys::FolderEntryId, Keys::FolderStoreId}) {
        const QLatin1String prefix(stem);
        bool number = false;
        if (key.startsWith(prefix) && key.mid(prefix.size()).toInt(&number) > 0 && number
            && key.at(prefix.size()).isDigit())
            return true;
    }
    return false;
}

bool isWholeNumber(const QString &value, qint32 low, qint32 high)
{
    try {
        const qint32 n = textToLong(value);
        return n >= low && n <= high;
    } catch (const QuenlockError &) {
        return false;
    }
}
} // namespace

std::optional<QString> SettingRules::refusal(const QString &key, const QString &value)
{
    const auto is = [&key](const char *name) { return key == QLatin1String(name); };
    if (is(Keys::SearchFor) || is(Keys::ReplaceWith) || isFolderKey(key))
        return std::nullopt;
    if (is(Keys::CaseSensitive))
        return isWholeNumber(value, 0, 2) ? std::nullopt
                                          : std::optional(QStringLiteral("CaseSensitive takes 0 or 1, not '%1'").arg(value));
    if (is(Keys::FolderCount))
        return isWholeNumber(value, 0, INT32_MAX)
            ? std::nullopt
            : std::optional(QStringLiteral("FolderCount takes a count of folders, not '%1'").arg(value));
    if (is(Keys::SpecialInstructions))
        return value == QLatin1String(Keys::SpecialNone) || value == QLatin1String(Keys::SpecialAreaCodes)
            ? std::nullopt
            : std::optional(QStringLiteral("SpecialInstructions takes '%1' or '%2', not '%3'")
                                .arg(QLatin1String(Keys::SpecialNone), QLatin1String(Keys::SpecialAreaCodes), value));
    if (isFlagKey(key))
        return value == u"0" || value == u"1"
            ? std::nullopt
            : std::optional(QStringLiteral("%1 takes 1 (look in the field) or 0, not '%2'").arg(key, value));
    return QStringLiteral("unknown key '%1': 'quenlock fields' lists the field keys").arg(key);
}

QString SettingRules::kindOf(Page page) { return QString::fromLatin1(ItemKinds::of(page).noun); }

QStringList SettingRules::groupsOf(const Field &field)
{
    QStringList names;
    for (const GroupName &group : Groups)
        if (group.holds(field))
            names << QLatin1String(group.name);
    return names;
}

QList<const Field *> SettingRules::fieldsNamed(const QString &name)
{
    const QString wanted = folded(name);
    QList<const Field *> found;
    for (const GroupName &group : Groups) {
        if (wanted != folded(QLatin1String(group.name)) && wanted != folded(QLatin1String(group.alias)))
            continue;
        for (const Field &field : FieldTable::Fields)
            if (group.holds(field))
                found << &field;
        return found;
    }
    for (const Field &field : FieldTable::Fields)
        if (wanted == folded(QLatin1String(field.flagKey)) || wanted == folded(QLatin1String(field.caption))
            || wanted == folded(QLatin1String(field.property)))
            found << &field;
    return found;
}

QStringList SettingRules::groupNames()
{
    QStringList names;
    for (const GroupName &group : Groups)
        names << QLatin1String(group.name);
    return names;
}
