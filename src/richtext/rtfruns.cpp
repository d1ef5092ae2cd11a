// SPDX-License-Identifier: MIT
#include "rtfruns.h"

#include "rtfreader.h"
#include "rtfwriter.h"

#include <algorithm>

namespace RtfRuns {
namespace {

// A control word (not a symbol) that ends on its last letter or digit,
// without a blank, right before `at` (a source line break between ends it
// too, and so does the data after \binN).
bool isUndelimitedWord(const QString &document, const Rtf::Token &token, qsizetype at)
{
    if ((token.kind != Rtf::Token::Control && token.kind != Rtf::Token::Break) || token.end != at)
        return false;
    qsizetype i = token.begin + 1;
    while (i < token.end && Rtf::isAsciiLetter(document[i]))
        ++i;
    if (i == token.begin + 1)
        return false; // a control symbol
    const qsizetype digits = i < token.end && document[i] == u'-' ? i + 1 : i;
    qsizetype j = digits;
    while (j < token.end && document[j] >= u'0' && document[j] <= u'9')
        ++j;
    // Letters, then a number or nothing: the token is the word alone.
    return j == token.end && (j > digits || digits == i);
}

// A \' right before `at` that two hex digits do not follow: the reader left it
// as a code, and new text starting with two would complete it.
bool isOpenHexMark(const QString &document, const Rtf::Token &token, qsizetype at)
{
    return token.kind == Rtf::Token::Control && token.end == at && token.end - token.begin == 2
        && document[token.begin + 1] == u'\'';
}

// Appends the RTF for new run text, kept from running into the code before it.
void appendRunSource(QString &out, const Run &run, const QString &text)
{
    // The blank ends the word before; it is never text.
    if (run.afterWord)
        out += u' ';
    qsizetype from = 0;
    if (run.afterHexMark && text.size() >= 2 && Rtf::hexValue(text[0]) >= 0 && Rtf::hexValue(text[1]) >= 0) {
        out += QStringLiteral("\\'%1").arg(text[0].unicode(), 2, 16, QLatin1Char('0'));
        from = 1;
    }
    Rtf::appendEscaped(out, QStringView(text).sliced(from), run.unicodeSkip, Rtf::CarriageReturn::Paragraph);
}

// The document with each run that has a text given replaced by it.
QString writeRuns(const QString &document, const QList<Run> &runs,
                  const QList<std::optional<QString>> &texts)
{
    QString out;
    out.reserve(document.size() + 16);
    qsizetype at = 0;
    for (qsizetype i = 0; i < runs.size(); ++i) {
        const Run &run = runs[i];
        if (!texts[i])
            continue;
        out += QStringView(document).mid(at, run.begin - at);
        if (!run.rich) {
            out += *texts[i];
        } else if (!texts[i]->isEmpty()) {
            appendRunSource(out, run, *texts[i]);
        } else if (run.opensGroup && (Rtf::opensDestination(document, run.end, Rtf::Reading::Replacing)
                                      || Rtf::opensDestination(document, run.end, Rtf::Reading::Showing))) {
            // Without its first text, "{\{\fonttbl ...}" would become a font
            // table and hide the rest of the group: an empty group keeps it text.
            out += u"{}";
        }
        at = run.end;
    }
    out += QStringView(document).mid(at);
    return out;
}

// A piece of one run's text, [from, to), that gives way to text.
struct Cut
{
    qsizetype from = 0;
    qsizetype to = 0;
    QString text;
};

// Cuts r into the runs; false when it reaches none.
bool cutRuns(const SearchText &s, const Replacement &r, QList<QList<Cut>> &cuts)
{
    const qsizetype end = r.start + r.length;
    const auto runEnd = [&](qsizetype i) { return s.starts[i] + s.runs[i].length; };
    // The run holding the first character at or after the start.
    qsizetype i = std::upper_bound(s.starts.cbegin(), s.starts.cend(), r.start) - s.starts.cbegin() - 1;
    if (i < 0 || runEnd(i) <= r.start)
        ++i;
    // Every run with a covered character; for an empty match, the one it stands in.
    bool placed = false;
    for (; i < s.runs.size() && s.starts[i] < qMax(end, r.start + 1); ++i) {
        const qsizetype from = qMax(r.start, s.starts[i]) - s.starts[i];
        cuts[i].append({from, qMin(end, runEnd(i)) - s.starts[i], placed ? QString() : r.text});
        placed = true;
    }
    if (placed || r.text.isEmpty() || s.runs.isEmpty())
        return placed;
    // Only line breaks, or a place between runs: the text goes before the
    // break, at the end of the run before it, else at the first run's start.
    const qsizetype home = qMax<qsizetype>(i - 1, 0);
    const qsizetype at = i > 0 ? s.runs[home].length : 0;
    cuts[home].append({at, at, r.text});
    return true;
}

} // namespace

SearchText searchText(const QString &document)
{
    if (!Rtf::isRichText(document))
        return {{Run{0, document.size(), document.size(), 0, false}}, {0}, document};

    SearchText out;
    // The text is never longer than its source: it is written into one
    // allocation of that size and cut to length at the end (regrowing by
    // doubling peaked at 1.6 times a 5 MB body's text, and appending one
    // character at a time took a tenth of its run).
    out.text.resize(document.size());
    QChar *const text = out.text.data();
    qsizetype length = 0;
    std::optional<Run> run;
    auto close = [&] {
        if (run && run->length > 0) {
            out.starts.append(length - run->length);
            out.runs.append(*run);
        }
        run.reset();
    };
    Rtf::Reader reader(document, Rtf::Reading::Replacing);
    std::optional<Rtf::Token> previous;
    while (const std::optional<Rtf::Token> token = reader.next()) {
        // Text counts only inside the document's group, not after its last brace.
        const bool inDocument = reader.depth() > 0;
        switch (token->kind) {
        case Rtf::Token::Text:
            if (!inDocument)
                break;
            if (!run)
                run = Run{token->begin, token->end, 0, reader.unicodeSkip(), true,
                          previous && isUndelimitedWord(document, *previous, token->begin),
                          previous && isOpenHexMark(document, *previous, token->begin),
                          previous && previous->kind == Rtf::Token::GroupStart};
            text[length++] = token->character;
            ++run->length;
            run->end = token->end;
            break;
        case Rtf::Token::Hyphen:
            if (run)
                run->end = token->end; // it stays inside its word
            break;
        case Rtf::Token::Break:
            close();
            if (inDocument)
                text[length++] = u'\n';
            break;
        default:
            close();
        }
        previous = token;
    }
    close();
    out.text.truncate(length);
    return out;
}

std::optional<QString> replaceInRuns(const QString &document, const SearchText &searched,
                                     const QList<Replacement> &replacements)
{
    QList<QList<Cut>> cuts(searched.runs.size());
    bool reached = false;
    for (const Replacement &r : replacements)
        reached = cutRuns(searched, r, cuts) || reached;
    if (!reached)
        return std::nullopt;
    QList<std::optional<QString>> texts(searched.runs.size());
    for (qsizetype i = 0; i < searched.runs.size(); ++i) {
        if (cuts[i].isEmpty())
            continue;
        const QStringView old = searched.runText(i);
        QString text;
        qsizetype at = 0;
        for (const Cut &cut : cuts[i]) {
            text += old.mid(at, cut.from - at);
            text += cut.text;
            at = cut.to;
        }
        text += old.mid(at);
        texts[i] = text;
    }
    return writeRuns(document, searched.runs, texts);
}

} // namespace RtfRuns
