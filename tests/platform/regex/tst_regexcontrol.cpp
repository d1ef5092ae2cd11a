// SPDX-License-Identifier: MIT
// The PCRE2 text control: matching, replacement syntax, errors and limits.
#include "pcre2regexcontrol.h"

#include <QTest>

struct MatchCase
{
    QString text, pattern;
    bool caseSensitive;
    int count, start, length;
};
Q_DECLARE_METATYPE(MatchCase)

struct ReplaceCase
{
    QString text, pattern, replacement;
    bool caseSensitive;
    QString after;
};
Q_DECLARE_METATYPE(ReplaceCase)

class TestRegexControl : public QObject
{
    Q_OBJECT

private slots:
    void matching_data();
    void matching();
    void replacing_data();
    void replacing();
    void replacementsOfEachMatch_data();
    void replacementsOfEachMatch();
    void errors_data();
    void errors();
    void catastrophicPatternFails_data();
    void catastrophicPatternFails();
    void caseChangeAfterPattern();
    void matchesDescribeRewrittenText();
};

void TestRegexControl::matching_data()
{
    QTest::addColumn<MatchCase>("c");
    QTest::newRow("case-insensitive") << MatchCase{"Alpha Beta", "a", false, 3, 0, 1};
    QTest::newRow("case-sensitive") << MatchCase{"Alpha Beta", "a", true, 2, 4, 1};
    QTest::newRow("no-match") << MatchCase{"Alpha Beta", "x", false, 0, 0, 0};
    QTest::newRow("empty-pattern-matches-nothing") << MatchCase{"ab", "", false, 0, 0, 0};
    QTest::newRow("empty-pattern-empty-text") << MatchCase{"", "", true, 0, 0, 0};
    QTest::newRow("empty-text") << MatchCase{"", "x", true, 0, 0, 0};
    QTest::newRow("empty-text-can-match-empty") << MatchCase{"", "^$", true, 1, 0, 0};
    QTest::newRow("empty-matches-once-per-place") << MatchCase{"ab", "x*", true, 3, 0, 0};
    QTest::newRow("non-overlapping") << MatchCase{"aaaa", "aa", true, 2, 0, 2};
    QTest::newRow("metacharacters-are-regex") << MatchCase{"(555) 123", "\\(555\\)", true, 1, 0, 5};
    QTest::newRow("dot-is-any-character") << MatchCase{"a.b", ".", true, 3, 0, 1};
    QTest::newRow("unicode-case-folding") << MatchCase{"GRÜN grün", "ü", false, 2, 2, 1};
    QTest::newRow("unicode-word-class") << MatchCase{"Müller & Søn", "\\w+", true, 2, 0, 6};
    QTest::newRow("surrogate-pair-is-one-character")
        << MatchCase{QString::fromUtf8("a\xF0\x9F\x98\x80" "b"), ".", true, 3, 0, 1};
    QTest::newRow("positions-in-code-units")
        << MatchCase{QString::fromUtf8("\xF0\x9F\x98\x80" "b"), "b", true, 1, 2, 1};
    QTest::newRow("lone-surrogate-in-text")
        << MatchCase{QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b"), "b", true, 1, 2, 1};
    QTest::newRow("anchors") << MatchCase{"line one\nline two", "^line", true, 1, 0, 4};
    QTest::newRow("catastrophic-shape-on-short-text") << MatchCase{"aaaa", "(a+)+$", true, 1, 0, 4};
}

void TestRegexControl::matching()
{
    QFETCH(MatchCase, c);
    Pcre2RegexControl control;
    control.setCaseSensitive(c.caseSensitive);
    control.setText(c.text);
    control.setPattern(c.pattern);
    QCOMPARE(control.matchCount(), c.count);
    QCOMPARE(control.matchStart(), c.start);
    QCOMPARE(control.matchLength(), c.length);
    QCOMPARE(control.text(), c.text);
}

void TestRegexControl::replacing_data()
{
    QTest::addColumn<ReplaceCase>("c");
    QTest::newRow("every-match-case-insensitive")
        << ReplaceCase{"Alpha Beta", "a", "b", false, "blphb Betb"};
    QTest::newRow("every-match-case-sensitive")
        << ReplaceCase{"Alpha Beta", "a", "b", true, "Alphb Betb"};
    QTest::newRow("no-match-leaves-text") << ReplaceCase{"Alpha", "x", "y", true, "Alpha"};
    QTest::newRow("empty-pattern-changes-nothing") << ReplaceCase{"ab", "", "X", true, "ab"};
    QTest::newRow("empty-replacement-removes-every-match")
        << ReplaceCase{"5 Main 5", "5", "", true, " Main "};
    QTest::newRow("replacement-equal-to-search") << ReplaceCase{"abc", "b", "b", true, "abc"};
    QTest::newRow("numbered-groups")
        << ReplaceCase{"John Smith", "(\\w+) (\\w+)", "$2, $1", true, "Smith, John"};
    QTest::newRow("braced-group") << ReplaceCase{"abc", "(b)", "${1}1", true, "ab1c"};
    QTest::newRow("named-group") << ReplaceCase{"tel 555", "(?<area>\\d+)", "(${area})", true, "tel (555)"};
    QTest::newRow("whole-match") << ReplaceCase{"abc", "b", "<$0>", true, "a<b>c"};
    QTest::newRow("dollar-dollar-is-literal") << ReplaceCase{"price", "price", "$$5", true, "$5"};
    // A $ that starts no reference stands for itself.
    QTest::newRow("lone-dollar-at-end") << ReplaceCase{"5 USD", " USD", " US$", true, "5 US$"};
    QTest::newRow("lone-dollar-before-blank-and-letter")
        << ReplaceCase{"(x)", "x", "$ $a $0", true, "($ $a x)"};
    QTest::newRow("backslashes-stand-for-themselves")
        << ReplaceCase{"a", "a", "\\n\\1\\\\", true, "\\n\\1\\\\"};
    QTest::newRow("unset-group-is-empty") << ReplaceCase{"b", "(a)|b", "[$1]", true, "[]"};
    QTest::newRow("empty-matches-perl-style") << ReplaceCase{"ab", "x*", "-", true, "-a-b-"};
    QTest::newRow("non-ascii-replacement")
        << ReplaceCase{"Cafe", "e$", QString::fromUtf8("\xC3\xA9"), true, QString::fromUtf8("Caf\xC3\xA9")};
    QTest::newRow("growing-text")
        << ReplaceCase{QString(300, u'a'), "a", "bbbbb", true, QString(1500, u'b')};
}

void TestRegexControl::replacing()
{
    QFETCH(ReplaceCase, c);
    Pcre2RegexControl control;
    control.setCaseSensitive(c.caseSensitive);
    control.setText(c.text);
    control.setPattern(c.pattern);
    control.setReplacement(c.replacement);
    QCOMPARE(control.text(), c.after);
}

void TestRegexControl::replacementsOfEachMatch_data()
{
    QTest::addColumn<ReplaceCase>("c");
    QTest::addColumn<QStringList>("matches"); // "start+length:replacement text"
    QTest::newRow("groups-of-each-match")
        << ReplaceCase{"Lee, Ann; Bo, Cy", "(\\w+), (\\w+)", "$2 $1", true, "Ann Lee; Cy Bo"}
        << QStringList{"0+8:Ann Lee", "10+6:Cy Bo"};
    QTest::newRow("empty-matches-perl-style")
        << ReplaceCase{"ab", "x*", "-", true, "-a-b-"} << QStringList{"0+0:-", "1+0:-", "2+0:-"};
    QTest::newRow("look-behind-sees-the-whole-text")
        << ReplaceCase{"abab", "(?<=a)b", "X", true, "aXaX"} << QStringList{"1+1:X", "3+1:X"};
    QTest::newRow("caret-is-text-start")
        << ReplaceCase{"ab\nab", "^a", "X", true, "Xb\nab"} << QStringList{"0+1:X"};
    QTest::newRow("whole-match-and-unset-group")
        << ReplaceCase{"ba", "(a)|b", "[$1$0]", true, "[b][aa]"} << QStringList{"0+1:[b]", "1+1:[aa]"};
    QTest::newRow("positions-in-code-units")
        << ReplaceCase{QString::fromUtf8("\xF0\x9F\x98\x80" "b"), "b", "$0$0", true,
                       QString::fromUtf8("\xF0\x9F\x98\x80" "bb")}
        << QStringList{"2+1:bb"};
    QTest::newRow("empty-replacement") << ReplaceCase{"a5b5", "5", "", true, "ab"} << QStringList{"1+1:", "3+1:"};
    QTest::newRow("no-match") << ReplaceCase{"abc", "x", "y", true, "abc"} << QStringList{};
    QTest::newRow("empty-pattern") << ReplaceCase{"abc", "", "y", true, "abc"} << QStringList{};
}

// The listed matches are the ones setReplacement replaces, with the same
// replacement text each; the text stays.
void TestRegexControl::replacementsOfEachMatch()
{
    QFETCH(ReplaceCase, c);
    QFETCH(QStringList, matches);
    Pcre2RegexControl control;
    control.setCaseSensitive(c.caseSensitive);
    control.setText(c.text);
    control.setPattern(c.pattern);
    QStringList listed;
    QString rebuilt;
    int at = 0;
    for (const RegexControl::Replacement &r : control.replacements(c.replacement)) {
        listed << QStringLiteral("%1+%2:%3").arg(r.start).arg(r.length).arg(r.text);
        rebuilt += c.text.mid(at, r.start - at) + r.text;
        at = r.start + r.length;
    }
    QCOMPARE(listed, matches);
    QCOMPARE(rebuilt + c.text.mid(at), c.after);
    QCOMPARE(control.text(), c.text);
    control.setReplacement(c.replacement);
    QCOMPARE(control.text(), c.after);
}

void TestRegexControl::errors_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement"); // null: only count matches
    QTest::addColumn<QString>("description");
    QTest::newRow("unclosed-group") << "(ab" << QString()
                                    << "Invalid pattern at offset 3: missing closing parenthesis";
    QTest::newRow("unclosed-class") << "[a" << QString()
                                    << "Invalid pattern at offset 2: missing terminating ] for character class";
    QTest::newRow("nothing-to-repeat") << "*a" << QString()
                                       << "Invalid pattern at offset 0: quantifier does not follow a repeatable item";
    QTest::newRow("invalid-pattern-on-replace") << "(ab" << "x"
                                                << "Invalid pattern at offset 3: missing closing parenthesis";
    QTest::newRow("missing-group") << "(a)" << "$2" << "Invalid replacement at offset 2: ";
    // The offset counts in the replacement as typed.
    QTest::newRow("missing-group-after-lone-dollars") << "(a)" << "$ $a$2" << "Invalid replacement at offset 6: ";
    QTest::newRow("missing-group-99") << "(a)" << "[$99]" << "Invalid replacement at offset ";
    QTest::newRow("unclosed-brace") << "(a)" << "${1" << "Invalid replacement at offset ";
}

void TestRegexControl::errors()
{
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, description);
    Pcre2RegexControl control;
    control.setText(QStringLiteral("a (ab) a"));
    control.setPattern(pattern);
    // Both roles that replace check the replacement the same way.
    for (int role = 0; role < (replacement.isNull() ? 1 : 2); ++role) {
        try {
            if (replacement.isNull())
                (void)control.matchCount();
            else if (role == 0)
                control.setReplacement(replacement);
            else
                (void)control.replacements(replacement);
            QFAIL("no error raised");
        } catch (const QuenlockError &e) {
            QVERIFY2(e.description().startsWith(description), qPrintable(e.description()));
        }
        QCOMPARE(control.text(), QStringLiteral("a (ab) a"));
    }
}

void TestRegexControl::catastrophicPatternFails_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("replace");
    QTest::newRow("nested-plus-count") << "(a+)+$" << QString(40, u'a') + u'!' << false;
    QTest::newRow("nested-plus-replace") << "(a+)+$" << QString(40, u'a') + u'!' << true;
    QTest::newRow("nested-star-caseless") << "(A*)*$" << QString(39, u'a') + u'!' << false;
    QTest::newRow("word-groups") << "(\\w+\\s?)+$" << QString(40, u'a') + u'!' << true;
    QTest::newRow("alternation") << "(a|aa)+$" << QString(60, u'a') + u'!' << false;
}

// Unlimited, these searches take longer than the universe has; a limit turns
// them into an error the processor logs instead of a hang or a false "no match".
void TestRegexControl::catastrophicPatternFails()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, replace);
    Pcre2RegexControl control;
    control.setCaseSensitive(false);
    control.setText(text);
    control.setPattern(pattern);
    try {
        if (replace)
            control.setReplacement(QStringLiteral("x"));
        else
            (void)control.matchCount();
        QFAIL("no error raised");
    } catch (const QuenlockError &e) {
        QVERIFY2(e.description().startsWith(
                     QLatin1String("Search abandoned: the pattern is too complex for this text (")),
                 qPrintable(e.description()));
    }
    QCOMPARE(control.text(), text);
}

// The compiled-pattern cache is keyed by case too: a case change after the
// pattern was set must not reuse the other compilation.
void TestRegexControl::caseChangeAfterPattern()
{
    Pcre2RegexControl control;
    control.setText(QStringLiteral("ACME acme"));
    control.setPattern(QStringLiteral("acme"));
    control.setCaseSensitive(true);
    QCOMPARE(control.matchCount(), 1);
    QCOMPARE(control.matchStart(), 5);
    control.setCaseSensitive(false);
    QCOMPARE(control.matchCount(), 2);
    QCOMPARE(control.matchStart(), 0);
    control.setPattern(QStringLiteral("ACME"));
    control.setCaseSensitive(true);
    QCOMPARE(control.matchCount(), 1);
    QCOMPARE(control.matchStart(), 0);
    control.setPattern(QStringLiteral("acme"));
    QCOMPARE(control.matchCount(), 1);
    QCOMPARE(control.matchStart(), 5);
}

void TestRegexControl::matchesDescribeRewrittenText()
{
    Pcre2RegexControl control;
    control.setText(QStringLiteral("a-a-a"));
    control.setPattern(QStringLiteral("a"));
    QCOMPARE(control.matchCount(), 3);
    control.setReplacement(QStringLiteral("bb"));
    QCOMPARE(control.text(), QStringLiteral("bb-bb-bb"));
    QCOMPARE(control.matchCount(), 0);
    control.setText(QStringLiteral("xa"));
    QCOMPARE(control.matchCount(), 1);
    QCOMPARE(control.matchStart(), 1);
}

QTEST_GUILESS_MAIN(TestRegexControl)
#include "tst_regexcontrol.moc"
