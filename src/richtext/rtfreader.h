// SPDX-License-Identifier: MIT
// The one RTF reader: a document as a stream of tokens in source order.
#pragma once

#include <QChar>
#include <QStack>
#include <QString>
#include <QStringView>
#include <optional>

namespace Rtf {

// The most fallback characters a \ucN may ask for after each \uN. Writers
// put one character of the ANSI code page there (\uc1, \uc2 for a
// double-byte one, \uc0 for none); a larger N is clamped to this, by the
// reader and the writer alike, so "\uc99999999" costs no more than "\uc8".
inline constexpr int maxUnicodeSkip = 8;

bool isAsciiLetter(QChar c);
// The value of an ASCII hex digit; -1 for any other character.
int hexValue(QChar c);

// A document is rich text when it begins with "{\rtf".
bool isRichText(QStringView document);

// Who reads decides only which groups hold no text (see isDestination in
// rtfreader.cpp).
enum class Reading {
    Replacing, // the text the replace engine searches and rewrites
    Showing,   // the plain text a reader of the body sees
};

// Whether a group whose "{" stands right before `from` holds no text for this
// reading: "{\*..." or a destination such as "{\fonttbl...".
bool opensDestination(const QString &document, qsizetype from, Reading reading);

struct Token
{
    enum Kind {
        GroupStart, // '{' of a group that may hold text
        GroupEnd,   // '}'
        Skipped,    // a whole group that holds no text: {\*...}, the font table ...
        Text,       // one character: itself, \'hh (Windows-1252), \uN with its
                    // fallback, \\ \{ \}, \~, \_, or a character word (\tab, \emdash ...)
        Break,      // \par, \line, or a backslash before a source line break
        Hyphen,     // \- : shows nothing, but stays inside its word
        Control,    // any other control word or symbol: formatting, no text
    };
    Kind kind = Control;
    qsizetype begin = 0; // source range [begin, end)
    qsizetype end = 0;
    QChar character; // Text's character
};

// Source line breaks are no text and give no token; \bin data is passed over
// inside the token of its control word. The document must outlive the reader.
class Reader
{
public:
    Reader(const QString &document, Reading reading) : m_document(document), m_reading(reading) {}

    // The next token, or nullopt at the document's end.
    std::optional<Token> next();
    // \ucN in force: how many fallback characters follow each \uN, at most
    // maxUnicodeSkip.
    int unicodeSkip() const { return m_unicodeSkip; }
    // Groups open; 0 before the document's group and after its last brace.
    qsizetype depth() const { return m_unicodeSkips.size(); }

private:
    Token controlWord(qsizetype at);
    Token controlSymbol(qsizetype at);

    const QString &m_document;
    Reading m_reading;
    qsizetype m_at = 0;
    int m_unicodeSkip = 1;
    QStack<int> m_unicodeSkips; // \uc of each enclosing group, restored at its end
};

} // namespace Rtf
