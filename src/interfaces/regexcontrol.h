// SPDX-License-Identifier: MIT
// The regular-expression text control the page holds, by its roles.
#pragma once

#include "comobject.h"

#include <QList>
#include <QString>

// One instance per page, shared by every field step. Every failure (an
// invalid pattern, a match that exceeds the engine's limits) raises a
// QuenlockError with a clear description.
class RegexControl : public ComObject
{
public:
    // text: the text to search; after setReplacement, the rewritten text.
    virtual void setText(const QString &text) = 0;
    virtual QString text() const = 0;
    // pattern: the search text, used as a regular expression unchanged.
    virtual void setPattern(const QString &pattern) = 0;
    // replacement: rewrites text with every match of the pattern replaced.
    virtual void setReplacement(const QString &replacement) = 0;
    virtual int matchCount() = 0;
    // Characters before the first match, and the first match's length.
    virtual int matchStart() = 0;
    virtual int matchLength() = 0;
    // Every match in text, as setReplacement would replace them, each with
    // the text the replacement gives for it (group references filled in);
    // text stays as it is. For callers that put the matches back somewhere
    // else, such as the runs of a rich-text body.
    struct Replacement
    {
        int start = 0; // as matchStart, matchLength
        int length = 0;
        QString text;
    };
    virtual QList<Replacement> replacements(const QString &replacement) = 0;
    virtual void setCaseSensitive(bool caseSensitive) = 0;
};
