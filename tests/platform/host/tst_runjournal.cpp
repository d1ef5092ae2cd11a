// SPDX-License-Identifier: MIT
// The run journal over its SQLite file: what `runs` lists and which run an
// undo with no id picks.
#include "journalview.h"
#include "logdatabase.h"
#include "testenvironment.h"

#include <QtTest>

namespace {
// Plays a journal script, one step a line:
//   "run A,B"    a replace over folders A and B (case sensitive when "case" follows)
//   "undo N"     an undo of run N
//   "item I F"   the run changed field F of item I
//   "end N how"  it ended having saved N items: finished, error or left
//   "kill"       the process dies: what was written stays, the run never ends
void play(const QStringList &script)
{
    LogDatabase &db = LogDatabase::instance();
    for (const QString &step : script) {
        const QStringList w = step.split(u' ');
        if (w[0] == u"run" || w[0] == u"undo") {
            RunStart start{QStringLiteral("a"), QStringLiteral("b"), w.contains(u"case") ? 1 : 0, QString(), {}, 0, {}};
            if (w[0] == u"run")
                start.folders = w[1].split(u',');
            else
                start.undoes = w[1].toLongLong();
            db.beginRun(start);
        } else if (w[0] == u"item") {
            db.recordChange({QStringLiteral("S"), QStringLiteral("contacts"), w[1], w[2], QStringLiteral("a"),
                             QStringLiteral("b")});
        } else if (w[0] == u"end") {
            const RunEnd how = w[2] == u"finished" ? RunEnd::Finished : w[2] == u"error" ? RunEnd::Error : RunEnd::ItemsLeft;
            db.endRun(w[1].toInt(), how);
        } else {
            db.close();
        }
    }
}

// "id folders case changed state undone-by undoes" as `runs` shows them.
QString shown(const LogDatabase::RunEntry &run)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
        .arg(run.id)
        .arg(run.start.folders.join(u','), QString::number(run.start.caseValue))
        .arg(run.changed)
        .arg(JournalView::state(run))
        .arg(run.undoneBy)
        .arg(run.start.undoes);
}
} // namespace

class TestRunJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runs_data();
    void runs();
};

void TestRunJournal::runs_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("listed"); // newest first
    QTest::addColumn<int>("last");           // the run an undo with no id picks; 0: none

    QTest::newRow("finished") << QStringList{"run A,B case", "item c1 F1", "item c1 F2", "end 1 finished"}
                              << QStringList{"1 A,B 1 1 finished 0 0"} << 1;
    QTest::newRow("stopped at an error") << QStringList{"run A", "item c1 F1", "end 1 error"}
                                         << QStringList{"1 A 0 1 stopped at an error 0 0"} << 1;
    // Items, not fields: the undo's question and the table count items.
    QTest::newRow("cut short counts the items journaled")
        << QStringList{"run A", "item c1 F1", "item c1 F2", "item c2 F1", "kill"}
        << QStringList{"1 A 0 2 cut short 0 0"} << 1;
    QTest::newRow("a run that changed nothing is not the last")
        << QStringList{"run A", "item c1 F1", "end 1 finished", "run A", "end 0 finished"}
        << QStringList{"2 A 0 0 finished 0 0", "1 A 0 1 finished 0 0"} << 1;
    QTest::newRow("an undo marks its run undone and is not the last")
        << QStringList{"run A", "item c1 F1", "end 1 finished", "undo 1", "item c1 F1", "end 1 finished"}
        << QStringList{"2  0 1 finished 0 1", "1 A 0 1 finished 2 0"} << 1;
    QTest::newRow("an undo that left items marks nothing")
        << QStringList{"run A", "item c1 F1", "item c2 F1", "end 2 finished", "undo 1", "item c1 F1", "end 1 left"}
        << QStringList{"2  0 1 finished, items left as they were 0 1", "1 A 0 2 finished 0 0"} << 1;
    QTest::newRow("undoing the undo clears the run's mark")
        << QStringList{"run A", "item c1 F1", "end 1 finished", "undo 1", "item c1 F1", "end 1 finished",
                       "undo 2", "item c1 F1", "end 1 finished"}
        << QStringList{"3  0 1 finished 0 2", "2  0 1 finished 3 1", "1 A 0 1 finished 0 0"} << 1;
}

void TestRunJournal::runs()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, listed);
    QFETCH(int, last);
    TestEnvironment env;

    play(script);
    LogDatabase::instance().close(); // read back from the file

    const QList<LogDatabase::RunEntry> runs = LogDatabase::instance().runs();
    QStringList lines;
    for (const auto &run : runs)
        lines << shown(run);
    QCOMPARE(lines, listed);
    const auto picked = JournalView::findRun(runs, 0);
    QCOMPARE(picked ? picked->id : 0, qint64(last));
}

QTEST_GUILESS_MAIN(TestRunJournal)
#include "tst_runjournal.moc"
