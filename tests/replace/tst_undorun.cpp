// SPDX-License-Identifier: MIT
// The undo of a journaled run over an in-memory Outlook: what it gives back,
// what it leaves, and how it ends in the journal.
#include "memoryhost.h"
#include "memoryoutlook.h"
#include "progids.h"
#include "recordingprogress.h"
#include "runlogs.h"
#include "testenvironment.h"
#include "undorun.h"

#include <QtTest>

namespace {
const QString Field = QStringLiteral("CompanyName");

// "store/item:old>new" per journaled change, in run order; every item is a
// contact in its store's folder "contacts".
QList<PlannedChange> changes(const QStringList &rows)
{
    QList<PlannedChange> list;
    for (const QString &row : rows) {
        const QStringList where = row.section(u':', 0, 0).split(u'/');
        const QStringList values = row.section(u':', 1).split(u'>');
        list.append({where[0], QStringLiteral("contacts"), where[1], Field, values[0], values[1]});
    }
    return list;
}
} // namespace

using Values = QMap<QString, QString>; // "store/item" -> the field's value

class TestUndoRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void undo_data();
    void undo();
};

void TestUndoRun::undo_data()
{
    QTest::addColumn<QStringList>("journaled");
    QTest::addColumn<Values>("now");   // before the undo
    QTest::addColumn<Values>("after"); // after it
    QTest::addColumn<int>("saves");
    QTest::addColumn<RunEnd>("end");

    // A folder listed twice: the second pass changed what the first wrote.
    QTest::newRow("field changed twice goes back to its first value")
        << QStringList{"S1/c1:Acme>Apex", "S1/c1:Apex>Apex Ltd"} << Values{{"S1/c1", "Apex Ltd"}}
        << Values{{"S1/c1", "Acme"}} << 1 << RunEnd::Finished;
    // The run stays open to another undo once the edit is mended.
    QTest::newRow("an item skipped marks nothing undone")
        << QStringList{"S1/c1:Acme>Apex", "S1/c2:Acme>Apex"} << Values{{"S1/c1", "Edited"}, {"S1/c2", "Apex"}}
        << Values{{"S1/c1", "Edited"}, {"S1/c2", "Acme"}} << 1 << RunEnd::ItemsLeft;
    // An undo cut short is finished by the next: what is back needs nothing.
    QTest::newRow("a field already back needs no save")
        << QStringList{"S1/c1:Acme>Apex", "S1/c2:Acme>Apex"} << Values{{"S1/c1", "Acme"}, {"S1/c2", "Apex"}}
        << Values{{"S1/c1", "Acme"}, {"S1/c2", "Acme"}} << 1 << RunEnd::Finished;
    QTest::newRow("two stores, one folder name")
        << QStringList{"S1/c1:Acme>Apex", "S2/c2:Acme>Apex"} << Values{{"S1/c1", "Apex"}, {"S2/c2", "Apex"}}
        << Values{{"S1/c1", "Acme"}, {"S2/c2", "Acme"}} << 2 << RunEnd::Finished;
}

void TestUndoRun::undo()
{
    QFETCH(QStringList, journaled);
    QFETCH(Values, now);
    QFETCH(Values, after);
    QFETCH(int, saves);
    QFETCH(RunEnd, end);

    TestEnvironment env;
    Memory::registerSafeItems();
    Memory::Host host;
    QMap<QString, std::shared_ptr<Memory::Folder>> folders;
    QMap<QString, std::shared_ptr<Memory::Item>> items;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const QString storeId = it.key().section(u'/', 0, 0);
        auto &folder = folders[storeId];
        if (!folder)
            folder = Memory::makeFolder(Memory::makeStore(*host.application, storeId), QStringLiteral("Contacts"),
                                        QStringLiteral("contacts"));
        items[it.key()] = folder->add(QStringLiteral("ContactItem"), it.key().section(u'/', 1), {{Field, it.value()}});
    }
    EngineRunLogs logs;
    RecordingProgress progress;
    RunStart undoing;
    undoing.undoes = 7;

    const UndoResult result = UndoRun(&host, logs, progress, nullptr).run(undoing, changes(journaled), false);

    Values given;
    int saved = 0;
    for (auto it = items.cbegin(); it != items.cend(); ++it) {
        given.insert(it.key(), it.value()->properties.value(Field));
        saved += it.value()->saves;
    }
    QCOMPARE(given, after);
    QCOMPARE(saved, saves);
    QVERIFY2(result.lines.isEmpty(), qPrintable(result.lines.join(u'\n')));
    QCOMPARE(env.utility.ended, QList<RunEnd>{end});
}

QTEST_GUILESS_MAIN(TestUndoRun)
#include "tst_undorun.moc"
