// SPDX-License-Identifier: MIT
// The host binary as a user runs it: commands, exit statuses, what it exports and links.
#include "storeevidence.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

class TestHost : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.path() + QStringLiteral("/state"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.path() + QStringLiteral("/data"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    int quenlock(const QStringList &args, QString *out = nullptr, QString *err = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(BIN_DIR "/quenlock"), args);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000))
            return -1;
        if (out)
            *out = QString::fromUtf8(process.readAllStandardOutput());
        if (err)
            *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }

    // The folder keys of every folder `folders` lists for the store.
    QStringList allFolders(const QString &store)
    {
        QString out;
        if (quenlock({QStringLiteral("folders"), QStringLiteral("--store"), store}, &out) != 0)
            return {};
        const QStringList folders = out.split(u'\n', Qt::SkipEmptyParts);
        QStringList keys{QStringLiteral("FolderCount=%1").arg(folders.size())};
        for (int n = 1; n <= folders.size(); ++n) {
            const QStringList f = folders[n - 1].split(u'\t');
            keys << QStringLiteral("FolderName%1=%2").arg(n).arg(f[0])
                 << QStringLiteral("FolderEntryId%1=%2").arg(n).arg(f[1])
                 << QStringLiteral("FolderStoreId%1=%2").arg(n).arg(f[2]);
        }
        return keys;
    }

    void contacts(const QString &store, int count);
    void killAtCommit(int n, const QStringList &command, const QMap<QString, QByteArray> &one,
                      const QMap<QString, QByteArray> &other, int &others, qint64 &journaled);

    static QString tool(const QString &program, const QStringList &args)
    {
        QProcess process;
        process.start(program, args);
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

private Q_SLOTS:
    void usageErrors_data();
    void usageErrors();
    void answers_data();
    void answers();
    void manualCoversEveryCommand();
    void setThenGetRoundTrips();
    void logsAsJson();
    void runChangesFilesAndLogsUndo();
    void dryRunAgreesWithTheRun();
    void replaceRunsItsOwnSettingsOnce();
    void undoLeavesWhatChangedSinceAndCanBeUndone();
    void killedRunIsUndone();
    void killedUndoIsFinishedByTheNext();
    void damagedJournalStopsUndo_data();
    void damagedJournalStopsUndo();
    void runStatuses_data();
    void runStatuses();
    void unwritableLog_data();
    void unwritableLog();
    void librariesExportOnlyTheirFactory_data();
    void librariesExportOnlyTheirFactory();
    void hostLinksNeitherSystemLibrary();
};

void TestHost::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString usage = QStringLiteral("Usage:");
    const QString tryHelp = QStringLiteral("'\nTry 'quenlock --help'.\n");
    QTest::newRow("no display, no command") << QStringList{} << usage;
    QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate")}
                                     << QStringLiteral("quenlock: unknown command 'frobnicate") + tryHelp;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("run"), QStringLiteral("--force")}
                                    << QStringLiteral("quenlock: unknown option '--force") + tryHelp;
    QTest::newRow("set without value") << QStringList{QStringLiteral("set"), QStringLiteral("SearchFor")}
                                       << QStringLiteral("quenlock: Not a KEY=VALUE assignment: SearchFor\n");
    QTest::newRow("set empty key") << QStringList{QStringLiteral("set"), QStringLiteral("=x")}
                                   << QStringLiteral("quenlock: Not a KEY=VALUE assignment: =x\n");
    QTest::newRow("set nothing") << QStringList{QStringLiteral("set")} << usage;
    QTest::newRow("set unknown key") << QStringList{QStringLiteral("set"), QStringLiteral("SearchFor=x"), QStringLiteral("Bogus=1")}
                                     << QStringLiteral("quenlock: unknown key 'Bogus'");
    QTest::newRow("set a count that is no number") << QStringList{QStringLiteral("set"), QStringLiteral("FolderCount=abc")}
                                                   << QStringLiteral("FolderCount takes a count of folders, not 'abc'");
    QTest::newRow("set a flag to yes") << QStringList{QStringLiteral("set"), QStringLiteral("BusinessPhone=yes")}
                                       << QStringLiteral("BusinessPhone takes 1 (look in the field) or 0, not 'yes'");
    QTest::newRow("run with extra word") << QStringList{QStringLiteral("run"), QStringLiteral("now")} << usage;
    QTest::newRow("undo with an id and --last")
        << QStringList{QStringLiteral("undo"), QStringLiteral("5"), QStringLiteral("--last")} << usage;
    QTest::newRow("replace without its replacement") << QStringList{QStringLiteral("replace"), QStringLiteral("x")} << usage;
    QTest::newRow("replace in an unknown group")
        << QStringList{QStringLiteral("replace"), QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("--fields"),
                       QStringLiteral("phones,faxes"), QStringLiteral("--dry-run")}
        << QStringLiteral("quenlock: unknown field or group 'faxes'");
}

void TestHost::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QString err;
    QCOMPARE(quenlock(args, nullptr, &err), 2);
    QVERIFY2(err.contains(message), qPrintable(err));
    // Nothing refused was written.
    QString got;
    QCOMPARE(quenlock({QStringLiteral("get"), QStringLiteral("SearchFor")}, nullptr, &got), 0);
    QVERIFY2(got.contains(u"is not set"), qPrintable(got));
}

// Help, the version and a missing store, as a terminal user meets them.
void TestHost::answers_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QStringLiteral("Usage:\n  quenlock [window]");
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << usage << QString();
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0 << usage << QString();
    QTest::newRow("help") << QStringList{QStringLiteral("help")} << 0 << usage << QString();
    QTest::newRow("run --help") << QStringList{QStringLiteral("run"), QStringLiteral("--help")} << 0
                                << QStringLiteral("Usage: quenlock run [--store DIR]... [--account NAME]... [--yes | --dry-run") << QString();
    QTest::newRow("help folders") << QStringList{QStringLiteral("help"), QStringLiteral("folders")} << 0
                                  << QStringLiteral("Usage: quenlock folders") << QString();
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << 0
                               << QStringLiteral("quenlock " QUENLOCK_VERSION "\n") << QString();
    QTest::newRow("folders with no store") << QStringList{QStringLiteral("folders")} << 1 << QString()
                                           << QStringLiteral("Name one with --store DIR");
    QTest::newRow("run with a missing store")
        << QStringList{QStringLiteral("run"), QStringLiteral("--store"), QStringLiteral("/nonexistent/store")} << 1
        << QString() << QStringLiteral("no store folder at /nonexistent/store");
    QTest::newRow("undo of a run that does not exist")
        << QStringList{QStringLiteral("undo"), QStringLiteral("424242")} << 2 << QString()
        << QStringLiteral("There is no run 424242 to undo; 'quenlock runs' lists the runs.\n");
    // No id means the newest run; a zero names none.
    QTest::newRow("undo 0") << QStringList{QStringLiteral("undo"), QStringLiteral("0")} << 2 << QString()
                            << QStringLiteral("There is no run 0 to undo; 'quenlock runs' lists the runs.\n");
    QTest::newRow("--quiet is run's alone") << QStringList{QStringLiteral("log"), QStringLiteral("--quiet")} << 2
                                            << QString() << QStringLiteral("quenlock: unknown option '--quiet'");
}

void TestHost::answers()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QString stdOut, stdErr;
    QCOMPARE(quenlock(args, &stdOut, &stdErr), status);
    QVERIFY2(stdOut.startsWith(out), qPrintable(stdOut));
    if (err.isEmpty())
        QVERIFY2(stdErr.isEmpty(), qPrintable(stdErr)); // no Qt warnings either
    else
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
}

// The manual names every command and option of the program's own table.
void TestHost::manualCoversEveryCommand()
{
    QFile page(QStringLiteral(SOURCE_DIR "/packaging/quenlock.1"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString manual = QString::fromUtf8(page.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QString usage;
    QCOMPARE(quenlock({QStringLiteral("--help")}, &usage), 0);
    const QRegularExpression command(QStringLiteral("^  quenlock \\[?([a-z]+)"), QRegularExpression::MultilineOption);
    int commands = 0;
    for (const auto &match : command.globalMatch(usage)) {
        const QString name = match.captured(1);
        ++commands;
        QVERIFY2(manual.contains(QRegularExpression(QStringLiteral("\n\\.B[IR]? ") + name + QStringLiteral("\\b"))),
                 qPrintable(name));
        QString synopsis;
        QCOMPARE(quenlock({QStringLiteral("help"), name}, &synopsis), 0);
        for (const auto &option : QRegularExpression(QStringLiteral("--[a-z-]+")).globalMatch(synopsis.section(u'\n', 0, 0)))
            QVERIFY2(manual.contains(option.captured(0)), qPrintable(name + u' ' + option.captured(0)));
    }
    QCOMPARE(commands, 11);
}

void TestHost::setThenGetRoundTrips()
{
    QCOMPARE(quenlock({QStringLiteral("set"), QStringLiteral("SearchFor=\\(555\\)"),
                       QStringLiteral("ReplaceWith=a=b "), QStringLiteral("CaseSensitive=1")}),
             0);
    QString out;
    QCOMPARE(quenlock({QStringLiteral("get"), QStringLiteral("SearchFor"), QStringLiteral("ReplaceWith")}, &out), 0);
    QCOMPARE(out, QStringLiteral("SearchFor=\\(555\\)\nReplaceWith=a=b \n"));
    QVERIFY(QFile::exists(m_dir.path() + QStringLiteral("/config/quenlock/QuenlockHost.ini")));
}

void TestHost::logsAsJson()
{
    // A store whose count is not a number makes the module log at start-up.
    QCOMPARE(quenlock({QStringLiteral("set"), QStringLiteral("FolderCount=lots"), QStringLiteral("--force")}), 0);
    QString out;
    QDir().mkpath(m_dir.path() + QStringLiteral("/empty"));
    QCOMPARE(quenlock({QStringLiteral("folders"), QStringLiteral("--store"), m_dir.path() + QStringLiteral("/empty")}), 0);
    QCOMPARE(quenlock({QStringLiteral("log"), QStringLiteral("--json")}, &out), 0);
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(!lines.isEmpty());
    const QJsonObject entry = QJsonDocument::fromJson(lines.last().toUtf8()).object();
    QCOMPARE(entry.value(u"source").toString(), QStringLiteral("Morvane.EnsureDefaultSettings"));
    QCOMPARE(entry.value(u"message").toString(), QStringLiteral("Error occurred at line 4.  Reason:Type mismatch"));
    QCOMPARE(entry.value(u"level").toInt(-1), 0);
    QVERIFY(!entry.value(u"time").toString().isEmpty());
    QCOMPARE(quenlock({QStringLiteral("activity"), QStringLiteral("--json")}, &out), 0);
    const QJsonObject stop =
        QJsonDocument::fromJson(out.split(u'\n', Qt::SkipEmptyParts).last().toUtf8()).object();
    QCOMPARE(stop.value(u"text").toString(), QStringLiteral("Morvane is stopping"));
    QCOMPARE(stop.value(u"kind").toInt(-1), 0);
    QCOMPARE(stop.value(u"name").toString(), QStringLiteral("Shutdown"));
}

// A copy of the sample store, and settings naming its three folders.
static QString sampleStore(const QString &dir)
{
    const QString store = dir + QStringLiteral("/store");
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), QStringLiteral(SOURCE_DIR "/samples/store"), store});
    return QDir(store).canonicalPath();
}

// `quenlock set` with the sample store's contacts folder alone, and more settings.
static QStringList setContactsFolder(const QString &store, const QStringList &more = {})
{
    return QStringList{QStringLiteral("set"), QStringLiteral("FolderCount=1"), QStringLiteral("FolderName1=Contacts"),
                       QStringLiteral("FolderEntryId1=contacts"), QStringLiteral("FolderStoreId1=") + store}
           + more;
}

void TestHost::runChangesFilesAndLogsUndo()
{
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    QString out;
    QStringList settings = {QStringLiteral("set"), QStringLiteral("SearchFor=\\(503\\)"),
                            QStringLiteral("ReplaceWith=(458)"), QStringLiteral("BusinessPhone=1"),
                            QStringLiteral("AppointmentBody=1"),
                            QStringLiteral("SpecialInstructions=Only look in city/area codes")};
    const QStringList folders = allFolders(store);
    QCOMPARE(folders.value(0), QStringLiteral("FolderCount=3"));
    QCOMPARE(quenlock(settings + folders), 0);
    const QString arjun = store + QStringLiteral("/contacts/arjun-mehta.vcf");
    QFile before(arjun);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray original = before.readAll();
    before.close();

    QString err;
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}, &out, &err), 0);
    QVERIFY2(out.startsWith(u"Updated ") && out.trimmed().endsWith(u" items in 3 folders"), qPrintable(out));
    QVERIFY2(!out.startsWith(u"Updated 0 "), qPrintable(out));

    QFile after(arjun);
    QVERIFY(after.open(QIODevice::ReadOnly));
    const QByteArray changed = after.readAll();
    QVERIFY(changed.contains("TEL;TYPE=WORK,VOICE:(458) 555-0181"));
    QVERIFY(!changed.contains("(503) 555-0181"));
    // Only the number and the revision line differ.
    QCOMPARE(changed.count('\n'), original.count('\n'));

    QCOMPARE(quenlock({QStringLiteral("activity"), QStringLiteral("--json")}, &out), 0);
    QStringList undo;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
        const QJsonObject entry = QJsonDocument::fromJson(line.toUtf8()).object();
        if (entry.value(u"kind").toInt() == -1)
            undo << entry.value(u"text").toString();
    }
    const qsizetype at = undo.indexOf(QStringLiteral("ItemEntryId: arjun-mehta.vcf"));
    QVERIFY(at >= 2);
    QCOMPARE(undo.mid(at - 2, 5), (QStringList{QStringLiteral("FolderStoreId: ") + store,
                                               QStringLiteral("FolderEntryId: contacts"),
                                               QStringLiteral("ItemEntryId: arjun-mehta.vcf"),
                                               QStringLiteral("FieldName: BusinessTelephoneNumber"),
                                               QStringLiteral("FieldValue: (503) 555-0181")}));
}

// A preview is the run's own answer: it writes nothing, and the fields it
// lists are the fields whose undo records the real run then writes, in the
// same order (area-code mode, bodies, the e-mail step, events and tasks).
// The run's undo gives every file back, is listed as its preview listed it,
// and is not done twice.
void TestHost::dryRunAgreesWithTheRun()
{
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    QString out, err;
    QStringList settings = {QStringLiteral("set"), QStringLiteral("SearchFor=\\(503\\)|example"),
                            QStringLiteral("ReplaceWith=(458)"), QStringLiteral("CaseSensitive=0"),
                            QStringLiteral("SpecialInstructions=Only look in city/area codes")};
    for (const char *flag : {"BusinessPhone", "MobilePhone", "Body", "EmailAddress", "AppointmentLocation",
                             "AppointmentBody", "TaskBody", "TaskSubject"})
        settings << QLatin1String(flag) + QStringLiteral("=1");
    QCOMPARE(quenlock(settings + allFolders(store)), 0);
    const QMap<QString, QByteArray> before = readTree(store);
    QString logBefore, activityBefore;
    QCOMPARE(quenlock({QStringLiteral("log")}, &logBefore), 0);
    QCOMPARE(quenlock({QStringLiteral("activity")}, &activityBefore), 0);

    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--dry-run"), QStringLiteral("--json"),
                       QStringLiteral("--store"), store}, &out, &err), 0);
    QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    // JSON Lines throughout: the summary is an object too.
    const QString summary = QJsonDocument::fromJson(lines.takeLast().toUtf8()).object().value(u"summary").toString();
    QVERIFY2(summary.startsWith(u"Would update ") && summary.endsWith(u" items in 3 folders"), qPrintable(summary));
    QStringList planned;
    for (const QString &line : std::as_const(lines)) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        planned << QStringList{o.value(u"store").toString(), o.value(u"folder").toString(), o.value(u"item").toString(),
                               o.value(u"field").toString(), o.value(u"old").toString()}.join(u'|');
    }
    QVERIFY(planned.size() > 30);
    QVERIFY(readTree(store) == before);
    QString logAfter, activityAfter;
    QCOMPARE(quenlock({QStringLiteral("log")}, &logAfter), 0);
    QCOMPARE(quenlock({QStringLiteral("activity")}, &activityAfter), 0);
    QCOMPARE(logAfter, logBefore);
    QCOMPARE(activityAfter, activityBefore);

    // Only the rows the run adds count: earlier tests share the logs.
    QCOMPARE(quenlock({QStringLiteral("activity"), QStringLiteral("--json")}, &out), 0);
    const qsizetype earlier = out.split(u'\n', Qt::SkipEmptyParts).size();
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}, &out), 0);
    QCOMPARE(out.trimmed(), summary.sliced(13).prepend(QStringLiteral("Updated ")));
    QCOMPARE(quenlock({QStringLiteral("activity"), QStringLiteral("--json")}, &out), 0);
    QStringList entries, undone;
    for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts).mid(earlier)) {
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
        if (o.value(u"kind").toInt() != -1)
            continue;
        const QString text = o.value(u"text").toString();
        entries << text.mid(text.indexOf(QStringLiteral(": ")) + 2);
        if (entries.size() == 5)
            undone << entries.join(u'|'), entries.clear();
    }
    QCOMPARE(undone, planned);

    QString dryUndo;
    QCOMPARE(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--dry-run"),
                       QStringLiteral("--store"), store}, &dryUndo), 0);
    QCOMPARE(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--yes"),
                       QStringLiteral("--store"), store}, &out, &err), 0);
    QCOMPARE(out.section(u'\n', 0, -3), dryUndo.section(u'\n', 0, -3));
    QCOMPARE(out.section(u'\n', -2), QStringLiteral("Restored %1 fields in %2 items; skipped 0 items changed since the run\n")
                                          .arg(planned.size()).arg(summary.section(u' ', 2, 2)));
    QVERIFY(withoutStamps(readTree(store)) == withoutStamps(before));
    QCOMPARE(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--store"), store}, &out, &err), 1);
    QVERIFY2(err.contains(u"was undone by run "), qPrintable(err));
    QCOMPARE(quenlock({QStringLiteral("runs"), QStringLiteral("--json")}, &out), 0);
    const QJsonObject undo = QJsonDocument::fromJson(out.section(u'\n', 0, 0).toUtf8()).object();
    const QJsonObject run = QJsonDocument::fromJson(out.section(u'\n', 1, 1).toUtf8()).object();
    QCOMPARE(undo.value(u"undoes").toInteger(), run.value(u"id").toInteger());
    QCOMPARE(run.value(u"undone").toBool(), true);
    QCOMPARE(run.value(u"caseSensitive").toBool(), false);
    QCOMPARE(run.value(u"changed").toInteger(), summary.section(u' ', 2, 2).toLongLong());
}

// `replace` is the run on the values given, for that run only: it lists what
// the same settings stored would list, leaves the stored ones as they were,
// and --save stores them as Apply does.
void TestHost::replaceRunsItsOwnSettingsOnce()
{
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    QStringList phones;
    for (const char *key : {"AssistantsPhone", "BusinessPhone", "BusinessPhone2", "BusinessFax", "CallbackPhone",
                            "CarPhone", "CompanyMainPhone", "HomePhone", "HomePhone2", "HomeFax", "MobilePhone",
                            "OtherPhone", "OtherFax", "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"})
        phones << QLatin1String(key) + QStringLiteral("=1");
    const QStringList stored = setContactsFolder(store, QStringList{QStringLiteral("SearchFor=\\(503\\)"),
                                                                     QStringLiteral("ReplaceWith=(458)"),
                                                                     QStringLiteral("SpecialInstructions=Only look in city/area codes")}
                                                             + phones);
    QCOMPARE(quenlock(stored), 0);
    QString expected, out, before, after;
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--dry-run"), QStringLiteral("--store"), store}, &expected), 0);
    QVERIFY2(expected.contains(u"\tArjun Mehta\tBusiness Phone\t(503) 555-0181\t(458) 555-0181\n"), qPrintable(expected));

    // Other settings stored: the replace must not read them, nor change them.
    QCOMPARE(quenlock({QStringLiteral("set"), QStringLiteral("SearchFor=nothing"), QStringLiteral("BusinessPhone=0"),
                       QStringLiteral("Body=1"), QStringLiteral("FolderCount=0")}),
             0);
    QCOMPARE(quenlock({QStringLiteral("get")}, &before), 0);
    const QStringList replace{QStringLiteral("replace"), QStringLiteral("\\(503\\)"), QStringLiteral("(458)"),
                              QStringLiteral("--fields"), QStringLiteral("phones"), QStringLiteral("--area-codes"),
                              QStringLiteral("--folder"), QStringLiteral("Contacts"), QStringLiteral("--store"), store};
    QCOMPARE(quenlock(replace + QStringList{QStringLiteral("--dry-run")}, &out), 0);
    QCOMPARE(out, expected);
    QCOMPARE(quenlock({QStringLiteral("get")}, &after), 0);
    QCOMPARE(after, before);

    QCOMPARE(quenlock(replace + QStringList{QStringLiteral("--dry-run"), QStringLiteral("--save")}, &out), 0);
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--dry-run"), QStringLiteral("--store"), store}, &out), 0);
    QCOMPARE(out, expected);
}

// An item edited after the run keeps its edit and is reported; the rest is
// given back. Undoing that undo brings the run's values back where it gave
// them back, and the run can be undone again.
void TestHost::undoLeavesWhatChangedSinceAndCanBeUndone()
{
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    QCOMPARE(quenlock(QStringList{QStringLiteral("set"), QStringLiteral("SearchFor=\\(503\\)"),
                                  QStringLiteral("ReplaceWith=(458)"), QStringLiteral("BusinessPhone=1"),
                                  QStringLiteral("AppointmentBody=1"), QStringLiteral("SpecialInstructions=None")}
                          + allFolders(store)),
             0);
    const QMap<QString, QByteArray> before = readTree(store);
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}), 0);
    const QString edited = QStringLiteral("contacts/arjun-mehta.vcf");
    QMap<QString, QByteArray> afterRun = readTree(store);
    QFile file(store + u'/' + edited);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(afterRun[edited].replace("(458) 555-0181", "(458) 555-0999"));
    file.close();
    afterRun = readTree(store);

    QString out, err;
    QCOMPARE(quenlock({QStringLiteral("undo"), QStringLiteral("--yes"), QStringLiteral("--store"), store}, &out, &err), 1);
    QVERIFY2(err.contains(QStringLiteral("quenlock: Changed since the run, left as it is: ") + store
                          + QStringLiteral("\tcontacts\tArjun Mehta\tBusiness Phone\n")),
             qPrintable(err));
    QVERIFY2(out.endsWith(u"; skipped 1 items changed since the run\n"), qPrintable(out));
    QMap<QString, QByteArray> undone = withoutStamps(readTree(store));
    QCOMPARE(undone.take(edited), withoutStamps(afterRun).value(edited));
    QMap<QString, QByteArray> expected = withoutStamps(before);
    expected.remove(edited);
    QVERIFY(undone == expected);

    QCOMPARE(quenlock({QStringLiteral("runs")}, &out), 0);
    const QString undoId = out.section(u'\t', 0, 0);
    QCOMPARE(quenlock({QStringLiteral("undo"), undoId, QStringLiteral("--yes"), QStringLiteral("--store"), store}), 0);
    QVERIFY(withoutStamps(readTree(store)) == withoutStamps(afterRun));
    QCOMPARE(quenlock({QStringLiteral("runs"), QStringLiteral("--json")}, &out), 0);
    const QStringList runs = out.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(QJsonDocument::fromJson(runs[1].toUtf8()).object().value(u"undone").toBool(), true);
    QCOMPARE(QJsonDocument::fromJson(runs[2].toUtf8()).object().value(u"undone").toBool(), false);
}

// Contacts with two (503) numbers each, and settings that change them.
void TestHost::contacts(const QString &store, int count)
{
    QVERIFY(QDir().mkpath(store + QStringLiteral("/contacts")));
    for (int i = 0; i < count; ++i) {
        QFile card(store + QStringLiteral("/contacts/c%1.vcf").arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%1\r\nFN:Person %1\r\nN:%1;Person;;;\r\n"
                                  "TEL;TYPE=WORK,VOICE:(503) 555-%1\r\nTEL;TYPE=CELL:(503) 555-9%1\r\nEND:VCARD\r\n")
                       .arg(i)
                       .toUtf8());
    }
    QCOMPARE(quenlock(QStringList{QStringLiteral("set"), QStringLiteral("SearchFor=\\(503\\)"),
                                  QStringLiteral("ReplaceWith=(458)"), QStringLiteral("BusinessPhone=1"),
                                  QStringLiteral("MobilePhone=1")}
                          + allFolders(store)),
             0);
}

// Runs the command with the process killing itself at its Nth commit of
// undo records before saves, then checks that every item is wholly one of
// the two versions and that no more are the second than have records: a
// file replaced before its records were durable would be one too many.
// Answers how many are the second and how many items the journal lists
// for the command, cut short.
void TestHost::killAtCommit(int n, const QStringList &command, const QMap<QString, QByteArray> &one,
                            const QMap<QString, QByteArray> &other, int &others, qint64 &journaled)
{
    QProcess killed;
    QProcessEnvironment killing = environment();
    killing.insert(QStringLiteral("QUENLOCK_TEST_KILL_AT_COMMIT"), QString::number(n));
    killed.setProcessEnvironment(killing);
    killed.start(QStringLiteral(BIN_DIR "/quenlock"), command);
    QVERIFY(killed.waitForFinished(60000));
    QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
    others = 0;
    const QMap<QString, QByteArray> now = withoutStamps(readTree(command.last()));
    for (auto file = now.cbegin(); file != now.cend(); ++file) {
        if (QFileInfo(file.key()).fileName().startsWith(u'.'))
            continue; // a temporary file the kill left; readers skip it
        QVERIFY2(file.value() == one.value(file.key()) || file.value() == other.value(file.key()),
                 qPrintable(file.key()));
        others += file.value() == other.value(file.key());
    }
    QString out;
    QCOMPARE(quenlock({QStringLiteral("runs"), QStringLiteral("--json")}, &out), 0);
    const QJsonObject cut = QJsonDocument::fromJson(out.section(u'\n', 0, 0).toUtf8()).object();
    QCOMPARE(cut.value(u"state").toString(), QStringLiteral("cut short"));
    journaled = cut.value(u"changed").toInteger();
    QVERIFY2(others <= journaled, qPrintable(QStringLiteral("%1 changed, %2 journaled").arg(others).arg(journaled)));
}

// A run killed while saves are under way, at its second commit (each covers
// a group of saves), leaves no item changed without its undo record:
// undoing the cut-short run gives every item back.
void TestHost::killedRunIsUndone()
{
    QTemporaryDir scratch;
    const QString store = scratch.path() + QStringLiteral("/store");
    contacts(store, 40);
    const QMap<QString, QByteArray> before = withoutStamps(readTree(store));
    QMap<QString, QByteArray> changed = before;
    for (QByteArray &data : changed)
        data.replace("(503)", "(458)");
    int saved = 0;
    qint64 journaled = 0;
    killAtCommit(2, {QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}, before,
                 changed, saved, journaled);
    QVERIFY2(journaled > 0 && journaled < 40, qPrintable(QString::number(journaled)));
    QString out, err;
    QVERIFY2(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--yes"),
                       QStringLiteral("--store"), store}, &out, &err) == 0,
             qPrintable(err.left(2000)));
    QMap<QString, QByteArray> after = withoutStamps(readTree(store));
    after.removeIf([](const auto &file) { return QFileInfo(file.key()).fileName().startsWith(u'.'); });
    QVERIFY(after == before);
}

// An undo killed at its eighth save, before its records are committed
// (an undo saves one item at a time), leaves every item wholly as the run
// left it or wholly given back, and is listed as cut short with the seven
// items it journaled; the next undo of the same run finishes the job.
void TestHost::killedUndoIsFinishedByTheNext()
{
    QTemporaryDir scratch;
    const QString store = scratch.path() + QStringLiteral("/store");
    contacts(store, 20);
    const QMap<QString, QByteArray> before = withoutStamps(readTree(store));
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}), 0);
    const QMap<QString, QByteArray> afterRun = withoutStamps(readTree(store));

    int given = 0;
    qint64 journaled = 0;
    killAtCommit(8, {QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--yes"),
                     QStringLiteral("--store"), store},
                 afterRun, before, given, journaled);
    QCOMPARE(given, 7);
    QCOMPARE(journaled, qint64(7));
    QString out;

    QString err;
    QVERIFY2(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--yes"),
                       QStringLiteral("--store"), store}, &out, &err) == 0,
             qPrintable(err.left(2000)));
    QCOMPARE(out.section(u'\n', -2), QStringLiteral("Restored 26 fields in 13 items; skipped 0 items changed since the run\n"));
    QMap<QString, QByteArray> after = withoutStamps(readTree(store));
    after.removeIf([](const auto &file) { return QFileInfo(file.key()).fileName().startsWith(u'.'); });
    QVERIFY(after == before);
}

// A journal the run did not write that way: one damaged page stops the undo
// before it writes anything, with one line, and the run stays not undone;
// a value no item could hold is refused for its item alone.
void TestHost::damagedJournalStopsUndo_data()
{
    QTest::addColumn<QString>("tamper");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("restored"); // items given back
    QTest::newRow("damaged page") << QStringLiteral("page")
                                  << QStringLiteral("quenlock: The run journal is damaged: database disk image is malformed\n")
                                  << 0;
    QTest::newRow("value past the item size limit")
        << QStringLiteral("value")
        << QStringLiteral("quenlock: Item c0000.vcf in folder contacts not restored: the journal's value of "
                          "BusinessTelephoneNumber is larger than an item may be (64 MiB)\n")
        << 999;
}

void TestHost::damagedJournalStopsUndo()
{
    QFETCH(QString, tamper);
    QFETCH(QString, err);
    QFETCH(int, restored);
    // This run's journal alone, so the damaged page is one of its own.
    const QString file = m_dir.path() + QStringLiteral("/state/quenlock/logs.sqlite");
    const auto removeLog = [&] {
        for (const char *ending : {"", "-wal", "-shm"})
            QFile::remove(file + QLatin1String(ending));
    };
    removeLog();
    const auto cleanUp = qScopeGuard(removeLog);
    QTemporaryDir scratch;
    const QString store = scratch.path() + QStringLiteral("/store");
    QVERIFY(QDir().mkpath(store + QStringLiteral("/contacts")));
    for (int i = 0; i < 1000; ++i) {
        QFile card(store + QStringLiteral("/contacts/c%1.vcf").arg(i, 4, 10, QLatin1Char('0')));
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.write(QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c%1\r\nFN:Person %1\r\n"
                                  "TEL;TYPE=WORK,VOICE:(503) 555-%1\r\nEND:VCARD\r\n").arg(i).toUtf8());
    }
    const QMap<QString, QByteArray> beforeRun = withoutStamps(readTree(store));
    QCOMPARE(quenlock(QStringList{QStringLiteral("set"), QStringLiteral("SearchFor=\\(503\\)"),
                                  QStringLiteral("ReplaceWith=(458)"), QStringLiteral("BusinessPhone=1")}
                          + allFolders(store)),
             0);
    QCOMPARE(quenlock({QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store}), 0);
    const QMap<QString, QByteArray> afterRun = withoutStamps(readTree(store));
    QString runsBefore;
    QCOMPARE(quenlock({QStringLiteral("runs")}, &runsBefore), 0);

    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    if (tamper == u"value") {
        QCOMPARE(sqlite3_exec(db, "UPDATE run_changes SET old_value = printf('%.*c', 67108865, 'x')"
                                  " WHERE item_id = 'c0000.vcf'", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    } else {
        sqlite3_stmt *leaves = nullptr;
        QCOMPARE(sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat WHERE name = 'run_changes' AND pagetype = 'leaf'"
                                        " ORDER BY pageno", -1, &leaves, nullptr), SQLITE_OK);
        QList<qint64> pages;
        while (sqlite3_step(leaves) == SQLITE_ROW)
            pages << sqlite3_column_int64(leaves, 0);
        sqlite3_finalize(leaves);
        sqlite3_close(db);
        QVERIFY(pages.size() > 4);
        QFile journal(file);
        QVERIFY(journal.open(QIODevice::ReadWrite) && journal.seek((pages[pages.size() / 2] - 1) * 4096));
        QCOMPARE(journal.write(QByteArray(4096, char(0xFF))), 4096);
    }

    QString out, stdErr;
    QCOMPARE(quenlock({QStringLiteral("undo"), QStringLiteral("--last"), QStringLiteral("--yes"), QStringLiteral("--store"), store},
                      &out, &stdErr), 1);
    QCOMPARE(stdErr, err);
    const QMap<QString, QByteArray> now = withoutStamps(readTree(store));
    int given = 0;
    for (auto f = now.cbegin(); f != now.cend(); ++f) {
        QVERIFY2(f.value() == beforeRun.value(f.key()) || f.value() == afterRun.value(f.key()), qPrintable(f.key()));
        given += f.value() == beforeRun.value(f.key());
    }
    QCOMPARE(given, restored);
    QCOMPARE(now.size(), afterRun.size());
    if (tamper == u"page") {
        QString runsAfter;
        QCOMPARE(quenlock({QStringLiteral("runs")}, &runsAfter), 0);
        QCOMPARE(runsAfter, runsBefore);
    }
}

void TestHost::runStatuses_data()
{
    QTest::addColumn<QStringList>("settings");
    QTest::addColumn<QString>("mode"); // "--yes", "--dry-run" or none
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("stderrHas");
    QTest::newRow("no terminal, no --yes") << QStringList{QStringLiteral("SearchFor=x")} << QString() << 3
                                           << QStringLiteral("answered No");
    QTest::newRow("count not a number") << QStringList{QStringLiteral("FolderCount=two")} << QStringLiteral("--yes") << 1
                                        << QStringLiteral("Error occurred.  LastLineNumber: 6  Reason: Type mismatch");
    // Scripts see that items ended early: the summary comes, the status is 4.
    QTest::newRow("bad pattern ends each item, not the run")
        << QStringList{QStringLiteral("SearchFor=(x"), QStringLiteral("FileAs=1")} << QStringLiteral("--yes") << 4
        << QStringLiteral("Invalid pattern");
    QTest::newRow("a preview's statuses are the run's")
        << QStringList{QStringLiteral("SearchFor=(x"), QStringLiteral("FileAs=1")} << QStringLiteral("--dry-run") << 4
        << QStringLiteral("Invalid pattern");
    QTest::newRow("count past the last slot ends at once")
        << QStringList{QStringLiteral("SearchFor=x"), QStringLiteral("FolderCount=2147483647")} << QStringLiteral("--yes") << 0
        << QString();
    // The batch run reads the stored text whole: no text box cuts it (the
    // regex engine then finds it too large to compile, item by item).
    QTest::newRow("long search text runs whole")
        << QStringList{QStringLiteral("SearchFor=") + QString(40000, u'q')} << QStringLiteral("--yes") << 4
        << QStringLiteral("regular expression is too large");
}

void TestHost::runStatuses()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, mode);
    QFETCH(int, status);
    QFETCH(QString, stderrHas);
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    // Rows share one settings store: each starts from the sample's contacts folder.
    QCOMPARE(quenlock(setContactsFolder(store)), 0);
    // Hand-edited values the run must meet: set them as they are.
    QCOMPARE(quenlock(QStringList{QStringLiteral("set"), QStringLiteral("--force")} + settings), 0);
    QStringList args{QStringLiteral("run"), QStringLiteral("--store"), store};
    if (!mode.isEmpty())
        args << mode;
    QString out, err;
    QCOMPARE(quenlock(args, &out, &err), status);
    QVERIFY2(err.contains(stderrHas), qPrintable(err));
    QString activity;
    QCOMPARE(quenlock({QStringLiteral("activity")}, &activity), 0);
    if (QTest::currentDataTag() == QLatin1String("long search text runs whole"))
        QVERIFY(activity.contains(QStringLiteral("Looking for '") + QString(40000, u'q') + u'\''));
}

void TestHost::unwritableLog_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    const QString locked = QStringLiteral("quenlock: The run journal cannot be written: database is locked\n");
    const QString corrupt = QStringLiteral(": file is not a database\n");
    QTest::newRow("run, file locked") << QStringLiteral("locked") << QStringLiteral("run") << locked;
    QTest::newRow("run, file corrupt") << QStringLiteral("corrupt") << QStringLiteral("run") << corrupt;
    QTest::newRow("folders, file corrupt") << QStringLiteral("corrupt") << QStringLiteral("folders") << corrupt;
    QTest::newRow("log, file corrupt") << QStringLiteral("corrupt") << QStringLiteral("log") << corrupt;
}

// A log the host cannot write ends every command with one line on stderr and
// status 1, before the store is touched: the run cannot keep undo records.
void TestHost::unwritableLog()
{
    QFETCH(QString, cause);
    QFETCH(QString, command);
    QFETCH(QString, message);
    QTemporaryDir scratch;
    const QString store = sampleStore(scratch.path());
    QCOMPARE(quenlock(setContactsFolder(store, {QStringLiteral("SearchFor=\\(503\\)"), QStringLiteral("ReplaceWith=(458)"),
                                                 QStringLiteral("BusinessPhone=1")})),
             0);
    QCOMPARE(quenlock({QStringLiteral("folders"), QStringLiteral("--store"), store}), 0);
    const QString file = m_dir.path() + QStringLiteral("/state/quenlock/logs.sqlite");
    const QString before = tool(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cd '%1' && ls -aR && cat */*").arg(store)});
    sqlite3 *holder = nullptr;
    const auto release = qScopeGuard([&] {
        sqlite3_close(holder);
        QFile::remove(file);
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file + QStringLiteral("-shm"));
    });
    if (cause == u"locked") {
        QCOMPARE(sqlite3_open_v2(file.toUtf8().constData(), &holder, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else {
        QFile::remove(file + QStringLiteral("-wal"));
        QFile::remove(file + QStringLiteral("-shm"));
        QFile junk(file);
        QVERIFY(junk.open(QIODevice::WriteOnly | QIODevice::Truncate));
        junk.write("junk\n");
    }

    QStringList args{command};
    if (command != u"log")
        args << QStringLiteral("--store") << store;
    if (command == u"run")
        args << QStringLiteral("--yes");
    QString out, err;
    QCOMPARE(quenlock(args, &out, &err), 1);
    QVERIFY2(err.endsWith(message) && err.count(u'\n') == 1 && err.startsWith(u"quenlock: "), qPrintable(err));
    QCOMPARE(tool(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cd '%1' && ls -aR && cat */*").arg(store)}),
             before);
}

void TestHost::librariesExportOnlyTheirFactory_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QStringList>("factories");
    QTest::newRow("module") << QStringLiteral("libmorvane.so") << QStringList{QStringLiteral("quenlock_create_module")};
    QTest::newRow("page") << QStringLiteral("libpellowan.so")
                          << QStringList{QStringLiteral("quenlock_create_page"), QStringLiteral("quenlock_create_run")};
}

void TestHost::librariesExportOnlyTheirFactory()
{
    QFETCH(QString, library);
    QFETCH(QStringList, factories);
    const QString symbols = tool(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                                                        QStringLiteral(BIN_DIR "/") + library});
    // A lower-case type is a local symbol (the sanitizer build keeps a few
    // typeinfo objects in the table): nothing outside can bind to it.
    QStringList names;
    for (const QString &line : symbols.split(u'\n', Qt::SkipEmptyParts))
        if (!line.section(u' ', 1, 1).front().isLower())
            names << line.section(u' ', 2);
    names.removeIf([](const QString &n) { return n.startsWith(u"_init") || n.startsWith(u"_fini"); });
    names.sort();
    QCOMPARE(names, factories);
}

void TestHost::hostLinksNeitherSystemLibrary()
{
    const QString linked = tool(QStringLiteral("ldd"), {QStringLiteral(BIN_DIR "/quenlock")});
    QVERIFY(linked.contains(u"libqlhost.so"));
    QVERIFY(!linked.contains(u"libmorvane"));
    QVERIFY(!linked.contains(u"libpellowan"));
}

QTEST_GUILESS_MAIN(TestHost)
#include "tst_host.moc"
