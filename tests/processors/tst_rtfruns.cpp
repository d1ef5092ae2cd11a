// SPDX-License-Identifier: MIT
// Text runs of rich-text bodies: what is searched, and how a rewrite is encoded.
#include "rtfruns.h"
#include "pcre2regexcontrol.h"

#include <QTest>

struct RunsCase
{
    QString document;
    QStringList texts;
};
Q_DECLARE_METATYPE(RunsCase)

struct RewriteCase
{
    QString document, pattern, replacement, after;
};
Q_DECLARE_METATYPE(RewriteCase)

class tst_RtfRuns : public QObject
{
    Q_OBJECT

private slots:
    void runs_data();
    void runs();
    void rewrite_data();
    void rewrite();
    void rewrittenTextReadsBack_data();
    void rewrittenTextReadsBack();
};

static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

void tst_RtfRuns::runs_data()
{
    QTest::addColumn<RunsCase>("c");
    QTest::newRow("minimal-writer")
        << RunsCase{"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Hello world\\par Second line\\par}",
                    {"Hello world", "Second line"}};
    QTest::newRow("unicode-escape") << RunsCase{"{\\rtf1\\ansi Caf\\u233?s\\par}", {u("Caf\xC3\xA9s")}};
    QTest::newRow("surrogate-pair-escapes")
        << RunsCase{"{\\rtf1 \\u-10179?\\u-8704?}", {u("\xF0\x9F\x98\x80")}};
    QTest::newRow("hex-escapes-windows-1252")
        << RunsCase{"{\\rtf1\\ansi Caf\\'e9 \\'80\\par}", {u("Caf\xC3\xA9 \xE2\x82\xAC")}};
    QTest::newRow("uc2-skips-two-fallbacks")
        << RunsCase{"{\\rtf1\\uc2 a\\u8364\\'80\\'80b}", {u("a\xE2\x82\xAC" "b")}};
    QTest::newRow("uc0-skips-nothing") << RunsCase{"{\\rtf1\\uc0 a\\u8364 b}", {u("a\xE2\x82\xAC" "b")}};
    QTest::newRow("uc-is-scoped-by-group")
        << RunsCase{"{\\rtf1{\\uc0 a}\\u8364?b}", {"a", u("\xE2\x82\xAC" "b")}};
    QTest::newRow("escaped-braces-and-backslash") << RunsCase{"{\\rtf1 a\\{b\\}c\\\\d}", {"a{b}c\\d"}};
    QTest::newRow("starred-destination") << RunsCase{"{\\rtf1{\\*\\generator Writer par 1.0;}Text}", {"Text"}};
    QTest::newRow("tables-and-info")
        << RunsCase{"{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
                    "{\\info{\\title par title}{\\author Ann}}Body}",
                    {"Body"}};
    QTest::newRow("field-instruction-skipped")
        << RunsCase{"{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://par\"}{\\fldrslt link}}}", {"link"}};
    QTest::newRow("picture-with-binary-data")
        << RunsCase{"{\\rtf1 a{\\pict\\bin4 {}\\}}b}", {"a", "b"}};
    QTest::newRow("formatting-splits-runs")
        << RunsCase{"{\\rtf1 Hello {\\b bold} end}", {"Hello ", "bold", " end"}};
    QTest::newRow("delimiting-blank-is-not-text") << RunsCase{"{\\rtf1\\pard\\plain Text\\par}", {"Text"}};
    QTest::newRow("second-blank-is-text") << RunsCase{"{\\rtf1\\pard  Text}", {" Text"}};
    QTest::newRow("source-line-breaks-ignored") << RunsCase{"{\\rtf1 Hel\r\nlo}", {"Hello"}};
    QTest::newRow("character-words")
        << RunsCase{"{\\rtf1 it\\rquote s\\tab x\\emdash y}", {u("it\xE2\x80\x99s\tx\xE2\x80\x94y")}};
    QTest::newRow("nonbreaking-space-and-optional-hyphen")
        << RunsCase{"{\\rtf1 a\\~b\\-c}", {u("a\xC2\xA0" "bc")}};
    QTest::newRow("newline-symbol-is-paragraph") << RunsCase{"{\\rtf1 a\\\nb}", {"a", "b"}};
    QTest::newRow("text-after-last-brace-ignored") << RunsCase{"{\\rtf1 A}junk", {"A"}};
    QTest::newRow("unbalanced-group") << RunsCase{"{\\rtf1 a{\\b b", {"a", "b"}};
    QTest::newRow("unclosed-destination") << RunsCase{"{\\rtf1 a{\\fonttbl{\\f0 Arial;}", {"a"}};
    QTest::newRow("trailing-backslash") << RunsCase{"{\\rtf1 a\\", {"a"}};
    QTest::newRow("broken-hex-escape") << RunsCase{"{\\rtf1 a\\'zz}", {"a", "zz"}};
    QTest::newRow("empty-rich-document") << RunsCase{"{\\rtf1}", {}};
    QTest::newRow("plain-document-is-one-run") << RunsCase{"Just {text}\\par", {"Just {text}\\par"}};
    QTest::newRow("empty-plain-document") << RunsCase{"", {""}};
}

void tst_RtfRuns::runs()
{
    QFETCH(RunsCase, c);
    QStringList texts;
    for (const RtfRuns::Run &run : RtfRuns::textRuns(c.document))
        texts << run.text;
    QCOMPARE(texts, c.texts);
}

void tst_RtfRuns::rewrite_data()
{
    QTest::addColumn<RewriteCase>("c");
    QTest::newRow("control-words-never-searched")
        << RewriteCase{"{\\rtf1\\ansi\\pard Compare par\\par}", "par", "X", "{\\rtf1\\ansi\\pard ComXe X\\par}"};
    QTest::newRow("braces-and-backslash-escaped")
        << RewriteCase{"{\\rtf1 hello world\\par}", "world", "{x}\\y", "{\\rtf1 hello \\{x\\}\\\\y\\par}"};
    QTest::newRow("non-ascii-as-unicode-escape")
        << RewriteCase{"{\\rtf1 Cafe\\par}", "e$", u("\xC3\xA9"), "{\\rtf1 Caf\\u233?\\par}"};
    QTest::newRow("astral-as-two-escapes")
        << RewriteCase{"{\\rtf1 :)}", ":\\)", u("\xF0\x9F\x98\x80"), "{\\rtf1 \\u-10179?\\u-8704?}"};
    QTest::newRow("line-break-as-par")
        << RewriteCase{"{\\rtf1 a, b}", ", ", "\n", "{\\rtf1 a\\par b}"};
    QTest::newRow("tab-as-tab-word") << RewriteCase{"{\\rtf1 a b}", " ", "\t", "{\\rtf1 a\\tab b}"};
    QTest::newRow("untouched-runs-keep-their-source")
        << RewriteCase{"{\\rtf1 Caf\\'e9 x\\par y}", "y", "z", "{\\rtf1 Caf\\'e9 x\\par z}"};
    QTest::newRow("decoded-text-is-searched")
        << RewriteCase{"{\\rtf1 Caf\\'e9\\par}", u("\xC3\xA9"), "e", "{\\rtf1 Cafe\\par}"};
    QTest::newRow("uc0-escape-ends-with-blank")
        << RewriteCase{"{\\rtf1\\uc0 x}", "x", u("\xC3\xA9" "1"), "{\\rtf1\\uc0 \\u233 1}"};
    QTest::newRow("uc2-gives-two-fallbacks")
        << RewriteCase{"{\\rtf1\\uc2 x}", "x", u("\xC3\xA9"), "{\\rtf1\\uc2 \\u233??}"};
    QTest::newRow("font-table-untouched")
        << RewriteCase{"{\\rtf1{\\fonttbl{\\f0 Arial;}}Arial}", "Arial", "Helvetica",
                       "{\\rtf1{\\fonttbl{\\f0 Arial;}}Helvetica}"};
    QTest::newRow("empty-replacement-removes-every-match")
        << RewriteCase{"{\\rtf1 a5b5\\par 5c}", "5", "", "{\\rtf1 ab\\par c}"};
    QTest::newRow("every-run-rewritten")
        << RewriteCase{"{\\rtf1 one {\\b one} one}", "one", "two", "{\\rtf1 two {\\b two} two}"};
    QTest::newRow("groups-refer-to-run-text")
        << RewriteCase{"{\\rtf1 Smith, John\\par}", "(\\w+), (\\w+)", "$2 $1", "{\\rtf1 John Smith\\par}"};
    QTest::newRow("plain-document-not-escaped")
        << RewriteCase{"a{b}", "b", "{c}", "a{{c}}"};
}

// Each run goes through the control as the body step sends it.
static QString replaceRuns(const QString &document, const QString &pattern, const QString &replacement)
{
    Pcre2RegexControl control;
    const QList<RtfRuns::Run> runs = RtfRuns::textRuns(document);
    return RtfRuns::rewriteRuns(document, runs, [&](const RtfRuns::Run &run) -> std::optional<QString> {
        control.setText(run.text);
        control.setPattern(pattern);
        if (control.matchCount() <= 0)
            return std::nullopt;
        control.setReplacement(replacement);
        return control.text();
    });
}

void tst_RtfRuns::rewrite()
{
    QFETCH(RewriteCase, c);
    QCOMPARE(replaceRuns(c.document, c.pattern, c.replacement), c.after);
}

void tst_RtfRuns::rewrittenTextReadsBack_data()
{
    QTest::addColumn<QString>("inserted");
    QTest::newRow("rtf-specials") << "\\{}\\par{\\b x}";
    QTest::newRow("accents-and-symbols") << u("Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC");
    QTest::newRow("astral") << u("\xF0\x9F\x98\x80 ok");
    QTest::newRow("digits-after-escape") << u("\xC3\xA9" "123");
    QTest::newRow("question-mark-after-escape") << u("\xC3\xA9?");
}

// Whatever the user inserts, the rewritten document reads back as that text.
void tst_RtfRuns::rewrittenTextReadsBack()
{
    QFETCH(QString, inserted);
    for (const QString &document : {QStringLiteral("{\\rtf1\\ansi X\\par}"),
                                    QStringLiteral("{\\rtf1\\uc0 X}"), QStringLiteral("{\\rtf1\\uc3 X}")}) {
        const QString after = replaceRuns(document, QStringLiteral("X"), inserted);
        QStringList texts;
        for (const RtfRuns::Run &run : RtfRuns::textRuns(after))
            texts << run.text;
        QCOMPARE(texts, QStringList{inserted});
    }
}

QTEST_GUILESS_MAIN(tst_RtfRuns)
#include "tst_rtfruns.moc"
