// SPDX-License-Identifier: MIT
// The body set as RTF, and the value encodings of vCard 2.1 and 3.0.
#include "testenvironment.h"
#include "pimtesting.h"
#include "rtftext.h"
#include "vtext.h"

class TestPimText : public QObject
{
    Q_OBJECT

private slots:
    void rtfBodyWritesThePlainBody();
    void quotedPrintableLines_data();
    void quotedPrintableLines();
    void foldingKeepsCharactersWhole_data();
    void foldingKeepsCharactersWhole();
    void bodiesReadAcrossFolds_data();
    void bodiesReadAcrossFolds();
    void hugeDurationOverflows();
    void windows1252BodyKeepsItsBytes();
};

void TestPimText::rtfBodyWritesThePlainBody()
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

void TestPimText::quotedPrintableLines_data()
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
void TestPimText::quotedPrintableLines()
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

void TestPimText::foldingKeepsCharactersWhole_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("ASCII") << QString(200, u'a');
    QTest::newRow("two-octet") << QStringLiteral("NOTE:") + QString(100, QChar(0xE9));
    QTest::newRow("three-octet") << QStringLiteral("NOTE:x") + QString(100, QChar(0x20AC));
    QTest::newRow("four-octet") << QStringLiteral("NOTE:") + QString::fromUtf8("𝄞").repeated(40);
    QTest::newRow("exactly 75") << QString(75, u'b');
}

void TestPimText::foldingKeepsCharactersWhole()
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

void TestPimText::bodiesReadAcrossFolds_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QByteArray>("note"); // the NOTE line as written, CRLF line ends
    QTest::addColumn<QString>("body");
    const QString long_ = QString::fromUtf8("Zoë, ").repeated(3000);
    QTest::newRow("many folds") << QByteArray("3.0")
        << VText::fold("NOTE:" + VText::escapeText(long_, VText::Dialect::VCard30, false).toUtf8(), "\r\n") << long_;
    QTest::newRow("tab and empty continuation") << QByteArray("3.0") << QByteArray("NOTE:ab\r\n\tc\r\n \r\n d") << "abcd";
    QTest::newRow("header goes on over lines") << QByteArray("3.0") << QByteArray("NOTE;LANGUAGE=\r\n en:te\r\n xt") << "text";
    QTest::newRow("colon ends the first line") << QByteArray("3.0") << QByteArray("NOTE:\r\n text") << "text";
    QTest::newRow("escapes") << QByteArray("4.0") << QByteArray("NOTE:a\\nb\\,c\\\\d\\") << "a\nb,c\\d\\";
    QTest::newRow("2.1 backslashes stay") << QByteArray("2.1") << QByteArray("NOTE:a\\nb") << "a\\nb";
    QTest::newRow("2.1 soft breaks") << QByteArray("2.1")
        << QByteArray("NOTE;ENCODING=QUOTED-PRINTABLE:a=3D=\r\n=3Db=0D=0A=\r\n c") << "a==b\n c";
    // Only the encoding parameter makes a "=" at the end a soft break; read
    // as one, this value swallowed the next line.
    QTest::newRow("encoding-like parameter is no encoding") << QByteArray("2.1")
        << QByteArray("NOTE;X-QUOTED-PRINTABLE=1:a=") << "a=";
}

// A value is unfolded (and decoded) only when read; what a read gives does
// not depend on how the lines were folded.
void TestPimText::bodiesReadAcrossFolds()
{
    QFETCH(QByteArray, version);
    QFETCH(QByteArray, note);
    QFETCH(QString, body);
    TestEnvironment env;
    Scratch s;
    s.write(QStringLiteral("n.vcf"), "BEGIN:VCARD\r\nVERSION:" + version + "\r\nFN:N\r\n" + note
                                         + "\r\nTEL;TYPE=CELL:1\r\nEND:VCARD\r\n");
    auto w = s.wrap(QStringLiteral("n.vcf"));
    QCOMPARE(w->read(QStringLiteral("Body")), body);
    QCOMPARE(w->read(QStringLiteral("MobileTelephoneNumber")), QStringLiteral("1"));
}

// Weeks by the trillion must stop with an error, not wrap around.
void TestPimText::hugeDurationOverflows()
{
    TestEnvironment env;
    Scratch s;
    s.write(QStringLiteral("t.ics"), "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:t\r\n"
                                     "ESTIMATED-DURATION:P" + QByteArray("999999999999W").repeated(16)
                                     + "\r\nEND:VTODO\r\nEND:VCALENDAR\r\n");
    auto w = s.wrap(QStringLiteral("t.ics"));
    try {
        w->read(QStringLiteral("TotalWork"));
        QFAIL("no error");
    } catch (const QuenlockError &e) {
        QCOMPARE(e.description(), QStringLiteral("Overflow"));
    }
}

// Bytes that Windows-1252 leaves undefined decode as the control characters
// of the same number and go back as the same bytes when the body changes.
void TestPimText::windows1252BodyKeepsItsBytes()
{
    TestEnvironment env;
    Scratch s;
    s.write(QStringLiteral("c.vcf"), "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Jo\r\nFN:Jo Doe\r\n"
                                      "NOTE;CHARSET=WINDOWS-1252;ENCODING=QUOTED-PRINTABLE:Caf=E9 =81=8D=8F=90=9D end\r\n"
                                      "END:VCARD\r\n");
    auto w = s.wrap(QStringLiteral("c.vcf"));
    w->write(QStringLiteral("Body"), w->read(QStringLiteral("Body")).replace(QStringLiteral("end"), QStringLiteral("fin")));
    w->Save();
    const QByteArray after = readFile(s.filePath(QStringLiteral("c.vcf")));
    QVERIFY2(after.contains("NOTE;CHARSET=WINDOWS-1252;ENCODING=QUOTED-PRINTABLE:Caf=E9 =81=8D=8F=90=9D =\r\nfin\r\n"),
             after.constData());
}

QTEST_GUILESS_MAIN(TestPimText)
#include "tst_pimtext.moc"
