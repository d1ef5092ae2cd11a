// SPDX-License-Identifier: MIT
// The settings store keeps every text exactly and refuses silent failures.
#include "testenvironment.h"
#include "textnumber.h"
#include "fieldflags.h"
#include "settingsaccess.h"

#include <QFile>
#include <QtTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void handEdited_data();
    void handEdited();
    void missingKeyGivesDefault();
    void storedEmptyIsNotDefault();
    void failedWriteRaises();
    void appNameFetchedEachTime();
    void textToLong_data();
    void textToLong();
    void loadFieldFlags();
    void loadFieldFlagsTypeMismatch();
};

void TestSettingsStore::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString();
    QTest::newRow("blanks") << QStringLiteral("  lead and trail  ");
    QTest::newRow("line-breaks") << QStringLiteral("one\ntwo\r\nthree\r");
    QTest::newRow("equals") << QStringLiteral("a=b==c");
    QTest::newRow("semicolon") << QStringLiteral("a;b ; c");
    QTest::newRow("hash") << QStringLiteral("# not a comment");
    QTest::newRow("brackets") << QStringLiteral("[Morvane]");
    QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
    QTest::newRow("backslashes") << QStringLiteral("C:\\path\\to\\n \\\\");
    QTest::newRow("comma") << QStringLiteral("Smith, John");
    QTest::newRow("at-sign") << QStringLiteral("@Variant(x)");
    QTest::newRow("non-ascii") << QStringLiteral("Zoë Ørsted – 東京 😀");
    QTest::newRow("regex") << QStringLiteral("^\\(555\\) (\\d{3})-$1 ${name} $$");
    QTest::newRow("tab") << QStringLiteral("a\tb");
}

void TestSettingsStore::roundTrip()
{
    QFETCH(QString, value);
    TestEnvironment env;
    WriteSetting(QStringLiteral("SearchFor"), value);
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QStringLiteral("default")), value);
}

void TestSettingsStore::handEdited_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("comma") << QByteArray("SearchFor=Smith, John\n") << QStringLiteral("Smith, John");
    QTest::newRow("blanks-crlf") << QByteArray("SearchFor=  padded  \r\n") << QStringLiteral("  padded  ");
    QTest::newRow("semicolon") << QByteArray("SearchFor=a;b\n") << QStringLiteral("a;b");
    QTest::newRow("equals") << QByteArray("SearchFor=x = y==z\n") << QStringLiteral("x = y==z");
    QTest::newRow("backslashes") << QByteArray("SearchFor=C:\\Users\\Data\\\n")
                                 << QStringLiteral("C:\\Users\\Data\\");
    QTest::newRow("quoted") << QByteArray("SearchFor=\"  kept, as; is \"\n")
                            << QStringLiteral("  kept, as; is ");
    // The forms the store writes itself: escapes, and quotes where a value needs them.
    QTest::newRow("written-escaped") << QByteArray("SearchFor=one\\ntwo\\t\\\\\\\"\n")
                                     << QStringLiteral("one\ntwo\t\\\"");
    QTest::newRow("written-quoted") << QByteArray("SearchFor=\" a, \\\"b\\\" \"\n")
                                    << QStringLiteral(" a, \"b\" ");
}

void TestSettingsStore::handEdited()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    TestEnvironment env;
    WriteSetting(QStringLiteral("FolderCount"), QStringLiteral("1"));
    QFile file(env.path() + QStringLiteral("/config/quenlock/QuenlockHost.ini"));
    QVERIFY(file.open(QIODevice::Append));
    file.write(line);
    file.close();
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QStringLiteral("default")), expected);
    // Saving another key rewrites the whole file; the edited text must survive it.
    WriteSetting(QStringLiteral("FolderCount"), QStringLiteral("2"));
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QStringLiteral("default")), expected);
    QCOMPARE(ReadSetting(QStringLiteral("FolderCount"), QString()), QStringLiteral("2"));
}

void TestSettingsStore::missingKeyGivesDefault()
{
    TestEnvironment env;
    QCOMPARE(ReadSetting(QStringLiteral("FolderCount"), QStringLiteral("-1")), QStringLiteral("-1"));
    WriteSetting(QStringLiteral("Other"), QStringLiteral("x"));
    QCOMPARE(ReadSetting(QStringLiteral("FolderCount"), QStringLiteral("0")), QStringLiteral("0"));
}

void TestSettingsStore::storedEmptyIsNotDefault()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("SpecialInstructions"), QString());
    QCOMPARE(ReadSetting(QStringLiteral("SpecialInstructions"), QStringLiteral("None")), QString());
}

void TestSettingsStore::failedWriteRaises()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("SearchFor"), QStringLiteral("kept"));
    const QString file = env.path() + QStringLiteral("/config/quenlock/QuenlockHost.ini");
    QVERIFY(QFile::exists(file));
    QFile::setPermissions(file, QFile::ReadOwner);
    QFile::setPermissions(env.path() + QStringLiteral("/config/quenlock"),
                          QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(file).isWritable())
        QSKIP("running as a user who can write read-only files");
    QVERIFY_THROWS_EXCEPTION(QuenlockError, WriteSetting(QStringLiteral("SearchFor"), QStringLiteral("lost")));
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QString()), QStringLiteral("kept"));
}

void TestSettingsStore::appNameFetchedEachTime()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("SearchFor"), QStringLiteral("first"));
    env.utility.appName = QStringLiteral("OtherHost");
    QCOMPARE(ReadSetting(QStringLiteral("SearchFor"), QStringLiteral("none")), QStringLiteral("none"));
}

void TestSettingsStore::textToLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("expected"); // or an error text below
    QTest::addColumn<QString>("error");
    QTest::newRow("zero") << "0" << 0ll << "";
    QTest::newRow("blanks-sign") << "  -12 " << -12ll << "";
    QTest::newRow("plus") << "+7" << 7ll << "";
    QTest::newRow("max") << "2147483647" << 2147483647ll << "";
    QTest::newRow("min") << "-2147483648" << -2147483648ll << "";
    QTest::newRow("above-max") << "2147483648" << 0ll << "Overflow";
    QTest::newRow("huge") << "99999999999999999999999" << 0ll << "Overflow";
    QTest::newRow("empty") << "" << 0ll << "Type mismatch";
    QTest::newRow("sign-only") << "-" << 0ll << "Type mismatch";
    QTest::newRow("letters") << "1a" << 0ll << "Type mismatch";
    QTest::newRow("inner-blank") << "1 2" << 0ll << "Type mismatch";
    QTest::newRow("decimal") << "1.5" << 0ll << "Type mismatch";
}

void TestSettingsStore::textToLong()
{
    QFETCH(QString, text);
    QFETCH(qint64, expected);
    QFETCH(QString, error);
    try {
        const qint32 value = ::textToLong(text);
        QVERIFY2(error.isEmpty(), "expected an error");
        QCOMPARE(qint64(value), expected);
    } catch (const QuenlockError &e) {
        QCOMPARE(e.description(), error);
    }
}

void TestSettingsStore::loadFieldFlags()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("BusinessPhone"), QStringLiteral("1"));
    WriteSetting(QStringLiteral("TaskSubject"), QStringLiteral("1"));
    FieldFlags set;
    StoreSettings settings;
    LoadFieldFlags(set, settings);
    QCOMPARE(set.flags.size(), 56);
    QVERIFY(set.chosen(QStringLiteral("BusinessPhone")));
    QVERIFY(set.chosen(QStringLiteral("TaskSubject")));
    QVERIFY(!set.chosen(QStringLiteral("AccountName")));
    QVERIFY(!set.chosen(QStringLiteral("FileAs")));
    QCOMPARE(set.specialInstructions, QStringLiteral("None"));
}

void TestSettingsStore::loadFieldFlagsTypeMismatch()
{
    TestEnvironment env;
    WriteSetting(QStringLiteral("HomeCity"), QStringLiteral("yes"));
    FieldFlags set;
    StoreSettings settings;
    QVERIFY_THROWS_EXCEPTION(QuenlockError, LoadFieldFlags(set, settings));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
