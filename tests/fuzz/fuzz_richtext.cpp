// SPDX-License-Identifier: MIT
// Fuzz target: rich text. The input up to its first NUL byte is a body (UTF-8,
// RTF or not); the bytes after the NUL, if any, steer the replacements. Checks:
// - plain text survives text -> RTF -> text, through both readers;
// - the plain text of any body can be taken;
// - the text runs tile the searched text, with only line breaks between them;
// - rewriting runs puts exactly the replacement texts in place of the matched
//   characters (line breaks aside, which stay where they were).
#include "rtfruns.h"
#include "rtftext.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

using RtfRuns::Replacement;
using RtfRuns::SearchText;

namespace {

[[noreturn]] void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "fuzz_richtext: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

void checkPlainRoundTrip(const QString &text)
{
    const QString body = RtfText::fromPlainText(text);
    if (RtfText::toPlainText(body) != text)
        fail("plain text does not survive text -> RTF -> text", body);
    if (RtfRuns::searchText(body).text != text)
        fail("the runs of a written body are not its text", body);
}

// Runs in source order, each at its place in the text; between them (and
// around them) the text holds line breaks only.
void checkRuns(const QString &document, const SearchText &s)
{
    if (s.starts.size() != s.runs.size())
        fail("runs and their starts differ in number", document);
    qsizetype textAt = 0, sourceAt = 0;
    for (qsizetype i = 0; i < s.runs.size(); ++i) {
        const RtfRuns::Run &run = s.runs[i];
        if (run.begin < sourceAt || run.end < run.begin || run.end > document.size())
            fail("a run's source range is out of order", document);
        // Only a plain body's one run may be empty (an empty body).
        if (s.starts[i] < textAt || (run.length <= 0 && run.rich)
            || s.starts[i] + run.length > s.text.size())
            fail("a run's text is not at its start", document);
        for (qsizetype k = textAt; k < s.starts[i]; ++k)
            if (s.text[k] != u'\n')
                fail("text between runs that is not a line break", document);
        textAt = s.starts[i] + run.length;
        sourceAt = run.end;
    }
    for (qsizetype k = textAt; k < s.text.size(); ++k)
        if (s.text[k] != u'\n')
            fail("text after the last run that is not a line break", document);
}

// Bytes from the control part, then from a generator seeded by the input.
class Picker
{
public:
    Picker(const QByteArray &control, quint32 seed) : m_control(control), m_state(seed) {}
    quint32 next()
    {
        if (m_at < m_control.size())
            return uchar(m_control[m_at++]);
        m_state = m_state * 1103515245u + 12345u;
        return m_state >> 16;
    }

private:
    QByteArray m_control;
    qsizetype m_at = 0;
    quint32 m_state;
};

// Up to four replacements in text order, not overlapping, as a global
// regular-expression match gives them (one empty match per place at most).
QList<Replacement> replacementsFor(const SearchText &s, Picker &pick)
{
    const QString texts[] = {
        QString(), QStringLiteral("X"), QStringLiteral("4a"), QString::fromUtf8("\xC3\xA9\n{\\}"),
        QString::fromUtf8("\t\xF0\x9F\x98\x80\\par "), QStringLiteral("a\x01\r\nb\r"),
        QString(QChar(0xDC00)), s.text.left(3)};
    QList<Replacement> out;
    const qsizetype n = s.text.size();
    qsizetype at = 0;
    for (quint32 count = pick.next() % 5; count > 0 && at <= n; --count) {
        const qsizetype start = at + qsizetype(pick.next() % quint32(n - at + 1));
        const qsizetype length = qMin<qsizetype>(n - start, pick.next() % 6);
        out.append({start, length, texts[pick.next() % std::size(texts)]});
        at = start + qMax<qsizetype>(length, 1);
    }
    return out;
}

QString applied(const QString &text, const QList<Replacement> &replacements)
{
    QString out;
    qsizetype at = 0;
    for (const Replacement &r : replacements) {
        out += QStringView(text).mid(at, r.start - at);
        out += r.text;
        at = r.start + r.length;
    }
    out += QStringView(text).mid(at);
    return out;
}

QString withoutBreaks(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

// A plain document is rewritten as it stands. In a rich one, line breaks
// stay where they were and written ones become \par, so the text is
// compared without them.
void checkRewrite(const QString &document, const SearchText &s, const QList<Replacement> &replacements)
{
    const std::optional<QString> written = RtfRuns::replaceInRuns(document, s, replacements);
    const bool rich = document.startsWith(u"{\\rtf");
    const QString expected = applied(s.text, replacements);
    if (!written) {
        if (!s.runs.isEmpty() && withoutBreaks(expected) != withoutBreaks(s.text))
            fail("replacements that reach a run wrote nothing", document);
        return;
    }
    // A plain body is its own text (even when the change makes it start with "{\rtf").
    if (rich ? withoutBreaks(RtfRuns::searchText(*written).text) != withoutBreaks(expected)
             : *written != expected)
        fail("the rewritten body does not read as the replacements made", document + u'\n' + *written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QString document = QString::fromUtf8(nul < 0 ? input : input.left(nul));
    checkPlainRoundTrip(document);
    (void)RtfText::toPlainText(document);
    const SearchText searched = RtfRuns::searchText(document);
    checkRuns(document, searched);
    Picker pick(nul < 0 ? QByteArray() : input.mid(nul + 1), qHash(input, 0));
    checkRewrite(document, searched, replacementsFor(searched, pick));
    return 0;
}
