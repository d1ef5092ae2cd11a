// SPDX-License-Identifier: MIT
// A replace run over a store whose file system fails under it: full, or
// read-only. Item files stay wholly old or wholly new, no temporary file is
// left, and every change that reached the disk has its undo records.
#include "enginehost.h"
#include "engineapi.h"
#include "fieldflags.h"
#include "fieldtable.h"
#include "hostsession.h"
#include "logdatabase.h"
#include "pimapplication.h"
#include "pimclasses.h"
#include "recordingprogress.h"
#include "regexclasses.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"
#include "storeevidence.h"
#include "storerun.h"
#include "testenvironment.h"

#include <QDirIterator>
#include <QtTest>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {
// The lines of a file without its revision stamp, which every save renews.
QList<QByteArray> withoutRevision(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    lines.removeIf([](const QByteArray &line) { return line.startsWith("REV:"); });
    return lines;
}

// The item as the whole run would leave it: every phone number's area code changed.
QList<QByteArray> fullyChanged(const QByteArray &original)
{
    QList<QByteArray> lines = withoutRevision(original);
    for (QByteArray &line : lines)
        if (line.startsWith("TEL"))
            line.replace("(503)", "(458)");
    return lines;
}

int fieldsToChange(const QByteArray &original)
{
    int fields = 0;
    for (const QByteArray &line : original.split('\n'))
        fields += line.startsWith("TEL") && line.contains("(503)");
    return fields;
}

// A small tmpfs, gone again however the test ends: the descriptors a reader
// holds are closed first, and a busy file system is detached rather than
// left mounted.
struct SmallFileSystem
{
    QByteArray dir;
    bool mounted = false;
    QList<int> held;
    QString failure;

    explicit SmallFileSystem(const QString &path) : dir(QFile::encodeName(path))
    {
        mounted = ::mount("tmpfs", dir.constData(), "tmpfs", 0, "size=256k") == 0;
        if (!mounted)
            failure = QString::fromLocal8Bit(strerror(errno));
    }
    ~SmallFileSystem()
    {
        for (int fd : std::as_const(held))
            ::close(fd);
        if (mounted && ::umount(dir.constData()) != 0)
            ::umount2(dir.constData(), MNT_DETACH);
    }
    bool makeReadOnly()
    {
        return ::mount(nullptr, dir.constData(), nullptr, MS_REMOUNT | MS_RDONLY, "size=256k") == 0;
    }
    qint64 freeBytes() const
    {
        struct statvfs fs{};
        return ::statvfs(dir.constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_frsize) : -1;
    }
};
} // namespace

class TestPimFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void failingFileSystem_data();
    void failingFileSystem();
};

void TestPimFaults::failingFileSystem_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("systemError");
    QTest::addColumn<int>("savesThatFit");
    // Three pages free: a file system page per save, as a reader (a backup,
    // a sync client) holds the replaced files open and keeps their pages.
    QTest::newRow("file system full") << false << ENOSPC << 3;
    QTest::newRow("file system read-only") << true << EROFS << 0;
}

void TestPimFaults::failingFileSystem()
{
    QFETCH(bool, readOnly);
    QFETCH(int, systemError);
    QFETCH(int, savesThatFit);
    TestEnvironment env;
    env.useRealActivityLog();
    setEngineUtilityOverride(nullptr);
    QTemporaryDir mountPoint;
    QVERIFY(mountPoint.isValid());
    SmallFileSystem fs(mountPoint.path());
    if (!fs.mounted)
        QSKIP(qPrintable(QStringLiteral("a tmpfs cannot be mounted here (root with CAP_SYS_ADMIN needed): ")
                         + fs.failure));

    const QString store = mountPoint.path() + QStringLiteral("/store");
    const QString contacts = store + QStringLiteral("/contacts");
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SOURCE_DIR "/samples/store"), store}), 0);
    const QMap<QString, QByteArray> before = readTree(store);
    // The contacts the run changes, in the order it reaches them.
    QStringList toChange;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (it.key().startsWith(u"contacts/") && fieldsToChange(it.value()))
            toChange << QFileInfo(it.key()).fileName();
    QCOMPARE(toChange.size(), 16);
    if (readOnly) {
        QVERIFY2(fs.makeReadOnly(), strerror(errno));
    } else {
        for (const QString &name : std::as_const(toChange))
            fs.held << ::open(QFile::encodeName(contacts + u'/' + name).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(!fs.held.contains(-1));
        const qint64 fill = fs.freeBytes() - 3 * 4096;
        QVERIFY(fill > 0);
        QFile filler(mountPoint.path() + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        QCOMPARE(filler.write(QByteArray(fill, 'x')), fill);
        filler.close();
        QCOMPARE(fs.freeBytes(), 3 * 4096);
    }

    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    EngineHost host;
    host.engineApi = std::make_shared<EngineApi>(Pim::createApplication({store}, QString(), HostSession::pimHooks()));
    chooseContactsFolder(store);
    for (const FieldTable::Field &field : FieldTable::Fields)
        if (field.kind == FieldTable::StepKind::Phone)
            WriteSetting(QLatin1String(field.flagKey), QStringLiteral("1"));

    const RunResult result = runOver(host, {QStringLiteral("\\(503\\)"), QStringLiteral("(458)"), 0});
    host.engineApi.reset();
    LogDatabase::instance().close();

    // The run ends at the save that failed, naming the file and the cause.
    const QString failed = toChange.value(savesThatFit);
    QCOMPARE(result.outcome, RunResult::Outcome::Error);
    QCOMPARE(result.updated, savesThatFit);
    QVERIFY2(result.text.startsWith(u"Error occurred.  LastLineNumber: 18  Folder: Contacts  Contact: ")
                 && result.text.endsWith(QStringLiteral("/contacts/") + failed + QStringLiteral("\" cannot be saved: ")
                                         + QString::fromLocal8Bit(strerror(systemError))),
             qPrintable(result.text));
    // The run's line is the first failed save's; saves under way with it
    // report their own after it.
    const auto hostLog = LogDatabase::instance().hostLog();
    const auto first = std::find_if(hostLog.cbegin(), hostLog.cend(),
                                    [](const auto &line) { return line.message.startsWith(u"Error occurred."); });
    QVERIFY(first != hostLog.cend());
    QCOMPARE(first->message, result.text);

    // Every file wholly old or wholly new, no temporary file beside them, and
    // exactly the items before the failure new.
    const QMap<QString, QByteArray> after = readTree(store);
    QCOMPARE(after.keys(), before.keys());
    QMap<QString, int> changed; // item file -> fields changed
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const QByteArray &original = before.value(it.key());
        if (it.value() == original)
            continue;
        QVERIFY2(withoutRevision(it.value()) == fullyChanged(original), qPrintable(it.key()));
        changed.insert(QFileInfo(it.key()).fileName(), fieldsToChange(original));
    }
    QCOMPARE(changed.keys(), toChange.first(savesThatFit));

    // One undo record per changed field. The failed item's records, and those
    // of the items whose saves were under way with it, went out before their
    // saves; undoing them rewrites the values those items still hold.
    QMap<QString, int> recorded = undoRecordsPerItem();
    QVERIFY(recorded.contains(failed));
    for (const QString &name : toChange.mid(savesThatFit))
        if (recorded.contains(name))
            QCOMPARE(recorded.take(name), fieldsToChange(before.value(QStringLiteral("contacts/") + name)));
    QCOMPARE(recorded, changed);
}

QTEST_GUILESS_MAIN(TestPimFaults)
#include "tst_pimfaults.moc"
