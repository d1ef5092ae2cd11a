// SPDX-License-Identifier: MIT
// The regular-expression text control on PCRE2 (16-bit code units, UTF, JIT).
#pragma once

#include "regexcontrol.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

// Searches and rewrites a QString in place of the page's text control.
//
// - A pattern has Perl semantics with UTF and Unicode properties on
//   (\w, \d, \b and case folding know every script). Text that holds lone
//   surrogates is still searched; they simply never match a character class.
// - An empty pattern matches nothing: an empty search has nothing to
//   replace, so matchCount() is 0 and setReplacement() leaves the text as it is.
// - Matches are counted and replaced the Perl way: left to right, never
//   overlapping; an empty match is allowed, but not twice at one place.
// - The replacement may refer to groups: $1 or ${1} by number, ${name} by
//   name, $0 or ${0} for the whole match; a literal $ is written $$. Every
//   other character of the replacement, backslashes included, stands for
//   itself, and so does a $ that starts none of these (at the end, or
//   before a blank or a letter). A group that took no part in the match gives the empty text;
//   a reference to a group the pattern does not have is an error.
// - Positions and lengths count UTF-16 code units, the units QString indexes.
// - An invalid pattern, an invalid replacement and a search that exceeds the
//   engine's match, depth or memory limits raise QuenlockError with a clear
//   description ("Invalid pattern at offset 3: missing closing parenthesis"),
//   so a catastrophic pattern answers within milliseconds with an error
//   instead of hanging or answering "no match".
// - Compiled patterns are cached by (pattern, case sensitivity), since every
//   field step sets the pattern afresh; the cache is bounded.
// - After setReplacement() the text is the rewritten text, and the match
//   members describe matches in it. replacements() lists the matches
//   setReplacement() would replace, each with its own replacement text,
//   and leaves the text as it is.
class Pcre2RegexControl final : public RegexControl
{
public:
    Pcre2RegexControl();
    ~Pcre2RegexControl() override;

    void setText(const QString &text) override;
    QString text() const override { return m_text; }
    void setPattern(const QString &pattern) override;
    void setReplacement(const QString &replacement) override;
    int matchCount() override;
    int matchStart() override;
    int matchLength() override;
    QList<Replacement> replacements(const QString &replacement) override;
    void setCaseSensitive(bool caseSensitive) override;

    // Limits a single search may use before it fails; public for tests.
    static constexpr quint32 MatchLimit = 1'000'000;
    static constexpr quint32 DepthLimit = 10'000;
    static constexpr quint32 HeapLimitKiB = 64 * 1024;

private:
    struct Compiled;
    Compiled *compiled();
    void eachMatch(Compiled *c, const std::function<void(size_t start, size_t end)> &onMatch);
    void search();
    QString substitute(Compiled *c, const QString &replacement, quint32 options);

    QString m_text;
    QString m_pattern;
    bool m_caseSensitive = true;
    // Results for (m_text, m_pattern, m_caseSensitive); valid while m_searched.
    bool m_searched = false;
    int m_count = 0;
    int m_start = 0;
    int m_length = 0;

    QHash<QString, std::shared_ptr<Compiled>> m_cache;
    Compiled *m_current = nullptr; // for m_pattern and m_caseSensitive, or null
    struct Context;
    std::unique_ptr<Context> m_context;
};
