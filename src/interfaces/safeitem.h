// SPDX-License-Identifier: MIT
// The safe-item wrappers through which every field is read, written and saved.
#pragma once

#include "comobject.h"

#include <QString>
#include <memory>

class OlItem;

// Wraps one Outlook item. setItem comes first; properties are read as text
// and written from text by name (the wrapper converts to the field's type and
// raises "Type mismatch" when it cannot). Save stores every written field.
class SafeItem : public ComObject
{
public:
    virtual void setItem(std::shared_ptr<OlItem> item) = 0;
    virtual QString read(const QString &property) = 0;
    virtual void write(const QString &property, const QString &text) = 0;
    virtual QString EntryID() = 0;
    virtual QString Subject() = 0;
    virtual void Save() = 0;
};

class SafeContactItem : public SafeItem
{
public:
    virtual QString FullNameAndCompany() = 0;
};

// The safe-item library's utility object.
class MapiUtils : public ComObject
{
public:
    virtual void CleanUp() = 0;
};
