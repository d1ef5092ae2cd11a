// SPDX-License-Identifier: MIT
// Stores and collections on disk as Outlook's namespace, folders and item lists.
#include "testenvironment.h"
#include "pimtesting.h"
#include "engineapi.h"
#include "enginepaths.h"
#include "hostsession.h"
#include "logdatabase.h"
#include "pimapplication.h"
#include "pimclasses.h"
#include "progids.h"
#include "storelock.h"

#include <QThread>
#include <sqlite3.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:X\r\nEND:VCARD\r\n";
const QByteArray eventFile = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:1\r\n"
                         "DTSTART:20250101T100000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

void put(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList names(const QList<std::shared_ptr<OlFolder>> &folders)
{
    QStringList out;
    for (const auto &f : folders)
        out << f->EntryID() + u'=' + f->Name();
    return out;
}

QStringList itemNames(OlItems &items)
{
    QStringList out;
    for (int i = 1; i <= items.Count(); ++i) {
        auto item = items.Item(i);
        auto w = ClassFactory::create<SafeItem>(QLatin1String(
            item->TypeName() == QLatin1String("ContactItem") ? ProgId::SafeContactItem : ProgId::SafeAppointmentItem));
        w->setItem(item);
        out << w->EntryID();
    }
    return out;
}
} // namespace

class TestPimStore : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<QTemporaryDir> dir;
    QString store;

private slots:
    void init()
    {
        env = std::make_unique<TestEnvironment>();
        dir = std::make_unique<QTemporaryDir>();
        store = dir->path() + QStringLiteral("/store");
        Pim::registerPimClasses();
        // store/
        //   cal/            events, displayname "Calendar"
        //   contacts/       vCards, displayname "Work contacts"
        //   .hidden/        ignored
        //   empty/
        //   inside -> cal   a link that stays in the store
        //   outside -> ../elsewhere   a link that leaves it
        put(store + "/cal/e1.ics", eventFile);
        put(store + "/cal/displayname", "Calendar\n");
        put(store + "/contacts/b.vcf", card);
        put(store + "/contacts/displayname", "Work contacts");
        put(store + "/.hidden/h.vcf", card);
        QDir().mkpath(store + "/empty");
        put(dir->path() + "/elsewhere/secret.vcf", card);
        QFile::link(store + "/cal", store + "/inside");
        QFile::link(dir->path() + "/elsewhere", store + "/outside");
        put(store + "/notes.txt", "not a folder");
    }
    void cleanup()
    {
        dir.reset();
        env.reset();
    }

    void collectionsAreSubDirectories();
    void idsAreStableAcrossRuns();
    void itemListRules();
    void listedOncePerItems();
    void itemsReadAheadAreWhatIsOnDisk();
    void itemById();
    void oddEntriesAreLogged_data();
    void oddEntriesAreLogged();
    void folderLookupStaysInsideTheStore_data();
    void folderLookupStaysInsideTheStore();
    void defaultContactsFolder_data();
    void defaultContactsFolder();
    void onlyTheMapiNamespace();
    void saveKeepsModeAndLeavesNoTemporaryFile();
    void saveWritesThroughALink();
    void aSavedItemStillNoticesLaterChanges();
    void anItemTooLargeToReadBackIsNotSaved();
    void hookRunsBeforeTheItemIsWritten_data();
    void hookRunsBeforeTheItemIsWritten();
    void outsideChangesAreNeverOverwritten_data();
    void outsideChangesAreNeverOverwritten();
    void staleTemporariesAreRemoved();
    void oneRunAtATimeSavesIntoAStore();
    void undoRecordsAreDurableBeforeTheChange();
    void pickFolderAsksTheHost();
};

void TestPimStore::collectionsAreSubDirectories()
{
    auto app = Pim::createApplication({store}, {});
    auto ns = app->GetNamespace(QStringLiteral("MAPI"));
    const auto roots = ns->Folders();
    QCOMPARE(roots.size(), 1);
    QCOMPARE(roots[0]->EntryID(), QStringLiteral("."));
    QCOMPARE(roots[0]->Name(), QStringLiteral("store"));
    QCOMPARE(names(roots[0]->Folders()),
             (QStringList{"cal=Calendar", "contacts=Work contacts", "empty=empty", "inside=Calendar"}));
    for (const auto &f : roots[0]->Folders()) {
        QCOMPARE(f->StoreID(), roots[0]->StoreID());
        QVERIFY(f->Folders().isEmpty());
    }
}

void TestPimStore::idsAreStableAcrossRuns()
{
    QString storeId, entryId;
    {
        auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
        storeId = ns->Folders()[0]->StoreID();
        entryId = ns->Folders()[0]->Folders()[1]->EntryID();
    }
    QCOMPARE(storeId, QFileInfo(store).canonicalFilePath());
    QCOMPARE(entryId, QStringLiteral("contacts"));
    // The same directory reached another way is the same store.
    QFile::link(store, dir->path() + "/alias");
    auto ns = Pim::createApplication({dir->path() + "/alias/"}, {})->GetNamespace(QStringLiteral("MAPI"));
    QCOMPARE(ns->Folders()[0]->StoreID(), storeId);
    QCOMPARE(ns->Folders()[0]->Folders()[1]->EntryID(), entryId);
}

void TestPimStore::itemListRules()
{
    const QString c = store + "/contacts";
    for (const char *name : {"a.vcf", "C.VCF", "z.ics", "x.tmp", "b.vcf.tmp", "noext", "readme.txt", ".dot.vcf"})
        put(c + u'/' + QLatin1String(name), card);
    QDir().mkpath(c + "/dir.vcf");
    QFile::link(dir->path() + "/elsewhere/secret.vcf", c + "/leak.vcf");
    QFile::link(c + "/a.vcf", c + "/same.vcf");
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto items = ns->Folders()[0]->Folders()[1]->Items();
    // File-name (byte) order; no .tmp, no extension-less file, no directory,
    // no link that leaves the store.
    QCOMPARE(itemNames(*items), (QStringList{".dot.vcf", "C.VCF", "a.vcf", "b.vcf", "same.vcf", "z.ics"}));
    // Only the two named like items are worth a line (see oddEntriesAreLogged).
    QCOMPARE(env->utility.lines.size(), 2);
}

void TestPimStore::oddEntriesAreLogged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("directory") << "dir.vcf" << "it is a directory";
    QTest::newRow("FIFO") << "pipe.ICS" << "it is a named pipe";
    QTest::newRow("dangling link") << "gone.vcf" << "it is a symbolic link to nothing";
    QTest::newRow("link leaving the store") << "leak.ics" << "it is a symbolic link that leads out of the store";
    QTest::newRow("link to a sibling named like the store") << "old.vcf"
        << "it is a symbolic link that leads out of the store";
    // The journal could not name it byte for byte: an undo would never find it.
    QTest::newRow("name not UTF-8") << QString::fromUtf8("caf\xe9.vcf") << "its name is not valid UTF-8";
    QTest::newRow("link loop") << "loop.vcf"
        << QStringLiteral("it cannot be examined: ") + QString::fromLocal8Bit(strerror(ELOOP));
}

// An entry named like an item that is no item file gets one host log line
// per listing of its folder: not when the default folder is looked for, not
// again when the same list is used.
void TestPimStore::oddEntriesAreLogged()
{
    QFETCH(QString, name);
    QFETCH(QString, reason);
    const QString path = QFileInfo(store).canonicalFilePath() + "/contacts/" + name;
    if (name == QLatin1String("dir.vcf"))
        QVERIFY(QDir().mkpath(path));
    else if (name == QLatin1String("pipe.ICS"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (name == QLatin1String("gone.vcf"))
        QVERIFY(QFile::link(store + "/contacts/nothing.vcf", path));
    else if (name == QLatin1String("leak.ics"))
        QVERIFY(QFile::link(dir->path() + "/elsewhere/secret.vcf", path));
    else if (name == QLatin1String("old.vcf")) {
        put(store + "-old/contacts/b.vcf", card);
        QVERIFY(QFile::link(store + "-old/contacts/b.vcf", path));
    }
    else if (name.contains(QChar::ReplacementCharacter))
        QVERIFY(::close(::creat(QFile::encodeName(store + "/contacts/") + "caf\xe9.vcf", 0600)) == 0);
    else
        QVERIFY(QFile::link(path, path));
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    QCOMPARE(ns->GetDefaultFolder(10)->EntryID(), QStringLiteral("contacts"));
    QVERIFY(env->utility.lines.isEmpty());
    auto contacts = ns->Folders()[0]->Folders()[1];
    auto items = contacts->Items();
    QCOMPARE(items->Count(), 1);
    QCOMPARE(items->Item(1)->TypeName(), QStringLiteral("ContactItem"));
    QCOMPARE(items->Count(), 1);
    const LogLine line{QStringLiteral("The entry \"%1\" was skipped: %2").arg(path, reason), 0,
                       QStringLiteral("Quenlock.Pim")};
    QCOMPARE(env->utility.lines, QList<LogLine>{line});
    contacts->Items();
    QCOMPARE(env->utility.lines, (QList<LogLine>{line, line}));
}

void TestPimStore::listedOncePerItems()
{
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto contacts = ns->Folders()[0]->Folders()[1];
    put(store + "/contacts/c.vcf", card);
    auto items = contacts->Items();
    QCOMPARE(items->Count(), 2);
    put(store + "/contacts/d.vcf", card);
    QCOMPARE(items->Count(), 2);             // the list is fixed when made
    QCOMPARE(contacts->Items()->Count(), 3); // a new list sees the new file
    // A file gone since the listing is an unreadable item, and one log line.
    QFile::remove(store + "/contacts/c.vcf");
    QCOMPARE(items->Item(2)->TypeName(), QStringLiteral("UnreadableItem"));
    QCOMPARE(items->Item(1)->TypeName(), QStringLiteral("ContactItem"));
    QCOMPARE(env->utility.lines.size(), 1);
    QVERIFY(env->utility.lines[0].message.contains(store + "/contacts/c.vcf"));
    QVERIFY_THROWS_EXCEPTION(QuenlockError, items->Item(0));
    QVERIFY_THROWS_EXCEPTION(QuenlockError, items->Item(3));
}

// Items are read ahead of the run, but handed out as they are on disk when
// asked: a link to an item the run has saved since gives the saved text, and
// an item asked for out of order is that item.
void TestPimStore::itemsReadAheadAreWhatIsOnDisk()
{
    for (int i = 0; i < 8; ++i)
        put(store + QStringLiteral("/many/i%1.vcf").arg(i), card);
    QFile::remove(store + "/many/i1.vcf");
    QVERIFY(QFile::link(store + "/many/i0.vcf", store + "/many/i1.vcf"));
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto many = ns->Folders()[0]->Folders().last();
    QCOMPARE(many->EntryID(), QStringLiteral("many"));
    auto items = many->Items();
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(items->Item(1));
    QThread::msleep(100); // the workers read the link's old text meanwhile
    w->write(QStringLiteral("Subject"), QStringLiteral("Saved"));
    w->Save();
    w->setItem(items->Item(2));
    QCOMPARE(w->EntryID(), QStringLiteral("i1.vcf"));
    QCOMPARE(w->Subject(), QStringLiteral("Saved"));
    w->setItem(items->Item(6));
    QCOMPARE(w->EntryID(), QStringLiteral("i5.vcf"));
    w->setItem(items->Item(3));
    QCOMPARE(w->EntryID(), QStringLiteral("i2.vcf"));
}

// An undo finds its items by id: one that is gone is not found, never its
// neighbour in name order.
void TestPimStore::itemById()
{
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto items = ns->Folders()[0]->Folders()[1]->Items();
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(items->ItemByEntryId(QStringLiteral("b.vcf")));
    QCOMPARE(w->EntryID(), QStringLiteral("b.vcf"));
    for (const char *gone : {"a.vcf", "b.vc"})
        QVERIFY2(!items->ItemByEntryId(QLatin1String(gone)), gone);
}

void TestPimStore::folderLookupStaysInsideTheStore_data()
{
    QTest::addColumn<QString>("entryId");
    QTest::addColumn<bool>("rightStore");
    QTest::addColumn<QString>("found"); // the folder's name, empty for nothing
    QTest::newRow("collection") << "contacts" << true << "Work contacts";
    QTest::newRow("store root") << "." << true << "store";
    QTest::newRow("other store id") << "contacts" << false << "";
    QTest::newRow("parent") << ".." << true << "";
    QTest::newRow("climbing out") << "../elsewhere" << true << "";
    QTest::newRow("slash") << "contacts/" << true << "";
    QTest::newRow("absolute") << "DIR/elsewhere" << true << "";
    QTest::newRow("nul") << QStringLiteral("contacts") + QChar(0) << true << "";
    QTest::newRow("link leaving the store") << "outside" << true << "";
    QTest::newRow("hidden") << ".hidden" << true << "";
    QTest::newRow("a file") << "notes.txt" << true << "";
    QTest::newRow("empty") << "" << true << "";
}

void TestPimStore::folderLookupStaysInsideTheStore()
{
    QFETCH(QString, entryId);
    QFETCH(bool, rightStore);
    QFETCH(QString, found);
    entryId.replace(QLatin1String("DIR"), dir->path());
    EngineApi engine(Pim::createApplication({store, dir->path() + "/elsewhere"}, {}));
    const QString storeId = rightStore ? QFileInfo(store).canonicalFilePath() : QStringLiteral("/nowhere");
    auto folder = engine.KTGetFolder(entryId, storeId);
    QCOMPARE(folder ? folder->Name() : QString(), found);
    // The run passes over a folder it cannot find without a word; the engine names it.
    QList<LogLine> expected;
    if (found.isEmpty())
        expected.append({QStringLiteral("No folder has the entry id \"%1\" in the store \"%2\"").arg(entryId, storeId),
                         0, QStringLiteral("Quenlock.Engine")});
    QCOMPARE(env->utility.lines, expected);
}

void TestPimStore::defaultContactsFolder_data()
{
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("entryId");
    QTest::addColumn<QString>("error");
    QTest::newRow("unset: first collection holding vCards") << "" << "contacts" << "";
    QTest::newRow("configured") << "STORE/empty" << "empty" << "";
    QTest::newRow("configured with a trailing slash") << "STORE/cal/" << "cal" << "";
    QTest::newRow("configured outside the stores") << "DIR/elsewhere" << ""
        << "The default contacts folder \"DIR/elsewhere\" is not a collection of the stores given";
    QTest::newRow("configured but missing") << "STORE/gone" << ""
        << "The default contacts folder \"STORE/gone\" is not a collection of the stores given";
}

void TestPimStore::defaultContactsFolder()
{
    QFETCH(QString, configured);
    QFETCH(QString, entryId);
    QFETCH(QString, error);
    configured.replace(QLatin1String("STORE"), store).replace(QLatin1String("DIR"), dir->path());
    error.replace(QLatin1String("STORE"), store).replace(QLatin1String("DIR"), dir->path());
    auto ns = Pim::createApplication({store}, configured)->GetNamespace(QStringLiteral("MAPI"));
    try {
        auto folder = ns->GetDefaultFolder(10);
        QVERIFY2(error.isEmpty(), "expected an error");
        QCOMPARE(folder->EntryID(), entryId);
        QCOMPARE(folder->StoreID(), QFileInfo(store).canonicalFilePath());
    } catch (const QuenlockError &e) {
        QCOMPARE(e.description(), error);
    }
    QVERIFY_THROWS_EXCEPTION(QuenlockError, ns->GetDefaultFolder(6));
}

void TestPimStore::onlyTheMapiNamespace()
{
    auto app = Pim::createApplication({store}, {});
    QVERIFY_THROWS_EXCEPTION(QuenlockError, app->GetNamespace(QStringLiteral("IMAP")));
    // No store holds a contact: the default folder is an error, not a guess.
    QFile::remove(store + "/contacts/b.vcf");
    QFile::remove(store + "/.hidden/h.vcf");
    auto ns = Pim::createApplication({store, dir->path() + "/missing"}, {})->GetNamespace(QStringLiteral("MAPI"));
    QVERIFY_THROWS_EXCEPTION(QuenlockError, ns->GetDefaultFolder(10));
    QCOMPARE(ns->Folders().size(), 2);
    QVERIFY(ns->Folders()[1]->Folders().isEmpty()); // a store not made yet holds nothing
}

void TestPimStore::saveKeepsModeAndLeavesNoTemporaryFile()
{
    const QString path = store + "/contacts/b.vcf";
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    struct stat before{};
    ::stat(QFile::encodeName(path).constData(), &before);
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
    w->Save();
    struct stat after{};
    ::stat(QFile::encodeName(path).constData(), &after);
    QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
    QVERIFY(after.st_ino != before.st_ino); // replaced by rename, never written in place
    QCOMPARE(readFile(path), QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Y\r\nEND:VCARD\r\n"));
    QCOMPARE(QDir(store + "/contacts").entryList(QDir::Files | QDir::Hidden),
             (QStringList{"b.vcf", "displayname"}));
    // A second save of the same wrapper sees its own file, not a stranger's change.
    w->write(QStringLiteral("Subject"), QStringLiteral("Z"));
    w->Save();
    QCOMPARE(readFile(path), QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Z\r\nEND:VCARD\r\n"));
    auto utils = ClassFactory::create<MapiUtils>(QLatin1String(ProgId::MapiUtils));
    utils->CleanUp();
}

void TestPimStore::saveWritesThroughALink()
{
    put(store + "/real/target.vcf", card);
    QFile::link(store + "/real/target.vcf", store + "/contacts/linked.vcf");
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto items = ns->Folders()[0]->Folders()[1]->Items();
    QCOMPARE(items->Count(), 2);
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(items->Item(2));
    QCOMPARE(w->EntryID(), QStringLiteral("linked.vcf"));
    w->write(QStringLiteral("Subject"), QStringLiteral("Linked"));
    w->Save();
    QVERIFY(QFileInfo(store + "/contacts/linked.vcf").isSymLink());
    QVERIFY(readFile(store + "/real/target.vcf").contains("FN:Linked\r\n"));
}

// After a save the item reads what it wrote, and a change another program
// makes afterwards still stops the next save.
void TestPimStore::aSavedItemStillNoticesLaterChanges()
{
    const QString path = store + "/contacts/b.vcf";
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
    w->Save();
    QCOMPARE(w->Subject(), QStringLiteral("Y"));
    w->Save(); // nothing changed since: nothing written
    QCOMPARE(readFile(path), QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Y\r\nEND:VCARD\r\n"));

    const QByteArray theirs = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Quinn\r\nEND:VCARD\r\n";
    QFile::remove(path);
    put(path, theirs);
    w->write(QStringLiteral("Subject"), QStringLiteral("Z"));
    QVERIFY_THROWS_EXCEPTION(QuenlockError, w->Save());
    QCOMPARE(readFile(path), theirs);
}

// A change that would make the item larger than a store reads is not saved:
// it could not be read back, nor undone.
void TestPimStore::anItemTooLargeToReadBackIsNotSaved()
{
    const QString path = store + "/contacts/b.vcf";
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QString(MaximumItemBytes / 3 + 1, QChar(0x20AC))); // 3 bytes in UTF-8
    QVERIFY_THROWS_EXCEPTION(QuenlockError, w->Save());
    QCOMPARE(readFile(path), card);
    QCOMPARE(QDir(store + "/contacts").entryList(QDir::Files | QDir::Hidden), (QStringList{"b.vcf", "displayname"}));
}

// The host's hook (the undo records made durable) runs before anything of
// the save is written; a hook that throws stops the save with nothing left behind.
void TestPimStore::hookRunsBeforeTheItemIsWritten_data()
{
    QTest::addColumn<bool>("hookThrows");
    QTest::newRow("hook returns") << false;
    QTest::newRow("hook throws") << true;
}

void TestPimStore::hookRunsBeforeTheItemIsWritten()
{
    QFETCH(bool, hookThrows);
    const QString path = store + "/contacts/b.vcf";
    QByteArray itemAtHook;
    QStringList filesAtHook;
    Pim::HostHooks host;
    host.beforeReplace = [&] {
        itemAtHook = readFile(path);
        filesAtHook = QDir(store + "/contacts").entryList(QDir::Files | QDir::Hidden);
        if (hookThrows)
            throw QuenlockError(QStringLiteral("log full"));
    };
    auto ns = Pim::createApplication({store}, {}, host)->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
    if (hookThrows)
        QVERIFY_THROWS_EXCEPTION(QuenlockError, w->Save());
    else
        w->Save();
    QCOMPARE(itemAtHook, card);
    QCOMPARE(filesAtHook, (QStringList{"b.vcf", "displayname"}));
    QCOMPARE(readFile(path), hookThrows ? card : QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Y\r\nEND:VCARD\r\n"));
    QCOMPARE(QDir(store + "/contacts").entryList(QDir::Files | QDir::Hidden),
             (QStringList{"b.vcf", "displayname"}));
}

// Another program changes the item after the folder was listed: before it
// is read, or at the last moment before the rename (the host's hook). The
// save never overwrites that change, and a link put in the item's place is
// never followed, for reading or for writing.
void TestPimStore::outsideChangesAreNeverOverwritten_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("beforeRead");
    QTest::addColumn<QString>("refusal"); // the save's error, or the read's host log line
    const QString changed = QStringLiteral("was changed by another program after it was read; it was not saved");
    const QString leads = QStringLiteral("it is a symbolic link that leads out of the store");
    QTest::newRow("edited in place at the rename") << "edit" << false << changed;
    QTest::newRow("replaced at the rename") << "replace" << false << changed;
    QTest::newRow("removed at the rename") << "remove" << false
                                           << "was removed by another program after it was read; it was not saved";
    QTest::newRow("link out at the rename") << "link" << false << leads;
    QTest::newRow("link out before the read") << "link" << true << leads;
}

void TestPimStore::outsideChangesAreNeverOverwritten()
{
    QFETCH(QString, change);
    QFETCH(bool, beforeRead);
    QFETCH(QString, refusal);
    const QString path = store + "/contacts/b.vcf";
    const QString secret = dir->path() + "/elsewhere/secret.vcf";
    const QByteArray theirs = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Theirs\r\nEND:VCARD\r\n";
    auto makeChange = [&] {
        if (change == u"edit") {
            QFile f(path); // same file, same size, only its time changes
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(QByteArray(card).replace("FN:X", "FN:Q"));
        } else if (change == u"replace") {
            put(path + ".new", theirs);
            QVERIFY(QFile::rename(path + ".new", path) || (QFile::remove(path) && QFile::rename(path + ".new", path)));
        } else {
            QVERIFY(QFile::remove(path));
            if (change == u"link")
                QVERIFY(QFile::link(secret, path));
        }
    };
    const QByteArray before = readFile(path);
    Pim::HostHooks host;
    host.beforeReplace = [&] { makeChange(); };
    auto ns = Pim::createApplication({store}, {}, host)->GetNamespace(QStringLiteral("MAPI"));
    auto items = ns->Folders()[0]->Folders()[1]->Items();
    if (beforeRead) {
        makeChange();
        QCOMPARE(items->Item(1)->TypeName(), QStringLiteral("UnreadableItem"));
        QCOMPARE(env->utility.lines.size(), 1);
        QCOMPARE(env->utility.lines[0].message, QStringLiteral("The entry \"%1\" was skipped: %2").arg(path, refusal));
    } else {
        auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
        w->setItem(items->Item(1));
        w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
        QString thrown;
        try {
            w->Save();
        } catch (const QuenlockError &error) {
            thrown = error.description();
        }
        QVERIFY2(thrown.startsWith(QStringLiteral("The file \"%1\" ").arg(path)) && thrown.endsWith(refusal),
                 qPrintable(thrown));
    }
    QCOMPARE(readFile(secret), card); // never written through a link
    const QFileInfo now(path);
    QCOMPARE(now.isSymLink(), change == u"link");
    QCOMPARE(now.exists() || now.isSymLink(), change != u"remove");
    if (change == u"edit" || change == u"replace")
        QVERIFY(readFile(path) != before && !readFile(path).contains("FN:Y"));
    QCOMPARE(QDir(store + "/contacts").entryList(QDir::Files | QDir::Hidden | QDir::System).filter(".tmp"),
             QStringList());
}

// A save removes what a killed save of an earlier process left beside the
// items it works on, and nothing else.
void TestPimStore::staleTemporariesAreRemoved()
{
    const QString c = store + "/contacts/";
    const QStringList stale{".b.vcf.999999999.3.tmp", ".gone.ics.999999999.12.tmp"};
    const QStringList kept{".b.vcf.notapid.3.tmp", ".notes.txt.999999999.1.tmp", "x.999999999.1.tmp",
                           QStringLiteral(".b.vcf.%1.1.tmp").arg(::getpid())};
    for (const QString &name : stale + kept)
        put(c + name, card);
    put(store + "/cal/.e1.ics.999999999.1.tmp", card); // a folder the save does not work on
    const QDateTime old = QDateTime::currentDateTimeUtc().addSecs(-3600);
    for (const QString &name : stale + kept) {
        QFile f(c + name);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    put(c + ".new.vcf.999999999.1.tmp", card); // newer than this process: another run's
    auto ns = Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
    w->Save();
    QStringList expected = kept + QStringList{".new.vcf.999999999.1.tmp", "b.vcf", "displayname"};
    expected.sort();
    QStringList left = QDir(c).entryList(QDir::Files | QDir::Hidden);
    left.sort();
    QCOMPARE(left, expected);
    QVERIFY(QFile::exists(store + "/cal/.e1.ics.999999999.1.tmp"));
}

// Two runs (two undos, a run and an undo) never save into one store at
// once: the second waits for the first a bounded time, then every save of
// its run stops with one line, and nothing is written.
void TestPimStore::oneRunAtATimeSavesIntoAStore()
{
    const QString path = store + "/contacts/b.vcf";
    auto save = [&](const QString &subject) {
        auto ns = Pim::createApplication({store}, {}, HostSession::pimHooks())->GetNamespace(QStringLiteral("MAPI"));
        auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
        w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
        w->write(QStringLiteral("Subject"), subject);
        QStringList refusals;
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                w->Save();
            } catch (const QuenlockError &error) {
                refusals << error.description();
            }
        }
        return refusals;
    };
    std::shared_ptr<void> otherRun = StoreLock::take(QFileInfo(store).canonicalFilePath());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(save(QStringLiteral("Y")), QStringList(2, QStringLiteral("Another run is changing this store")));
    QVERIFY2(clock.elapsed() >= 4500 && clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(readFile(path), card);
    otherRun.reset();
    QCOMPARE(save(QStringLiteral("Y")), QStringList());
    QCOMPARE(readFile(path), QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Y\r\nEND:VCARD\r\n"));
}

// Through the hooks the host hands the layer, the activity log's pending
// rows are committed before the file they describe changes.
void TestPimStore::undoRecordsAreDurableBeforeTheChange()
{
    auto committedRows = [] {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(EnginePaths::logDatabaseFile().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        int rows = -1;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM activity_log WHERE text = 'FieldValue: X'", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_step(st) == SQLITE_ROW)
            rows = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return rows;
    };
    const Pim::HostHooks wired = HostSession::pimHooks();
    QVERIFY(wired.beforeReplace);
    QVERIFY(wired.pickFolder);
    int rowsAtHook = -1;
    QByteArray itemAtHook;
    Pim::HostHooks host = wired;
    host.beforeReplace = [&] {
        wired.beforeReplace();
        rowsAtHook = committedRows();
        itemAtHook = readFile(store + "/contacts/b.vcf");
    };
    LogDatabase::instance().appendActivity(QStringLiteral("Morvane"), QStringLiteral("UndoSave"),
                                           QStringLiteral("FieldValue: X"), -1);
    QCOMPARE(committedRows(), 0);
    auto ns = Pim::createApplication({store}, {}, host)->GetNamespace(QStringLiteral("MAPI"));
    auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
    w->setItem(ns->Folders()[0]->Folders()[1]->Items()->Item(1));
    w->write(QStringLiteral("Subject"), QStringLiteral("Y"));
    w->Save();
    QCOMPARE(rowsAtHook, 1);
    QCOMPARE(itemAtHook, card);
}

// PickFolder is the host's dialog; a layer opened without one answers as Cancel.
void TestPimStore::pickFolderAsksTheHost()
{
    QVERIFY(!Pim::createApplication({store}, {})->GetNamespace(QStringLiteral("MAPI"))->PickFolder());
    OlNamespace *asked = nullptr;
    Pim::HostHooks host;
    host.pickFolder = [&](OlNamespace &ns) {
        asked = &ns;
        return ns.Folders()[0]->Folders()[1];
    };
    auto ns = Pim::createApplication({store}, {}, host)->GetNamespace(QStringLiteral("MAPI"));
    const std::shared_ptr<OlFolder> chosen = ns->PickFolder();
    QCOMPARE(asked, ns.get());
    QVERIFY(chosen);
    QCOMPARE(chosen->EntryID(), QStringLiteral("contacts"));
}

QTEST_GUILESS_MAIN(TestPimStore)
#include "tst_pimstore.moc"
