// SPDX-License-Identifier: MIT
// An account's rules before any request: which urls it may use, and its password command.
#include "davaccount.h"
#include "quenlockerror.h"

#include <QtTest>

class TestDavAccount : public QObject
{
    Q_OBJECT

private slots:
    void plainHttpOnlyToThisMachine_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("insecure");
        QTest::addColumn<QString>("refusal"); // a piece of the message, empty when the url is taken
        QTest::newRow("https") << "https://dav.example.org/" << false << "";
        QTest::newRow("http elsewhere") << "http://dav.example.org/" << false << "unencrypted to dav.example.org";
        QTest::newRow("http elsewhere, insecure") << "http://dav.example.org/" << true << "";
        QTest::newRow("private network") << "http://10.0.0.1:5232/" << false << "unencrypted";
        QTest::newRow("localhost") << "http://LocalHost:5232/" << false << "";
        QTest::newRow("127.0.0.9") << "http://127.0.0.9/" << false << "";
        QTest::newRow("::1") << "http://[::1]:5232/ann/" << false << "";
        QTest::newRow("no scheme") << "dav.example.org" << false << "no usable url";
        QTest::newRow("another scheme") << "ftp://dav.example.org/" << true << "no usable url";
    }
    void plainHttpOnlyToThisMachine()
    {
        QFETCH(QString, url);
        QFETCH(bool, insecure);
        QFETCH(QString, refusal);
        const QString said = Dav::Account::refusal({QStringLiteral("home"), QUrl(url), {}, {}, {}, insecure});
        if (refusal.isEmpty())
            QCOMPARE(said, QString());
        else
            QVERIFY2(said.contains(refusal), qPrintable(said));
    }

    void passwordCommand_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("password"); // or a piece of the error
        QTest::addColumn<bool>("fails");
        QTest::newRow("first line") << "printf 'pw1\\nsecond\\n'" << "pw1" << false;
        QTest::newRow("CRLF") << "printf 'pw2\\r\\n'" << "pw2" << false;
        QTest::newRow("quoted word, blanks kept") << "printf '%s' ' a b '" << " a b " << false;
        QTest::newRow("no shell") << "echo $HOME;x" << "$HOME;x" << false;
        QTest::newRow("none") << "" << "" << false;
        QTest::newRow("fails") << "sh -c 'echo topsecret; exit 3'" << "failed with exit status 3" << true;
        QTest::newRow("missing") << "/nonexistent/keyring lookup" << "cannot be started" << true;
    }
    void passwordCommand()
    {
        QFETCH(QString, command);
        QFETCH(QString, password);
        QFETCH(bool, fails);
        const Dav::Account account({QStringLiteral("home"), QUrl(), QStringLiteral("ann"), command, {}, false});
        try {
            const QString got = account.password();
            QVERIFY(!fails);
            QCOMPARE(got, password);
        } catch (const QuenlockError &e) {
            QVERIFY2(fails, qPrintable(e.description()));
            QVERIFY2(e.description().contains(password), qPrintable(e.description()));
            QVERIFY2(!e.description().contains(u"topsecret"), qPrintable(e.description())); // never its output
        }
    }
};

QTEST_GUILESS_MAIN(TestDavAccount)
#include "tst_davaccount.moc"
