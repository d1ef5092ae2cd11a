// SPDX-License-Identifier: MIT
// The visible text runs of a rich-text (RTF) body, and their rewriting.
#pragma once

#include <QList>
#include <QString>
#include <functional>
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
    QString text;        // decoded text: \'hh as Windows-1252, \uN as UTF-16
    int unicodeSkip = 1; // \ucN in force: fallback characters after each \uN
    bool rich = true;    // false: the document is not RTF and the run is all of it
};

// A document that does not begin with "{\rtf" is plain text: one run, all of it.
QList<Run> textRuns(const QString &document);

// The document with every run for which edit answers a new text replaced by
// that text (as RTF when the document is rich: line breaks as \par, the rest
// as Rtf::escape writes it); everything else, the formatting and the
// untouched runs, stays byte for byte.
QString rewriteRuns(const QString &document, const QList<Run> &runs,
                    const std::function<std::optional<QString>(const Run &)> &edit);

} // namespace RtfRuns
