// SPDX-License-Identifier: MIT
// Rich-text bodies: what is searched, the plain text they show, and the RTF
// written for new text.
#include "rtfruns.h"
#include "rtftext.h"

#include <QRegularExpression>
#include <QTest>

class TestRichText : public QObject
{
    Q_OBJECT

private slots:
    void reading_data();
    void reading();
    void searchedText_data();
    void searchedText();
    void rewrite_data();
    void rewrite();
    void replaceInRuns_data();
    void replaceInRuns();
    void writtenTextReadsBack_data();
    void writtenTextReadsBack();
};

static QString u(const char *utf8) { return QString::fromUtf8(utf8); }

static QStringList runTexts(const QString &document)
{
    QStringList texts;
    const RtfRuns::SearchText searched = RtfRuns::searchText(document);
    for (qsizetype i = 0; i < searched.runs.size(); ++i)
        texts << searched.runText(i).toString();
    return texts;
}

static QString plainText(const QString &document)
{
    return RtfText::toPlainText(document).value_or(QStringLiteral("<not RTF>"));
}

// One reader under both: each document's runs (what the replace engine
// searches) and its plain text (what the Body property shows).
void TestRichText::reading_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QStringList>("runs");
    QTest::addColumn<QString>("plain");
    QTest::newRow("writer-with-font-and-colour-tables")
        << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
           "\\f0\\fs20 Hello world\\par Second line\\par}"
        << QStringList{"Hello world", "Second line"} << "Hello world\nSecond line\n";
    QTest::newRow("unicode-escape") << "{\\rtf1\\ansi Caf\\u233?s\\par}" << QStringList{u("Caf\xC3\xA9s")}
                                    << u("Caf\xC3\xA9s\n");
    QTest::newRow("negative-unicode-escapes-and-surrogate-pair")
        << "{\\rtf1 \\u-10179?\\u-8704?\\u-257?}" << QStringList{u("\xF0\x9F\x98\x80\xEF\xBB\xBF")}
        << u("\xF0\x9F\x98\x80\xEF\xBB\xBF");
    QTest::newRow("hex-escapes-windows-1252") << "{\\rtf1\\ansi Caf\\'e9 \\'80\\par}"
                                              << QStringList{u("Caf\xC3\xA9 \xE2\x82\xAC")}
                                              << u("Caf\xC3\xA9 \xE2\x82\xAC\n");
    QTest::newRow("uc2-skips-two-fallbacks-escaped-or-not")
        << "{\\rtf1\\uc2 a\\u8364\\'80\\'80b\\u8364 EUx}"
        << QStringList{u("a\xE2\x82\xAC" "b\xE2\x82\xAC" "x")} << u("a\xE2\x82\xAC" "b\xE2\x82\xAC" "x");
    QTest::newRow("uc0-skips-nothing") << "{\\rtf1\\uc0 a\\u8364 b}" << QStringList{u("a\xE2\x82\xAC" "b")}
                                       << u("a\xE2\x82\xAC" "b");
    // No writer asks for more than a few fallback characters: a huge \ucN
    // skips eight, not the rest of the group.
    QTest::newRow("huge-uc-skips-at-most-eight")
        << "{\\rtf1\\uc99999999\\u233 0123456789}" << QStringList{u("\xC3\xA9" "89")} << u("\xC3\xA9" "89");
    QTest::newRow("uc-is-scoped-by-group") << "{\\rtf1{\\uc0 a}\\u8364?b}"
                                           << QStringList{"a", u("\xE2\x82\xAC" "b")} << u("a\xE2\x82\xAC" "b");
    QTest::newRow("escaped-braces-and-backslash") << "{\\rtf1 a\\{b\\}c\\\\d}" << QStringList{"a{b}c\\d"}
                                                  << "a{b}c\\d";
    QTest::newRow("starred-destination") << "{\\rtf1{\\*\\generator Writer par 1.0;}Text}"
                                         << QStringList{"Text"} << "Text";
    QTest::newRow("starred-destination-after-a-source-line-break")
        << "{\\rtf1{\r\n\\*\\generator Writer;}Text}" << QStringList{"Text"} << "Text";
    QTest::newRow("tables-and-info")
        << "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
           "{\\info{\\title par title}{\\author Ann}}Body}"
        << QStringList{"Body"} << "Body";
    QTest::newRow("field-instruction-skipped")
        << "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://par\"}{\\fldrslt link}}}" << QStringList{"link"}
        << "link";
    QTest::newRow("picture-with-binary-data") << "{\\rtf1 a{\\pict\\bin4 {}\\}}b}" << QStringList{"a", "b"}
                                              << "ab";
    // What only one reader skips: a header is searched but is not the body;
    // a list number is shown but not searched.
    QTest::newRow("header-searched-not-shown") << "{\\rtf1{\\header Page 1}Body}"
                                               << QStringList{"Page 1", "Body"} << "Body";
    QTest::newRow("list-number-shown-not-searched") << "{\\rtf1{\\listtext 1.\\tab}Item}"
                                                    << QStringList{"Item"} << "1.\tItem";
    QTest::newRow("formatting-splits-runs") << "{\\rtf1 Hello {\\b bold} end}"
                                            << QStringList{"Hello ", "bold", " end"} << "Hello bold end";
    QTest::newRow("delimiting-blank-is-not-text") << "{\\rtf1\\pard\\plain Text\\par}" << QStringList{"Text"}
                                                  << "Text\n";
    QTest::newRow("second-blank-is-text") << "{\\rtf1\\pard  Text}" << QStringList{" Text"} << " Text";
    QTest::newRow("source-line-breaks-ignored") << "{\\rtf1 Hel\r\nlo}" << QStringList{"Hello"} << "Hello";
    QTest::newRow("character-words") << "{\\rtf1 it\\rquote s\\tab x\\emdash y}"
                                     << QStringList{u("it\xE2\x80\x99s\tx\xE2\x80\x94y")}
                                     << u("it\xE2\x80\x99s\tx\xE2\x80\x94y");
    QTest::newRow("nonbreaking-space-and-optional-hyphen") << "{\\rtf1 a\\~b\\-c}"
                                                           << QStringList{u("a\xC2\xA0" "bc")} << u("a\xC2\xA0" "bc");
    QTest::newRow("line-and-tab") << "{\\rtf1 a\\line b\\tab c}" << QStringList{"a", "b\tc"} << "a\nb\tc";
    QTest::newRow("newline-symbol-is-paragraph") << "{\\rtf1 a\\\nb}" << QStringList{"a", "b"} << "a\nb";
    QTest::newRow("text-after-last-brace-not-searched") << "{\\rtf1 A}junk" << QStringList{"A"} << "Ajunk";
    QTest::newRow("unbalanced-group") << "{\\rtf1 a{\\b b" << QStringList{"a", "b"} << "ab";
    QTest::newRow("unclosed-destination") << "{\\rtf1 a{\\fonttbl{\\f0 Arial;}" << QStringList{"a"} << "a";
    QTest::newRow("trailing-backslash") << "{\\rtf1 a\\" << QStringList{"a"} << "a";
    QTest::newRow("broken-hex-escape") << "{\\rtf1 a\\'zz}" << QStringList{"a", "zz"} << "azz";
    QTest::newRow("empty-rich-document") << "{\\rtf1}" << QStringList{} << "";
    QTest::newRow("plain-document-is-one-run") << "Just {text}\\par" << QStringList{"Just {text}\\par"}
                                               << "<not RTF>";
    QTest::newRow("empty-plain-document") << "" << QStringList{""} << "<not RTF>";
}

void TestRichText::reading()
{
    QFETCH(QString, document);
    QFETCH(QStringList, runs);
    QFETCH(QString, plain);
    QCOMPARE(runTexts(document), runs);
    QCOMPARE(plainText(document), plain);
}

void TestRichText::searchedText_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("text");
    QTest::newRow("breaks-before-between-and-after-runs")
        << "{\\rtf1\\par a\\par\\line b{\\b c}\\\nd\\par}" << "\na\n\nbc\nd\n";
    QTest::newRow("formatting-adds-nothing") << "{\\rtf1 Hel{\\b lo}{\\*\\x y} w\\-orld}" << "Hello world";
    QTest::newRow("nothing-after-the-last-brace") << "{\\rtf1 a}\\par b" << "a";
    QTest::newRow("plain-document-is-all-text") << "a\\par\nb" << "a\\par\nb";
}

// The runs joined as the engine searches them, with the line breaks between.
void TestRichText::searchedText()
{
    QFETCH(QString, document);
    QFETCH(QString, text);
    QCOMPARE(RtfRuns::searchText(document).text, text);
}

void TestRichText::rewrite_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("after");
    QTest::newRow("control-words-never-searched")
        << "{\\rtf1\\ansi\\pard Compare par\\par}" << "par" << "X" << "{\\rtf1\\ansi\\pard ComXe X\\par}";
    QTest::newRow("braces-and-backslash-escaped")
        << "{\\rtf1 hello world\\par}" << "world" << "{x}\\y" << "{\\rtf1 hello \\{x\\}\\\\y\\par}";
    QTest::newRow("non-ascii-as-unicode-escape")
        << "{\\rtf1 Cafe\\par}" << "e$" << u("\xC3\xA9") << "{\\rtf1 Caf\\u233?\\par}";
    QTest::newRow("astral-as-two-escapes")
        << "{\\rtf1 :)}" << ":\\)" << u("\xF0\x9F\x98\x80") << "{\\rtf1 \\u-10179?\\u-8704?}";
    QTest::newRow("line-break-as-par") << "{\\rtf1 a, b}" << ", " << "\n" << "{\\rtf1 a\\par b}";
    QTest::newRow("crlf-as-one-par") << "{\\rtf1 a, b}" << ", " << "\r\n" << "{\\rtf1 a\\par b}";
    QTest::newRow("tab-as-tab-word") << "{\\rtf1 a b}" << " " << "\t" << "{\\rtf1 a\\tab b}";
    QTest::newRow("untouched-runs-keep-their-source")
        << "{\\rtf1 Caf\\'e9 x\\par y}" << "y" << "z" << "{\\rtf1 Caf\\'e9 x\\par z}";
    QTest::newRow("decoded-text-is-searched")
        << "{\\rtf1 Caf\\'e9\\par}" << u("\xC3\xA9") << "e" << "{\\rtf1 Cafe\\par}";
    QTest::newRow("uc0-escape-ends-with-blank")
        << "{\\rtf1\\uc0 x}" << "x" << u("\xC3\xA9" "1") << "{\\rtf1\\uc0 \\u233 1}";
    QTest::newRow("uc2-gives-two-fallbacks") << "{\\rtf1\\uc2 x}" << "x" << u("\xC3\xA9") << "{\\rtf1\\uc2 \\u233??}";
    QTest::newRow("huge-uc-gives-eight-fallbacks")
        << "{\\rtf1\\uc99999999 x}" << "x" << u("\xC3\xA9") << "{\\rtf1\\uc99999999 \\u233????????}";
    QTest::newRow("font-table-untouched") << "{\\rtf1{\\fonttbl{\\f0 Arial;}}Arial}" << "Arial" << "Helvetica"
                                          << "{\\rtf1{\\fonttbl{\\f0 Arial;}}Helvetica}";
    QTest::newRow("empty-replacement-removes-every-match")
        << "{\\rtf1 a5b5\\par 5c}" << "5" << "" << "{\\rtf1 ab\\par c}";
    QTest::newRow("every-run-rewritten")
        << "{\\rtf1 one {\\b one} one}" << "one" << "two" << "{\\rtf1 two {\\b two} two}";
    QTest::newRow("groups-in-the-replacement")
        << "{\\rtf1 Smith, John\\par}" << "(\\w+), (\\w+)" << "\\2 \\1" << "{\\rtf1 John Smith\\par}";
    QTest::newRow("plain-document-not-escaped") << "a{b}" << "b" << "{c}" << "a{{c}}";
    QTest::newRow("word-before-keeps-its-end")
        << "{\\rtf1\\fs22\\'bd\\b\\'bd}" << u("\xC2\xBD") << "1/2" << "{\\rtf1\\fs22 1/2\\b 1/2}";
    QTest::newRow("group-stays-text-when-its-first-run-goes")
        << "{\\rtf1 a{\\{\\fonttbl b}c}" << "\\{" << "" << "{\\rtf1 a{{}\\fonttbl b}c}";
    QTest::newRow("broken-hex-escape-stays-broken")
        << "{\\rtf1 a\\'zz}" << "zz" << "4a" << "{\\rtf1 a\\'\\'34a}";
    QTest::newRow("binary-data-ends-its-word")
        << "{\\rtf1{\\pict\\bin2 ab}x{\\bin2 cdy}}" << "y" << "z" << "{\\rtf1{\\pict\\bin2 ab}x{\\bin2 cdz}}";
    // A source line break already ends the word: a blank after it would be text.
    QTest::newRow("word-ended-by-a-line-break-gets-no-blank")
        << "{\\rtf1\\b\r\nab}" << "a" << "X" << "{\\rtf1\\b\r\nXb}";
}

// The document's text is searched as one, as the body step does; \N in the
// replacement is group N.
static QString replaceText(const QString &document, const QString &pattern, const QString &replacement)
{
    const RtfRuns::SearchText searched = RtfRuns::searchText(document);
    QList<RtfRuns::Replacement> found;
    for (const QRegularExpressionMatch &m : QRegularExpression(pattern).globalMatch(searched.text)) {
        QString text = replacement;
        for (int n = m.lastCapturedIndex(); n > 0; --n)
            text.replace(QStringLiteral("\\%1").arg(n), m.captured(n));
        found.append({m.capturedStart(), m.capturedLength(), text});
    }
    return RtfRuns::replaceInRuns(document, searched, found).value_or(document);
}

void TestRichText::rewrite()
{
    QFETCH(QString, document);
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, after);
    QCOMPARE(replaceText(document, pattern, replacement), after);
}

using Replacements = QList<RtfRuns::Replacement>;
Q_DECLARE_METATYPE(Replacements)

void TestRichText::replaceInRuns_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<Replacements>("replacements"); // in the searched text
    QTest::addColumn<QString>("after");              // null: nothing to write
    QTest::newRow("across-formatting") << "{\\rtf1{\\b ab}cd}" << Replacements{{0, 3, "Z"}}
                                       << "{\\rtf1{\\b Z}d}";
    QTest::newRow("across-three-runs") << "{\\rtf1 a{\\b b}{\\i c}d}" << Replacements{{0, 4, "Z"}}
                                       << "{\\rtf1 Z{\\b }{\\i }}";
    QTest::newRow("several-in-one-run") << "{\\rtf1 a-a-a}" << Replacements{{0, 1, "bb"}, {4, 1, ""}}
                                        << "{\\rtf1 bb-a-}";
    QTest::newRow("empty-match-in-the-run-of-the-next-character")
        << "{\\rtf1 ab{\\b cd}}" << Replacements{{2, 0, "X"}} << "{\\rtf1 ab{\\b Xcd}}";
    QTest::newRow("break-inside-stays") << "{\\rtf1 abc\\par abc}" << Replacements{{2, 3, "-"}}
                                        << "{\\rtf1 ab-\\par bc}";
    QTest::newRow("break-alone-gets-text-before-it") << "{\\rtf1 a\\par b}" << Replacements{{1, 1, " "}}
                                                     << "{\\rtf1 a \\par b}";
    QTest::newRow("break-alone-replaced-by-nothing") << "{\\rtf1 a\\par b}" << Replacements{{1, 1, ""}}
                                                     << QString();
    QTest::newRow("after-trailing-break") << "{\\rtf1 abc\\par}" << Replacements{{4, 0, "X"}}
                                          << "{\\rtf1 abcX\\par}";
    QTest::newRow("before-leading-break") << "{\\rtf1\\par abc}" << Replacements{{0, 0, "X"}}
                                          << "{\\rtf1\\par Xabc}";
    QTest::newRow("untouched-runs-keep-their-source")
        << "{\\rtf1 Caf\\'e9 {\\b x}}" << Replacements{{5, 1, "y"}} << "{\\rtf1 Caf\\'e9 {\\b y}}";
    QTest::newRow("no-runs") << "{\\rtf1\\par}" << Replacements{{0, 0, "X"}} << QString();
    QTest::newRow("empty-plain-document") << "" << Replacements{{0, 0, "X"}} << "X";
}

// Where each replacement's text lands among the runs, and what it removes.
void TestRichText::replaceInRuns()
{
    QFETCH(QString, document);
    QFETCH(Replacements, replacements);
    QFETCH(QString, after);
    const std::optional<QString> written =
        RtfRuns::replaceInRuns(document, RtfRuns::searchText(document), replacements);
    QCOMPARE(written.value_or(QString()), after);
    QCOMPARE(written.has_value(), !after.isNull());
}

void TestRichText::writtenTextReadsBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("runs"); // the text put into a run, read back as runs
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("plain") << "Room 12" << QStringList{"Room 12"};
    QTest::newRow("line breaks") << "one\ntwo\n\nfour\n" << QStringList{"one", "two", "four"};
    QTest::newRow("tabs") << "a\tb\t\tc" << QStringList{"a\tb\t\tc"};
    QTest::newRow("braces and backslashes") << "{x} \\par \\u233? \\{}{\\b x} }{ \\"
                                            << QStringList{"{x} \\par \\u233? \\{}{\\b x} }{ \\"};
    QTest::newRow("blank after a break") << "a\n b\n\t c" << QStringList{"a", " b", "\t c"};
    QTest::newRow("Latin-1 and beyond") << u("é ü ß € – “q” 中文")
                                        << QStringList{u("é ü ß € – “q” 中文")};
    QTest::newRow("surrogate pair") << u("clef 𝄞 and 😀!") << QStringList{u("clef 𝄞 and 😀!")};
    QTest::newRow("carriage return") << "a\r\nb" << QStringList{"a", "b"};
    QTest::newRow("digits after a character") << u("é1234 ü-5") << QStringList{u("é1234 ü-5")};
    QTest::newRow("question mark after a character") << u("é?") << QStringList{u("é?")};
}

// Whatever the text, a body written from it reads back as that text, carriage
// returns included; put into a run, whatever \uc the document sets, it reads
// back as its paragraphs. Both writers write 7-bit RTF.
void TestRichText::writtenTextReadsBack()
{
    QFETCH(QString, text);
    QFETCH(QStringList, runs);
    const QString body = RtfText::fromPlainText(text);
    QVERIFY(body.startsWith(QLatin1String("{\\rtf1")));
    QVERIFY(body.endsWith(u'}'));
    QCOMPARE(plainText(body), text);
    QCOMPARE(RtfRuns::searchText(body).text, text);
    QStringList written{body};
    for (const QString &document : {QStringLiteral("{\\rtf1\\ansi X\\par}"), QStringLiteral("{\\rtf1\\uc0 X}"),
                                    QStringLiteral("{\\rtf1\\uc3 X}"), QStringLiteral("{\\rtf1\\uc99999999 X}")}) {
        const QString after = *RtfRuns::replaceInRuns(document, RtfRuns::searchText(document), {{0, 1, text}});
        QCOMPARE(runTexts(after), runs);
        written << after;
    }
    for (const QString &rtf : written)
        for (QChar c : rtf)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7F, "RTF is 7-bit text");
}

QTEST_GUILESS_MAIN(TestRichText)
#include "tst_richtext.moc"
