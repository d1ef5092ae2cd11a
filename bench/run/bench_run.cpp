// SPDX-License-Identifier: MIT
// Times `quenlock run --yes` over generated contact stores against `sed -i`
// applying the same literal replacement to the same files and against the
// I/O floor any run pays (read every file once, temp-write and rename the
// changed ones, one syncfs). Each contender works on a fresh copy and the
// faster of two rounds counts. Prints items per second, user and system CPU,
// peak memory and the ratios.
//
// With no case given, two cases, warm, the light one also cold (the page
// cache dropped before each contender; needs root):
//   light  about 1 contact in 5 matching, every contact field looked in
//   heavy  about 2 in 3 matching, the 17 phone fields, area codes only
//
//   bench_run [--quenlock PATH] [--dir SCRATCH] [--matching PERCENT]
//             [--fields all|phones] [--no-cold] [SIZE...]   (default 10000 100000)
//
// --matching and --fields give one case of their own (phones: area codes only).
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char *const ContactFlags[] = {
    "AccountName", "AssistantsPhone", "BusinessStreetAddress", "BusinessCity", "BusinessState",
    "BusinessZip", "Body", "BusinessPhone", "BusinessPhone2", "BusinessFax", "BusinessHomePage",
    "CallbackPhone", "CarPhone", "CompanyMainPhone", "CompanyName", "EmailAddress", "Email2Address",
    "Email3Address", "EmailDisplayAs", "Email2DisplayAs", "Email3DisplayAs", "FileAs",
    "HomeStreetAddress", "HomeCity", "HomeState", "HomeZip", "HomePhone", "HomePhone2", "HomeFax",
    "MobilePhone", "OfficeLocation", "OtherStreetAddress", "OtherCity", "OtherState", "OtherZip",
    "OtherPhone", "OtherFax", "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"};

const char *const Given[] = {"Anna", "Ben", "Carla", "David", "Elena", "Farid", "Grace", "Hugo",
                             "Ines", "Jonas", "Kofi", "Lena", "Mateo", "Nora", "Omar", "Priya"};
const char *const Family[] = {"Andersen", "Brooks", "Castillo", "Dubois", "Eriksen", "Fischer",
                              "Garcia", "Hughes", "Ivanova", "Jensen", "Kowalski", "Lindqvist"};
const char *const Companies[] = {"Northwind Traders", "Bluebird Logistics", "Cedar Health",
                                 "Harbor Analytics", "Pinewood Legal", "Summit Dental"};

QString phone(QRandomGenerator &random, bool matching)
{
    const int area = matching ? 555 : 200 + int(random.bounded(700)) % 355; // never 555
    return QStringLiteral("(%1) %2-%3").arg(area).arg(random.bounded(200, 999)).arg(random.bounded(1000, 9999));
}

// About `percent` contacts in a hundred carry the (555) area code in their work phone.
void generate(const QString &folder, int count, int percent)
{
    QDir().mkpath(folder);
    QFile name(folder + QStringLiteral("/displayname"));
    name.open(QIODevice::WriteOnly);
    name.write("Contacts\n");
    QRandomGenerator random(42);
    for (int i = 0; i < count; ++i) {
        const QString given = QLatin1String(Given[i % 16]);
        const QString family = QLatin1String(Family[(i / 16) % 12]);
        const QString company = QLatin1String(Companies[i % 6]);
        const bool matching = int(random.bounded(100)) < percent;
        QString card;
        QTextStream out(&card);
        out << "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" << i << "\r\n"
            << "FN:" << given << ' ' << family << "\r\nN:" << family << ';' << given << ";;;\r\n"
            << "ORG:" << company << ";Sales;Building " << (i % 9) << "\r\n"
            << "TEL;TYPE=WORK,VOICE:" << phone(random, matching) << "\r\n"
            << "TEL;TYPE=CELL:" << phone(random, false) << "\r\n"
            << "TEL;TYPE=HOME,VOICE:" << phone(random, false) << "\r\n"
            << "EMAIL;TYPE=INTERNET:" << given.toLower() << '.' << family.toLower() << "@example.com\r\n"
            << "ADR;TYPE=WORK:;;" << (i % 400 + 1) << " Market Street;Springfield;IL;627" << (i % 90 + 10)
            << ";USA\r\n"
            << "URL:https://www.example.com/" << i << "\r\n"
            << "NOTE:Met at the " << (2015 + i % 10) << " trade fair. Prefers e-mail.\r\n"
            << "END:VCARD\r\n";
        out.flush();
        QFile file(QStringLiteral("%1/contact-%2.vcf").arg(folder).arg(i, 6, 10, QLatin1Char('0')));
        file.open(QIODevice::WriteOnly);
        file.write(card.toUtf8());
    }
}

struct Measure
{
    double seconds = 0;
    long peakKb = 0;
    double userSeconds = 0, systemSeconds = 0;
    int status = 0;
    QByteArray output;
};

// Runs a command and reports its wall time and its own peak resident memory
// (posix_spawn and wait4, so the rusage is the child's alone).
QString quenlockProgram = QStringLiteral(BIN_DIR "/quenlock");

Measure timed(const QString &program, const QStringList &args, const QStringList &env = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &pair : env)
        environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    QList<QByteArray> argStore{program.toLocal8Bit()}, envStore;
    for (const QString &a : args)
        argStore << a.toLocal8Bit();
    for (const QString &e : environment.toStringList())
        envStore << e.toLocal8Bit();
    std::vector<char *> argv, envp;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray &e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    QTemporaryFile log;
    log.open();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, log.handle(), 1);
    posix_spawn_file_actions_adddup2(&actions, log.handle(), 2);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Measure m;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        m.status = -1;
        return m;
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    m.seconds = clock.nsecsElapsed() / 1e9;
    posix_spawn_file_actions_destroy(&actions);
    m.peakKb = usage.ru_maxrss;
    m.userSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6;
    m.systemSeconds = usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    log.seek(0);
    m.output = log.readAll();
    return m;
}

void readAll(const QString &folder)
{
    QDirIterator it(folder, {QStringLiteral("*.vcf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        file.readAll();
    }
}

// Every dirty page written and the page cache emptied, so the next reader
// reads from the disk.
bool dropCaches()
{
    ::sync();
    QFile drop(QStringLiteral("/proc/sys/vm/drop_caches"));
    return drop.open(QIODevice::WriteOnly) && drop.write("3\n") == 2;
}

double cpuSeconds(const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; }

// The floor, in this process: read each file once; rewrite the changed ones
// through a temporary file and a rename in the same folder; one syncfs.
Measure floorRun(const QString &folder)
{
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer clock;
    clock.start();
    QDirIterator it(folder, {QStringLiteral("*.vcf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QByteArray data = file.readAll();
        file.close();
        if (!data.contains("(555)"))
            continue;
        data.replace("(555)", "(556)");
        const QByteArray temp = (path + QStringLiteral(".tmp")).toLocal8Bit();
        const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, data.constData(), size_t(data.size())) != data.size())
            std::perror("write");
        ::close(fd);
        ::rename(temp.constData(), path.toLocal8Bit().constData());
    }
    const int fd = ::open(folder.toLocal8Bit().constData(), O_RDONLY);
    syncfs(fd);
    ::close(fd);
    Measure m;
    m.seconds = clock.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_SELF, &after);
    m.userSeconds = cpuSeconds(after.ru_utime) - cpuSeconds(before.ru_utime);
    m.systemSeconds = cpuSeconds(after.ru_stime) - cpuSeconds(before.ru_stime);
    m.peakKb = after.ru_maxrss;
    return m;
}

int changedFiles(const QString &folder)
{
    int changed = 0;
    QDirIterator it(folder, {QStringLiteral("*.vcf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        changed += file.readAll().contains("(556)");
    }
    return changed;
}

struct Case
{
    QString name;
    int matchingPercent;
    bool phonesOnly; // the 17 phone fields, area codes only; else every contact field
    bool cold;
};

const char *const PhoneFlags[] = {"AssistantsPhone", "BusinessPhone", "BusinessPhone2", "BusinessFax",
                                  "CallbackPhone", "CarPhone", "CompanyMainPhone", "HomePhone",
                                  "HomePhone2", "HomeFax", "MobilePhone", "OtherPhone", "OtherFax",
                                  "Pager", "PrimaryPhone", "RadioPhone", "TTYPhone"};

QStringList settingsFor(const Case &c)
{
    QStringList settings = {QStringLiteral("set"), QStringLiteral("SearchFor=\\(555\\)"),
                            QStringLiteral("ReplaceWith=(556)"), QStringLiteral("CaseSensitive=0"),
                            QStringLiteral("FolderCount=1"), QStringLiteral("FolderName1=Contacts"),
                            QStringLiteral("FolderEntryId1=contacts")};
    for (const char *key : ContactFlags)
        settings << QLatin1String(key) + QStringLiteral("=0");
    if (c.phonesOnly) {
        for (const char *key : PhoneFlags)
            settings << QLatin1String(key) + QStringLiteral("=1");
        settings << QStringLiteral("SpecialInstructions=Only look in city/area codes");
    } else {
        for (const char *key : ContactFlags)
            settings << QLatin1String(key) + QStringLiteral("=1");
        settings << QStringLiteral("SpecialInstructions=None");
    }
    return settings;
}

// The three contenders of one case, the faster of two rounds each.
struct Result
{
    Measure run, sed, floor;
    int changedByRun = 0, changedByFloor = 0;
};

Result measureCase(const Case &c, int size, const QString &scratchBase)
{
    QTemporaryDir scratch(scratchBase + QStringLiteral("/quenlock-bench-XXXXXX"));
    const QString base = scratch.path() + QStringLiteral("/base");
    generate(base + QStringLiteral("/contacts"), size, c.matchingPercent);
    int copies = 0;
    // A fresh copy for every contender, in the page cache (warm) or not (cold).
    auto freshCopy = [&] {
        const QString target = scratch.path() + QStringLiteral("/copy%1").arg(copies++);
        QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), base, target});
        if (c.cold)
            dropCaches();
        else
            readAll(target);
        return target;
    };
    const QStringList env = {QStringLiteral("XDG_CONFIG_HOME=") + scratch.path() + QStringLiteral("/config"),
                             QStringLiteral("XDG_STATE_HOME=") + scratch.path() + QStringLiteral("/state"),
                             QStringLiteral("XDG_DATA_HOME=") + scratch.path() + QStringLiteral("/data")};
    // A setting refused would leave the run to the last case's settings.
    if (const Measure set = timed(quenlockProgram, settingsFor(c), env); set.status != 0)
        std::printf("settings refused (%d): %s\n", set.status, set.output.right(2000).constData());
    const auto faster = [](Measure &best, const Measure &one, int round) {
        if (round == 0 || one.seconds < best.seconds)
            best = one;
    };
    Result r;
    for (int round = 0; round < 2; ++round) {
        const QString runStore = freshCopy();
        timed(quenlockProgram,
              {QStringLiteral("set"), QStringLiteral("FolderStoreId1=") + QDir(runStore).canonicalPath()}, env);
        const Measure one = timed(quenlockProgram, {QStringLiteral("run"), QStringLiteral("--yes"),
                                                    QStringLiteral("--store"), runStore}, env);
        if (one.status != 0)
            std::printf("run failed (%d): %s\n", one.status, one.output.right(2000).constData());
        faster(r.run, one, round);
        r.changedByRun = changedFiles(runStore);
        const QString floorStore = freshCopy();
        faster(r.floor, floorRun(floorStore), round);
        r.changedByFloor = changedFiles(floorStore);
        const QString sedStore = freshCopy();
        faster(r.sed,
               timed(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("find '%1' -name '*.vcf' -print0 | xargs -0 sed -i 's/(555)/(556)/g'")
                          .arg(sedStore)}),
               round);
        for (const QString &store : {runStore, floorStore, sedStore})
            QDir(store).removeRecursively();
    }
    return r;
}

void printLine(const char *who, const Measure &m, int size, const Measure &run)
{
    std::printf("  %-6s %7.2f s %8.0f items/s   user %6.2f s (%5.1f us/item)  system %6.2f s",
                who, m.seconds, size / m.seconds, m.userSeconds, m.userSeconds * 1e6 / size,
                m.systemSeconds);
    // Only the run's own peak is its own: sed's and the floor's would be this program's.
    if (&m == &run)
        std::printf("   peak %.1f MB", m.peakKb / 1024.0);
    else
        std::printf("   run/%s %.2f", who, run.seconds / m.seconds);
    std::printf("\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString scratchBase = QDir::tempPath();
    QList<int> sizes;
    int matching = -1;
    QString fields;
    bool cold = true;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--quenlock" && i + 1 < args.size())
            quenlockProgram = args[++i];
        else if (args[i] == u"--dir" && i + 1 < args.size())
            scratchBase = args[++i];
        else if (args[i] == u"--matching" && i + 1 < args.size())
            matching = args[++i].toInt();
        else if (args[i] == u"--fields" && i + 1 < args.size())
            fields = args[++i];
        else if (args[i] == u"--no-cold")
            cold = false;
        else
            sizes << args[i].toInt();
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000};
    QList<Case> cases;
    if (matching >= 0 || !fields.isEmpty()) {
        cases = {{QStringLiteral("custom"), matching >= 0 ? matching : 20, fields == u"phones", false}};
    } else {
        cases = {{QStringLiteral("light"), 20, false, false}, {QStringLiteral("heavy"), 67, true, false}};
        if (cold)
            cases.append({QStringLiteral("light, cold"), 20, false, true});
    }
    double loads[3] = {};
    if (getloadavg(loads, 3) > 0)
        std::printf("load average at the start: %.2f %.2f %.2f\n", loads[0], loads[1], loads[2]);
    for (const Case &c : cases) {
        double firstRun = 0;
        int firstSize = 0;
        for (int size : sizes) {
            const Result r = measureCase(c, size, scratchBase);
            std::printf("%s case, %d contacts, %d%% matching, %s; %d changed by the run, %d by the floor\n",
                        qPrintable(c.name), size, c.matchingPercent,
                        c.phonesOnly ? "17 phone fields, area codes only" : "every contact field",
                        r.changedByRun, r.changedByFloor);
            printLine("run", r.run, size, r.run);
            printLine("sed", r.sed, size, r.run);
            printLine("floor", r.floor, size, r.run);
            if (!firstSize) {
                firstSize = size;
                firstRun = r.run.seconds;
            } else {
                std::printf("  run time %d / run time %d: %.2f\n", size, firstSize, r.run.seconds / firstRun);
            }
            std::fflush(stdout);
        }
    }
    return 0;
}
