// SPDX-License-Identifier: MIT
// Times `quenlock run --yes` over generated contact stores against `sed -i`
// applying the same literal replacement and against the I/O floor any run
// pays (read every file once, temp-write and rename the changed ones, one
// syncfs). Prints items per second, peak memory and the ratios.
//
//   bench_run [--quenlock PATH] [--dir SCRATCH] [SIZE...]   (default 10000 100000)
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

// About one contact in five carries the (555) area code in one of its phones.
void generate(const QString &folder, int count)
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
        const bool matching = random.bounded(5) == 0;
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

// The floor: read each file once; rewrite the changed ones through a temporary
// file and a rename in the same folder; one syncfs at the end.
double floorRun(const QString &folder)
{
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
    return clock.nsecsElapsed() / 1e9;
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString quenlock = QStringLiteral(BIN_DIR "/quenlock");
    QString scratchBase = QDir::tempPath();
    QList<int> sizes;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--quenlock" && i + 1 < args.size())
            quenlock = args[++i];
        else if (args[i] == u"--dir" && i + 1 < args.size())
            scratchBase = args[++i];
        else
            sizes << args[i].toInt();
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000};

    QTextStream out(stdout);
    out << "contacts\trun s\titems/s\tpeak MB\tsed s\tfloor s\trun/sed\trun/floor\tchanged\n";
    double firstRun = 0;
    int firstSize = 0;
    for (int size : sizes) {
        QTemporaryDir scratch(scratchBase + QStringLiteral("/quenlock-bench-XXXXXX"));
        const QString base = scratch.path() + QStringLiteral("/base");
        generate(base + QStringLiteral("/contacts"), size);
        // Every contender works on its own copy, starting with the files in the page cache.
        auto copyOf = [&](const QString &name) {
            const QString target = scratch.path() + QLatin1Char('/') + name;
            QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), base, target});
            readAll(target);
            return target;
        };
        const QStringList env = {QStringLiteral("XDG_CONFIG_HOME=") + scratch.path() + QStringLiteral("/config"),
                                 QStringLiteral("XDG_STATE_HOME=") + scratch.path() + QStringLiteral("/state"),
                                 QStringLiteral("XDG_DATA_HOME=") + scratch.path() + QStringLiteral("/data")};
        QStringList settings = {QStringLiteral("set"), QStringLiteral("SearchFor=\\(555\\)"),
                                QStringLiteral("ReplaceWith=(556)"), QStringLiteral("CaseSensitive=0"),
                                QStringLiteral("FolderCount=1"), QStringLiteral("FolderName1=Contacts"),
                                QStringLiteral("FolderEntryId1=contacts")};
        for (const char *key : ContactFlags)
            settings << QLatin1String(key) + QStringLiteral("=1");
        timed(quenlock, settings, env);

        // Run and floor twice each on fresh copies and keep the faster of each,
        // so a noisy neighbour on a shared machine does not decide the ratio.
        Measure run;
        double floor = 0;
        QString runStore, floorStore;
        for (int round = 0; round < 2; ++round) {
            runStore = copyOf(QStringLiteral("run%1").arg(round));
            timed(quenlock, {QStringLiteral("set"), QStringLiteral("FolderStoreId1=") + QDir(runStore).canonicalPath()},
                  env);
            const Measure one = timed(quenlock, {QStringLiteral("run"), QStringLiteral("--yes"),
                                                 QStringLiteral("--store"), runStore}, env);
            if (one.status != 0)
                out << "run failed (" << one.status << "): " << one.output.right(2000) << '\n';
            if (round == 0 || one.seconds < run.seconds)
                run = one;
            floorStore = copyOf(QStringLiteral("floor%1").arg(round));
            const double f = floorRun(floorStore);
            floor = round == 0 ? f : std::min(floor, f);
        }
        const QString sedStore = copyOf(QStringLiteral("sed"));
        const Measure sed = timed(QStringLiteral("/bin/sh"),
                                  {QStringLiteral("-c"),
                                   QStringLiteral("find '%1' -name '*.vcf' -print0 | xargs -0 sed -i 's/(555)/(556)/g'")
                                       .arg(sedStore)});

        out << size << '\t' << QString::number(run.seconds, 'f', 2) << '\t'
            << qRound(size / run.seconds) << '\t' << QString::number(run.peakKb / 1024.0, 'f', 1) << '\t'
            << QString::number(sed.seconds, 'f', 2) << '\t' << QString::number(floor, 'f', 2) << '\t'
            << QString::number(run.seconds / sed.seconds, 'f', 2) << '\t'
            << QString::number(run.seconds / floor, 'f', 2) << '\t' << changedFiles(runStore) << '/'
            << changedFiles(floorStore) << Qt::endl;
        out << "  run CPU: user " << QString::number(run.userSeconds, 'f', 2) << " s, system "
            << QString::number(run.systemSeconds, 'f', 2) << " s" << Qt::endl;
        if (!firstSize) {
            firstSize = size;
            firstRun = run.seconds;
        } else {
            out << "time " << size << " / time " << firstSize << ": "
                << QString::number(run.seconds / firstRun, 'f', 2) << Qt::endl;
        }
    }
    return 0;
}
