// SPDX-License-Identifier: MIT
// The visible text runs of a rich-text (RTF) body, and their rewriting.
#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace RtfRuns {

// One stretch of document text between two formatting codes: characters,
// \'hh and \uN escapes, escaped \ { } and the character words (\tab,
// \emdash, \rquote ...). Control words, control symbols, group braces and
// destination groups ({\*...}, \fonttbl, \colortbl, \stylesheet, \info,
// \pict, field instructions ...) never belong to a run.
struct Run
{
    qsizetype begin = 0; // source range [begin, end) in the document
    qsizetype end = 0;
    // Characters of decoded text (\'hh as Windows-1252, \uN as UTF-16); the
    // text itself is in SearchText::text only, so a big body is not held twice.
    qsizetype length = 0;
    int unicodeSkip = 1; // \ucN in force: fallback characters after each \uN
    bool rich = true;    // false: the document is not RTF and the run is all of it
    // It follows a control word that has no delimiting blank ("\b\'e9"):
    // new text written there must not run into the word.
    bool afterWord = false;
    // It follows a \' without its two hex digits ("\'zz"): new text must not
    // supply them.
    bool afterHexMark = false;
    // It is the first thing in its group: what follows it decides whether
    // the group holds text once the run is gone.
    bool opensGroup = false;
};

// A document's runs and its text as one string, searched like any other
// field: the runs' text in document order, and a line feed for each
// paragraph or line break (\par, \line) before, between or after them, as
// the plain body shows it. A document that does not begin with "{\rtf" is
// plain text: one run, all of it.
struct SearchText
{
    QList<Run> runs;
    QList<qsizetype> starts; // where each run's text begins in text
    QString text;
    QStringView runText(qsizetype i) const { return QStringView(text).mid(starts[i], runs[i].length); }
};
SearchText searchText(const QString &document);

// One match in a SearchText's text: [start, start + length) becomes text.
struct Replacement
{
    qsizetype start = 0;
    qsizetype length = 0;
    QString text;
};

// The document with the replacements (in text order, not overlapping) made
// in its runs, as RTF when the document is rich (line breaks as \par, the
// rest as Rtf::escape writes it). A replacement's text goes where the first
// run character it covers was, and the characters it covers in later runs
// are removed; formatting and line breaks stay. One that covers no run
// character (an empty match, line breaks only) puts its text at its place
// in a run, else at the end of the run before it, else at the start of the
// first. Everything else, the untouched runs too, stays byte for byte.
// nullopt when no replacement reaches a run (there is none, or only line
// breaks are replaced by nothing).
std::optional<QString> replaceInRuns(const QString &document, const SearchText &searched,
                                     const QList<Replacement> &replacements);

} // namespace RtfRuns
