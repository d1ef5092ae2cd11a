// SPDX-License-Identifier: MIT
// The safe-item wrappers and the utility object over item files.
#pragma once

#include "safeitem.h"
#include "pimfields.h"

class PimItem;

// Reads and writes one item's fields by Outlook property name through the
// mapping table; RTFBody is the body as RTF. Holds its item until released.
// Takes items of its own kind only.
template <class Base>
class PimWrapper : public Base
{
public:
    explicit PimWrapper(const ItemKinds::Kind &kind) : m_kind(kind) {}
    void setItem(std::shared_ptr<OlItem> item) override;
    QString read(const QString &property) override;
    void write(const QString &property, const QString &text) override;
    QString EntryID() override;
    QString Subject() override;
    void Save() override;
    std::unique_ptr<SaveInFlight> StartSave() override;

protected:
    PimItem &item();
    // The item's text; a calendar file holding several events or tasks is
    // refused: only its first would be searched, and the file counted as
    // changed when nothing in it was.
    VDocument &document();

private:
    const PimFields::Field &field(const QString &property);
    const ItemKinds::Kind &m_kind;
    std::shared_ptr<PimItem> m_item;
};

// A contact's wrapper also gives the contact's name and company.
class PimContactWrapper final : public PimWrapper<SafeContactItem>
{
public:
    PimContactWrapper() : PimWrapper(ItemKinds::of(FieldTable::Page::Contacts)) {}
    QString FullNameAndCompany() override;
};

// The wrapper of every other kind.
using PimItemWrapper = PimWrapper<SafeItem>;

// CleanUp syncs the file systems that saves wrote to.
class PimMapiUtils final : public MapiUtils
{
public:
    void CleanUp() override;
};
