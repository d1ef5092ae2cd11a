// SPDX-License-Identifier: MIT
// The progress line a run draws on a terminal, on a fake clock.
#include "terminalprogress.h"

#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

using Steps = QList<QPair<int, int>>; // (milliseconds into the folder, item)

class TestTerminalProgress : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void line_data();
    void line();
};

void TestTerminalProgress::line_data()
{
    QTest::addColumn<int>("total");
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QString>("drawn");

    // At most ten redraws a second, but a folder's last item always.
    QTest::newRow("a fast folder's last item is drawn")
        << 3 << Steps{{0, 1}, {10, 2}, {20, 3}}
        << QStringLiteral("\rFolder: Work: 1 of 3 items\x1b[K\rFolder: Work: 3 of 3 items\x1b[K\n");
    QTest::newRow("rate and time left after half a second")
        << 1000 << Steps{{0, 1}, {99, 2}, {600, 300}}
        << QStringLiteral("\rFolder: Work: 1 of 1000 items\x1b[K"
                          "\rFolder: Work: 300 of 1000 items, 500 items/s, 0:01 left\x1b[K\n");
}

void TestTerminalProgress::line()
{
    QFETCH(int, total);
    QFETCH(Steps, steps);
    QFETCH(QString, drawn);

    QTemporaryFile file;
    QVERIFY(file.open());
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    {
        qint64 now = 5000; // the folder starts some time into the run
        TerminalProgress progress(true, [&now] { return now; });
        progress.showFolder(QStringLiteral("Folder: Work"));
        const qint64 start = now;
        progress.setItemRange(total);
        for (const auto &[ms, item] : steps) {
            now = start + ms;
            progress.setItem(item);
        }
        progress.finish();
    }
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);

    file.seek(0);
    QCOMPARE(QString::fromLocal8Bit(file.readAll()), drawn);
}

QTEST_GUILESS_MAIN(TestTerminalProgress)
#include "tst_terminalprogress.moc"
