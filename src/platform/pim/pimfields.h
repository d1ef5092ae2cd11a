// SPDX-License-Identifier: MIT
// The table that maps each Outlook property to its vCard or iCalendar line.
#pragma once

#include "fieldtable.h"
#include "itemkinds.h"

#include <QString>

class VDocument;

namespace PimFields {

// A kind's fields are its page's: contacts, appointments, tasks.
using ItemKind = FieldTable::Page;

// The kind of the item the document holds, by its component; nullptr for a
// group vCard or a journal entry, which no wrapper takes.
const ItemKinds::Kind *kindOf(const VDocument &doc);

// How a line's value reads as text.
enum class Value : quint8 {
    Text,     // TEXT with escapes
    Phone,    // a telephone number ("tel:" URIs shown without the scheme)
    Uri,      // written without escapes
    DateTime, // appointment start and end: local date and time, or a date for all-day
    Date,     // task dates: the local date
    Minutes,  // a duration shown as whole minutes
    Number,   // a whole number kept as TEXT
};

// Which of several lines of one name a field means.
enum Category : qint8 {
    Any = -1,
    // telephone kinds, from the TYPE values a TEL line carries
    TelBusiness, TelHome, TelBusinessFax, TelHomeFax, TelOtherFax, TelOther, TelMobile, TelCar,
    TelPager, TelPrimary, TelAssistant, TelCallback, TelCompanyMain, TelRadio, TelTtyTdd,
    // address kinds
    AdrWork, AdrHome, AdrOther,
};

// Whose field a mapping row is: a row of the field table, whose kind and
// property it takes, or a field no flag looks in, named by the mapping itself.
struct Source
{
    ItemKind item;
    const char *property;
    const FieldTable::Field *lookedIn; // nullptr: no flag looks in the field
};

struct Field
{
    constexpr Field(Source source, const char *line, Category category, qint8 nth, qint8 component,
                    Value value, bool required, const char *create)
        : item(source.item), property(source.property), lookedIn(source.lookedIn), line(line),
          category(category), nth(nth), component(component), value(value), required(required),
          create(create)
    {
    }

    ItemKind item;
    const char *property; // Outlook property name
    const FieldTable::Field *lookedIn;
    const char *line;     // vCard or iCalendar property
    Category category;    // for TEL and ADR lines
    qint8 nth;            // 0 for the first matching line, 1 for the second...
    qint8 component;      // structured value component, or -1 for the whole value
    Value value;
    bool required;        // the line is never removed (FN, an event's DTSTART)
    const char *create;   // parameters of a new line, vCard 3.0 spelling
};

// The field of this item kind, or nullptr (property names compare without case).
const Field *find(ItemKind item, const QString &property);
// Every field, in table order.
const Field *begin();
const Field *end();

// Works out which line each field of the item reads (kept in the document
// until a line is added or removed), so a thread reading ahead of the run
// does it and the run's own thread need not.
void locateFields(const VDocument &doc);

// The field's value as text; empty when the item has no such line.
QString read(VDocument &doc, const Field &field);
// Writes text, converting it to the line's form; writing the text that read
// gives changes nothing. Throws "Type mismatch" (and changes nothing) when the
// text does not convert.
void write(VDocument &doc, const Field &field, const QString &text);

// The contact's full name and company, as one line of text.
QString fullNameAndCompany(VDocument &doc);
// Sets REV or LAST-MODIFIED, when the item has one, to the current time.
void touchRevision(VDocument &doc);

} // namespace PimFields
