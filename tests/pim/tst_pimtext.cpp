// SPDX-License-Identifier: MIT
// The body as RTF and the value encodings of vCard 2.1 and 3.0.
#include "testenvironment.h"
#include "pimtesting.h"
#include "rtftext.h"
#include "vtext.h"

class tst_PimText : public QObject
{
    Q_OBJECT

private slots:
    void plainTextSurvivesRtf_data();
    void plainTextSurvivesRtf();
    void readsRtfFromOtherWriters_data();
    void readsRtfFromOtherWriters();
    void rtfBodyWritesThePlainBody();
    void quotedPrintableLines_data();
    void quotedPrintableLines();
    void foldingKeepsCharactersWhole_data();
    void foldingKeepsCharactersWhole();
};

void tst_PimText::plainTextSurvivesRtf_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("plain") << "Room 12";
    QTest::newRow("line breaks") << "one\ntwo\n\nfour\n";
    QTest::newRow("tabs") << "a\tb\t\tc";
    QTest::newRow("braces and backslashes") << "{x} \\par \\u233? }{ \\";
    QTest::newRow("blank after a break") << "a\n b\n\t c";
    QTest::newRow("Latin-1 and beyond") << QString::fromUtf8("é ü ß € – “q” 中文");
    QTest::newRow("surrogate pair") << QString::fromUtf8("clef 𝄞 and 😀!");
    QTest::newRow("carriage return kept") << "a\r\nb";
    QTest::newRow("digits after a character") << QString::fromUtf8("é1234 ü-5");
}

void tst_PimText::plainTextSurvivesRtf()
{
    QFETCH(QString, text);
    const QString rtf = RtfText::fromPlainText(text);
    QVERIFY(rtf.startsWith(QLatin1String("{\\rtf1")));
    QVERIFY(rtf.endsWith(u'}'));
    for (QChar c : rtf)
        QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7F, "RTF is 7-bit text");
    QCOMPARE(RtfText::toPlainText(rtf).value_or(QStringLiteral("<not RTF>")), text);
}

void tst_PimText::readsRtfFromOtherWriters_data()
{
    QTest::addColumn<QString>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("font and colour tables") << "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
        "{\\colortbl;\\red0\\green0\\blue0;}\\f0\\fs20 Hello\\par World}" << "Hello\nWorld";
    QTest::newRow("ignorable destination") << "{\\rtf1{\\*\\generator Riched20;}Text}" << "Text";
    QTest::newRow("ANSI escape") << "{\\rtf1\\ansi caf\\'e9 \\'80}" << QString::fromUtf8("café €");
    QTest::newRow("two fallback characters") << "{\\rtf1\\uc2\\u8364 EUx}" << QString::fromUtf8("€x");
    QTest::newRow("negative unicode") << "{\\rtf1\\u-257?}" << QString(QChar(0xFEFF));
    QTest::newRow("line and tab") << "{\\rtf1 a\\line b\\tab c}" << "a\nb\tc";
    QTest::newRow("raw line breaks are no text") << "{\\rtf1 a\r\nb}" << "ab";
    QTest::newRow("group formatting") << "{\\rtf1 plain {\\b bold} end}" << "plain bold end";
    QTest::newRow("unbalanced end") << "{\\rtf1 cut" << "cut";
}

void tst_PimText::readsRtfFromOtherWriters()
{
    QFETCH(QString, rtf);
    QFETCH(QString, text);
    QCOMPARE(RtfText::toPlainText(rtf).value_or(QStringLiteral("<not RTF>")), text);
}

void tst_PimText::rtfBodyWritesThePlainBody()
{
    TestEnvironment env;
    Scratch s({QStringLiteral("golden/contact30-min.vcf")});
    auto w = s.wrap(QStringLiteral("contact30-min.vcf"));
    w->write(QStringLiteral("RTFBody"), QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Gr\\u252?n; x\\par y, z}"));
    QCOMPARE(w->read(QStringLiteral("Body")), QString::fromUtf8("Grün; x\ny, z"));
    QCOMPARE(w->read(QStringLiteral("RTFBody")), RtfText::fromPlainText(QString::fromUtf8("Grün; x\ny, z")));
    w->Save();
    QVERIFY(readFile(s.filePath("contact30-min.vcf")).contains("NOTE:Gr\xc3\xbcn\\; x\\ny\\, z\r\n"));
}

void tst_PimText::quotedPrintableLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("header");
    QTest::newRow("short") << QByteArray("Erste\nZweite") << 52;
    QTest::newRow("long ASCII") << QByteArray(200, 'x') << 30;
    QTest::newRow("long 8-bit") << QByteArray(90, char(0xFC)) << 10;
    QTest::newRow("blanks at the breaks") << QByteArray("a").append(QByteArray(300, ' ')).append('b') << 0;
    QTest::newRow("equals signs") << QByteArray(120, '=') << 5;
    QTest::newRow("trailing blank") << QByteArray("end ") << 70;
    QTest::newRow("CRLF") << QByteArray("one\r\ntwo\rthree") << 20;
}

// Every physical line fits in 76 octets, no continuation starts with a
// blank, and decoding gives the bytes back (line breaks as CRLF).
void tst_PimText::quotedPrintableLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, header);
    const QByteArray encoded = VText::encodeQuotedPrintable(bytes, header, "\r\n");
    const QList<QByteArray> lines = encoded.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray l = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        QVERIFY2((i == 0 ? header : 0) + l.size() <= 76, l.constData());
        if (i > 0)
            QVERIFY(!l.startsWith(' ') && !l.startsWith('\t'));
        if (i + 1 < lines.size())
            QVERIFY(l.endsWith('='));
    }
    const QByteArray joined = QByteArray(encoded).replace("=\r\n", "");
    QByteArray expected = bytes;
    expected.replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    QCOMPARE(VText::decodeQuotedPrintable(joined), expected);
    QVERIFY(!encoded.endsWith(' '));
}

void tst_PimText::foldingKeepsCharactersWhole_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("ASCII") << QString(200, u'a');
    QTest::newRow("two-octet") << QStringLiteral("NOTE:") + QString(100, QChar(0xE9));
    QTest::newRow("three-octet") << QStringLiteral("NOTE:x") + QString(100, QChar(0x20AC));
    QTest::newRow("four-octet") << QStringLiteral("NOTE:") + QString::fromUtf8("𝄞").repeated(40);
    QTest::newRow("exactly 75") << QString(75, u'b');
}

void tst_PimText::foldingKeepsCharactersWhole()
{
    QFETCH(QString, line);
    const QByteArray folded = VText::fold(line.toUtf8(), "\n");
    const QList<QByteArray> parts = folded.split('\n');
    QByteArray unfolded;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QVERIFY(parts[i].size() <= 75);
        QVERIFY(VText::isValidUtf8(parts[i].constData(), parts[i].size()));
        unfolded += i == 0 ? parts[i] : parts[i].mid(1);
    }
    QCOMPARE(QString::fromUtf8(unfolded), line);
}

QTEST_GUILESS_MAIN(tst_PimText)
#include "tst_pimtext.moc"
