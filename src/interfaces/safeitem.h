// SPDX-License-Identifier: MIT
// The safe-item wrappers through which every field is read, written and saved.
#pragma once

#include "comobject.h"

#include <QString>
#include <memory>

class OlItem;

// The largest item file the data layer reads: a value bigger than this
// could never be read back once written.
constexpr qint64 MaximumItemBytes = 64 * 1024 * 1024;

// A body has two properties: "Body", its plain text, and "RTFBody", the same
// body as rich text, which is the one a replace writes. An undo record of the
// field Body holds the rich text.
namespace BodyField {
inline constexpr char Name[] = "Body";
inline constexpr char RichProperty[] = "RTFBody";

inline bool isBody(const QString &field) { return field == QLatin1String(Name); }

// The property an undo record's field is read and written through.
inline QString storedProperty(const QString &field)
{
    return isBody(field) ? QString::fromLatin1(RichProperty) : field;
}
} // namespace BodyField

// A save handed to the store's writers. The item's undo records are durable
// before it starts; the store writes the item meanwhile (a writer thread, a
// request to the server). finish() waits for the write, then throws its
// failure; an item whose save failed keeps its old content. Destroying an
// unfinished save waits for it.
class SaveInFlight
{
public:
    virtual ~SaveInFlight() = default;
    // Without waiting: the write has ended, well or not.
    virtual bool ended() const = 0;
    // Without waiting: the write has ended and finish() will throw.
    virtual bool failed() const = 0;
    virtual void finish() = 0;
};

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
    // Starts what Save does and goes on (nullptr: the save has ended, as
    // Save's). Until the answer is finished the item is neither read nor written.
    virtual std::unique_ptr<SaveInFlight> StartSave()
    {
        Save();
        return nullptr;
    }
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
