// SPDX-License-Identifier: MIT
// Runs over a copy of the sample store on disk: only the matching property lines change.
#include "enginehost.h"
#include "storeevidence.h"
#include "storerun.h"
#include "testenvironment.h"
#include "hostobject.h"
#include "progids.h"
#include "prompt.h"
#include "olapplication.h"
#include "fieldflags.h"
#include "recordingprogress.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "runlogs.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"
#include "engineapi.h"
#include "pimapplication.h"
#include "pimclasses.h"
#include "regexclasses.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QString Samples = QStringLiteral(SOURCE_DIR "/samples/store");
const QStringList PhoneKeys = {
    QStringLiteral("AssistantsPhone"), QStringLiteral("BusinessPhone"), QStringLiteral("BusinessPhone2"),
    QStringLiteral("BusinessFax"), QStringLiteral("CallbackPhone"), QStringLiteral("CarPhone"),
    QStringLiteral("CompanyMainPhone"), QStringLiteral("HomePhone"), QStringLiteral("HomePhone2"),
    QStringLiteral("HomeFax"), QStringLiteral("MobilePhone"), QStringLiteral("OtherPhone"),
    QStringLiteral("OtherFax"), QStringLiteral("Pager"), QStringLiteral("PrimaryPhone"),
    QStringLiteral("RadioPhone"), QStringLiteral("TTYPhone")};

// What the run must leave: in every item file, each unfolded line whose
// property name is `property` (parameters aside) and whose value matches gets
// its value rewritten; every other byte stays.
struct Expected
{
    QMap<QString, QByteArray> files;
    QSet<QString> changed;
    int changedItems = 0;
    int changedFields = 0;
};

Expected expectedAfter(const QMap<QString, QByteArray> &before, const QString &property,
                       const QRegularExpression &pattern, const QString &replacement)
{
    Expected expected;
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QList<QByteArray> lines = it.value().split('\n');
        int changed = 0;
        for (QByteArray &line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon < 0)
                continue;
            const QByteArray head = line.left(colon);
            if (head.split(';').first().toUpper() != property.toLatin1())
                continue;
            const bool crlf = line.endsWith('\r');
            const QString value = QString::fromUtf8(line.mid(colon + 1, line.size() - colon - 1 - (crlf ? 1 : 0)));
            if (!pattern.match(value).hasMatch())
                continue;
            QString rewritten = value;
            rewritten.replace(pattern, replacement);
            line = head + ':' + rewritten.toUtf8() + (crlf ? "\r" : "");
            ++changed;
        }
        expected.files.insert(it.key(), lines.join('\n'));
        if (changed) {
            expected.changed.insert(it.key());
            ++expected.changedItems;
            expected.changedFields += changed;
        }
    }
    return expected;
}
// A saved item may carry a new revision stamp; nothing else of it may differ.
QByteArray withoutStamps(const QByteArray &text)
{
    QList<QByteArray> kept;
    for (const QByteArray &line : text.split('\n'))
        if (!line.startsWith("REV:") && !line.startsWith("LAST-MODIFIED:") && !line.startsWith("DTSTAMP:")
            && !line.startsWith("SEQUENCE:"))
            kept.append(line);
    return kept.join('\n');
}
} // namespace

class TestSampleRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sampleStoreIsComplete();
    void replace_data();
    void replace();
};

// Every folder the run handles is there, with a display name and items.
void TestSampleRun::sampleStoreIsComplete()
{
    const QMap<QString, QByteArray> files = readTree(Samples);
    for (const char *folder : {"contacts", "calendar", "tasks"})
        QVERIFY2(files.contains(QLatin1String(folder) + QLatin1String("/displayname")), folder);
    int cards = 0, groups = 0, events = 0, todos = 0;
    QSet<QByteArray> versions;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QByteArray &text = it.value();
        if (it.key().endsWith(QLatin1String(".vcf"))) {
            QVERIFY2(text.contains("\r\n"), qPrintable(it.key()));
            if (text.contains("KIND:group"))
                ++groups;
            else
                ++cards;
            versions.insert(text.mid(text.indexOf("VERSION:") + 8, 3));
        }
        events += text.count("BEGIN:VEVENT");
        todos += text.count("BEGIN:VTODO");
    }
    QVERIFY(cards >= 30);
    QVERIFY(groups >= 1);
    QCOMPARE(versions, (QSet<QByteArray>{"2.1", "3.0", "4.0"}));
    QVERIFY(events >= 8);
    QVERIFY(todos >= 8);
}

void TestSampleRun::replace_data()
{
    QTest::addColumn<QStringList>("flagKeys");
    QTest::addColumn<QString>("special");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<QString>("replaceText");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QString>("property");  // the lines that may change
    QTest::addColumn<QString>("oracle");    // what those lines must match to change
    QTest::addColumn<QString>("oracleReplacement");

    QTest::newRow("area-code-in-every-phone") << PhoneKeys << QStringLiteral("None") << QStringLiteral("\\(503\\)")
                                              << QStringLiteral("(458)") << false << QStringLiteral("TEL")
                                              << QStringLiteral("\\(503\\)") << QStringLiteral("(458)");
    QTest::newRow("area-code-mode") << PhoneKeys << QStringLiteral("Only look in city/area codes")
                                    << QStringLiteral("503") << QStringLiteral("458") << false << QStringLiteral("TEL")
                                    << QStringLiteral("\\(503\\)") << QStringLiteral("(458)");
    QTest::newRow("area-code-mode-leaves-local-part")
        << PhoneKeys << QStringLiteral("Only look in city/area codes") << QStringLiteral("555")
        << QStringLiteral("556") << false << QStringLiteral("TEL") << QStringLiteral("^$") << QString();
    QTest::newRow("task-companies") << QStringList{QStringLiteral("TaskCompanies")} << QStringLiteral("None")
                                    << QStringLiteral("birchwood analytics") << QStringLiteral("Birchwood Data")
                                    << false << QStringLiteral("X-QUENLOCK-COMPANIES")
                                    << QStringLiteral("(?i)birchwood analytics") << QStringLiteral("Birchwood Data");
    QTest::newRow("task-companies-case-sensitive-miss")
        << QStringList{QStringLiteral("TaskCompanies")} << QStringLiteral("None") << QStringLiteral("birchwood analytics")
        << QStringLiteral("Birchwood Data") << true << QStringLiteral("X-QUENLOCK-COMPANIES") << QStringLiteral("^$")
        << QString();
}

void TestSampleRun::replace()
{
    QFETCH(QStringList, flagKeys);
    QFETCH(QString, special);
    QFETCH(QString, searchText);
    QFETCH(QString, replaceText);
    QFETCH(bool, caseSensitive);
    QFETCH(QString, property);
    QFETCH(QString, oracle);
    QFETCH(QString, oracleReplacement);

    TestEnvironment env;
    const QString store = env.path() + QStringLiteral("/store");
    const QMap<QString, QByteArray> before = readTree(Samples);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        QDir().mkpath(QFileInfo(store + u'/' + it.key()).path());
        QFile file(store + u'/' + it.key());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
    Pim::registerPimClasses();
    Regex::registerRegexClasses();
    EngineHost host;
    host.engineApi = std::make_shared<EngineApi>(Pim::createApplication({store}, QString()));

    QCOMPARE(chooseAllFolders(host), 3);
    for (const QString &key : flagKeys)
        WriteSetting(key, QStringLiteral("1"));
    WriteSetting(QStringLiteral("SpecialInstructions"), special);

    RecordingProgress progress;
    runOver(host, {searchText, replaceText, caseSensitive ? 1 : 0}, &progress);

    const Expected expected = expectedAfter(before, property, QRegularExpression(oracle), oracleReplacement);
    QStringList errors;
    for (const LogLine &line : env.utility.lines)
        errors.append(line.source + u' ' + line.message);
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(progress.label,
             QStringLiteral("Updated %1 items in 3 folders").arg(expected.changedItems));
    const QMap<QString, QByteArray> after = readTree(store);
    QCOMPARE(after.keys(), before.keys());
    for (auto it = expected.files.cbegin(); it != expected.files.cend(); ++it)
        QVERIFY2(expected.changed.contains(it.key())
                     ? withoutStamps(after.value(it.key())) == withoutStamps(it.value())
                     : after.value(it.key()) == it.value(),
                 qPrintable(it.key() + QStringLiteral(":\n") + QString::fromUtf8(after.value(it.key()))));
    int undoEntries = 0;
    for (const ActivityLine &line : env.activity)
        undoEntries += line.kind == -1;
    QCOMPARE(undoEntries, expected.changedFields * 5);
}

QTEST_GUILESS_MAIN(TestSampleRun)
#include "tst_samplerun.moc"
