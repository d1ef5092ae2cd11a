// SPDX-License-Identifier: MIT
#include "pcre2regexcontrol.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <vector>
#include <algorithm>

namespace {

QString pcre2Message(int code)
{
    PCRE2_UCHAR16 buffer[256];
    const int n = pcre2_get_error_message(code, buffer, std::size(buffer));
    if (n < 0)
        return QStringLiteral("error %1").arg(code);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(buffer), n);
}

bool isLimitError(int code)
{
    return code == PCRE2_ERROR_MATCHLIMIT || code == PCRE2_ERROR_DEPTHLIMIT
        || code == PCRE2_ERROR_HEAPLIMIT || code == PCRE2_ERROR_JIT_STACKLIMIT;
}

[[noreturn]] void throwSearchError(int code)
{
    if (isLimitError(code))
        throw QuenlockError(QStringLiteral("Search abandoned: the pattern is too complex for "
                                           "this text (%1)").arg(pcre2Message(code)));
    throw QuenlockError(QStringLiteral("Regular expression error: ") + pcre2Message(code));
}

PCRE2_SPTR16 units(const QString &s) { return reinterpret_cast<PCRE2_SPTR16>(s.utf16()); }

} // namespace

struct Pcre2RegexControl::Compiled
{
    pcre2_code *code = nullptr;
    pcre2_match_data *matchData = nullptr;
    ~Compiled()
    {
        pcre2_match_data_free(matchData);
        pcre2_code_free(code);
    }
};

struct Pcre2RegexControl::Context
{
    pcre2_match_context *match = nullptr;
    pcre2_jit_stack *jitStack = nullptr;
    Context()
    {
        match = pcre2_match_context_create(nullptr);
        jitStack = pcre2_jit_stack_create(32 * 1024, 1024 * 1024, nullptr);
        if (!match || !jitStack)
            throw QuenlockError(QStringLiteral("Out of memory"));
        pcre2_set_match_limit(match, MatchLimit);
        pcre2_set_depth_limit(match, DepthLimit);
        pcre2_set_heap_limit(match, HeapLimitKiB);
        pcre2_jit_stack_assign(match, nullptr, jitStack);
    }
    ~Context()
    {
        pcre2_jit_stack_free(jitStack);
        pcre2_match_context_free(match);
    }
};

Pcre2RegexControl::Pcre2RegexControl() : m_context(std::make_unique<Context>()) {}
Pcre2RegexControl::~Pcre2RegexControl() = default;

void Pcre2RegexControl::setText(const QString &text)
{
    m_text = text;
    m_searched = false;
}

void Pcre2RegexControl::setPattern(const QString &pattern)
{
    if (pattern != m_pattern) {
        m_pattern = pattern;
        m_current = nullptr;
    }
    m_searched = false;
}

void Pcre2RegexControl::setCaseSensitive(bool caseSensitive)
{
    if (caseSensitive != m_caseSensitive) {
        m_caseSensitive = caseSensitive;
        m_current = nullptr;
    }
    m_searched = false;
}

Pcre2RegexControl::Compiled *Pcre2RegexControl::compiled()
{
    if (m_current)
        return m_current;
    const QString key = QChar(m_caseSensitive ? u'1' : u'0') + m_pattern;
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return m_current = it->get();

    // Lone surrogates in a field must not make every search fail, hence
    // MATCH_INVALID_UTF rather than a UTF check on each subject.
    quint32 options = PCRE2_UTF | PCRE2_UCP | PCRE2_MATCH_INVALID_UTF;
    if (!m_caseSensitive)
        options |= PCRE2_CASELESS;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    auto entry = std::make_shared<Compiled>();
    entry->code = pcre2_compile(units(m_pattern), size_t(m_pattern.size()), options, &error,
                                &errorOffset, nullptr);
    if (!entry->code)
        throw QuenlockError(QStringLiteral("Invalid pattern at offset %1: %2")
                                .arg(errorOffset)
                                .arg(pcre2Message(error)));
    // Without JIT support the interpreter does the same work, only slower.
    pcre2_jit_compile(entry->code, PCRE2_JIT_COMPLETE);
    entry->matchData = pcre2_match_data_create_from_pattern(entry->code, nullptr);
    if (!entry->matchData)
        throw QuenlockError(QStringLiteral("Out of memory"));
    if (m_cache.size() >= 64)
        m_cache.clear();
    m_cache.insert(key, entry);
    return m_current = entry.get();
}

// Left to right, never overlapping, as pcre2_substitute goes with
// PCRE2_SUBSTITUTE_GLOBAL, so counted and listed matches are the ones
// setReplacement replaces. onMatch sees c's match data of each match.
void Pcre2RegexControl::eachMatch(Compiled *c, const std::function<void(size_t, size_t)> &onMatch)
{
    const PCRE2_SPTR16 subject = units(m_text);
    const size_t length = size_t(m_text.size());
    size_t offset = 0;
    quint32 options = 0;
    while (offset <= length) {
        const int rc = pcre2_match(c->code, subject, length, offset, options, c->matchData,
                                   m_context->match);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (options == 0)
                break;
            // No non-empty match where the last empty one was: step over
            // one character (both halves of a surrogate pair) and go on.
            options = 0;
            ++offset;
            if (offset < length && QChar::isHighSurrogate(subject[offset - 1])
                && QChar::isLowSurrogate(subject[offset]))
                ++offset;
            continue;
        }
        if (rc < 0)
            throwSearchError(rc);
        const PCRE2_SIZE *ovector = pcre2_get_ovector_pointer(c->matchData);
        if (ovector[0] > ovector[1])
            throw QuenlockError(QStringLiteral("Regular expression error: \\K may not set "
                                               "the match start after its end"));
        const size_t start = ovector[0], end = ovector[1];
        onMatch(start, end);
        offset = end;
        options = start == end ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    }
}

void Pcre2RegexControl::search()
{
    if (m_searched)
        return;
    m_count = m_start = m_length = 0;
    if (!m_pattern.isEmpty()) {
        int count = 0;
        eachMatch(compiled(), [&](size_t start, size_t end) {
            if (count++ == 0) {
                m_start = int(start);
                m_length = int(end - start);
            }
        });
        m_count = count;
    }
    m_searched = true;
}

int Pcre2RegexControl::matchCount()
{
    search();
    return m_count;
}

int Pcre2RegexControl::matchStart()
{
    search();
    return m_start;
}

int Pcre2RegexControl::matchLength()
{
    search();
    return m_length;
}

namespace {
// The replacement as the engine reads it: a "$" that starts no reference
// ($n, ${...}, $$) stands for itself, as every other character does, so it
// is doubled. added holds where each added "$" stands, to give an error's
// offset in the text the user typed.
QString literalDollars(const QString &replacement, QList<qsizetype> &added)
{
    QString out;
    out.reserve(replacement.size() + 4);
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        out += c;
        if (c != u'$')
            continue;
        const QChar next = i + 1 < replacement.size() ? replacement[i + 1] : QChar();
        if (next == u'$') {
            out += next;
            ++i;
        } else if (!(next >= u'0' && next <= u'9') && next != u'{') {
            added.append(out.size());
            out += u'$';
        }
    }
    return out;
}
} // namespace

// The text pcre2_substitute makes of m_text with the given options.
QString Pcre2RegexControl::substitute(Compiled *c, const QString &typed, quint32 options)
{
    QList<qsizetype> added;
    const QString replacement = literalDollars(typed, added);
    options |= PCRE2_SUBSTITUTE_OVERFLOW_LENGTH | PCRE2_SUBSTITUTE_UNSET_EMPTY;
    // One match's replacement is short; a whole text is sized from the text.
    const size_t guess = options & PCRE2_SUBSTITUTE_REPLACEMENT_ONLY ? 0 : size_t(m_text.size()) * 2;
    std::vector<PCRE2_UCHAR16> output(guess + size_t(replacement.size()) * 2 + 64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE outputLength = output.size();
        const int rc = pcre2_substitute(c->code, units(m_text), size_t(m_text.size()), 0, options,
                                        c->matchData, m_context->match, units(replacement),
                                        size_t(replacement.size()), output.data(), &outputLength);
        if (rc == PCRE2_ERROR_NOMEMORY && attempt == 0) {
            output.resize(outputLength);
            continue;
        }
        if (rc < 0) {
            if (isLimitError(rc) || rc == PCRE2_ERROR_NOMATCH)
                throwSearchError(rc);
            // A fault in the replacement leaves its offset in the length.
            if (outputLength != PCRE2_UNSET) {
                const auto before = std::count_if(added.cbegin(), added.cend(),
                                                  [&](qsizetype at) { return PCRE2_SIZE(at) < outputLength; });
                throw QuenlockError(QStringLiteral("Invalid replacement at offset %1: %2")
                                        .arg(qsizetype(outputLength) - before)
                                        .arg(pcre2Message(rc)));
            }
            throw QuenlockError(QStringLiteral("Invalid replacement: ") + pcre2Message(rc));
        }
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(output.data()),
                                  qsizetype(outputLength));
    }
    throw QuenlockError(QStringLiteral("Out of memory"));
}

void Pcre2RegexControl::setReplacement(const QString &replacement)
{
    if (m_pattern.isEmpty())
        return;
    m_text = substitute(compiled(), replacement, PCRE2_SUBSTITUTE_GLOBAL);
    m_searched = false;
}

QList<RegexControl::Replacement> Pcre2RegexControl::replacements(const QString &replacement)
{
    QList<Replacement> out;
    if (m_pattern.isEmpty())
        return out;
    Compiled *c = compiled();
    // Each match's own replacement, from the match data the search left.
    eachMatch(c, [&](size_t start, size_t end) {
        out.append({int(start), int(end - start),
                    substitute(c, replacement,
                               PCRE2_SUBSTITUTE_MATCHED | PCRE2_SUBSTITUTE_REPLACEMENT_ONLY)});
    });
    return out;
}
