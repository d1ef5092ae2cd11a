// SPDX-License-Identifier: MIT
// One contact with a very large property line (a NOTE of 5 or 50 MB, a
// PHOTO of 10 MB), read through Items/Item(1) and the contact wrapper (all
// 41 contact properties, Body included) and saved after changing another
// field. Each case runs in a fresh process of its own (this program again),
// so its peak memory (ru_maxrss) is its own and no freed heap of another
// case hides it. Then the same store goes through `quenlock run --yes`, the
// body looked in (once finding nothing, once one match at the body's end),
// and for the PHOTO every contact field looked in, each measured against an
// empty run over a small contact with the same settings.
// Usage: bench_bigline [--quenlock PATH]
#include "fieldtable.h"
#include "progids.h"
#include "olapplication.h"
#include "safeitem.h"
#include "pimapplication.h"
#include "pimclasses.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <vector>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Every contact property a step reads, and the subject.
const QStringList properties = [] {
    QStringList names {QStringLiteral("Subject")};
    for (const FieldTable::Field &field : FieldTable::fieldsOf(FieldTable::Page::Contacts))
        names << QLatin1String(field.property);
    return names;
}();

// A content line folded at 75 octets with CRLF, as exporters write it.
QByteArray folded(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size() + line.size() / 74 * 3 + 2);
    qsizetype pos = 0;
    for (int limit = 75; pos < line.size(); limit = 74) {
        if (pos > 0)
            out += "\r\n ";
        out.append(line.constData() + pos, qMin<qsizetype>(limit, line.size() - pos));
        pos += limit;
    }
    return out + "\r\n";
}

QByteArray contact(const QByteArray &bigLine)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-big\r\nFN:Jane Doe\r\nN:Doe;Jane;;;\r\n"
           "ORG:Acme;Sales;Room 4\r\nTEL;TYPE=WORK,VOICE:(555) 010-1000\r\n"
           "TEL;TYPE=CELL:(555) 040-1234\r\nEMAIL;TYPE=WORK:jane@acme.example\r\n"
           "ADR;TYPE=WORK:;;1 Industrial Way;Springfield;IL;62701;USA\r\n"
         + folded(bigLine) + "REV:20240105T081500Z\r\nEND:VCARD\r\n";
}

// A note of about `bytes` octets: sentences with escaped commas and line breaks.
QByteArray note(qsizetype bytes)
{
    const QByteArray sentence = "Met at the trade fair\\, wants a catalogue.\\nCall back in spring. ";
    QByteArray value;
    value.reserve(bytes + sentence.size());
    while (value.size() < bytes)
        value += sentence;
    return "NOTE:" + value;
}

QByteArray photo(qsizetype bytes)
{
    QByteArray jpeg(bytes * 3 / 4, Qt::Uninitialized);
    for (qsizetype i = 0; i < jpeg.size(); ++i)
        jpeg[i] = char(i * 2654435761u >> 13);
    return "PHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64();
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Resident now; the peak so far may lie above it (start-up), which would hide growth.
long residentKiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs in the child: reads all properties, or changes one field and saves.
// Ending the application syncs what was saved, as at the end of a run.
void measure(const QString &store, bool save)
{
    const qint64 fileSize = QFileInfo(store + QStringLiteral("/contacts/big.vcf")).size();
    Pim::registerPimClasses();
    const long before = residentKiB();
    QElapsedTimer timer;
    timer.start();
    qint64 characters = 0;
    {
        auto application = Pim::createApplication({store}, {});
        auto items = application->GetNamespace(QStringLiteral("MAPI"))->Folders().first()->Folders().first()->Items();
        auto w = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
        w->setItem(items->Item(1));
        if (save) {
            w->write(QStringLiteral("CompanyName"), QStringLiteral("Globex"));
            w->Save();
        } else {
            for (const QString &p : properties)
                characters += w->read(p).size();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long peak = peakKiB();
    std::printf("  %-5s %8.3f s   peak %7.1f MiB (%+7.1f MiB over the %.1f MiB resident before, %.1f x the file)%s\n",
                save ? "save" : "read", seconds, peak / 1024.0, (peak - before) / 1024.0,
                before / 1024.0, (peak - before) * 1024.0 / double(fileSize),
                save ? "" : qPrintable(QStringLiteral("   %1 characters").arg(characters)));
}

// One quenlock command with a private settings store and logs; its wall
// time and its own peak memory. fork, not posix_spawn: a child that shares
// this process's memory until exec inherits its peak as its own.
struct Spawned
{
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

// The program run: this build's, or the one named with --quenlock.
QByteArray quenlockProgram = BIN_DIR "/quenlock";

Spawned quenlock(const QString &scratch, const QStringList &args)
{
    QList<QByteArray> argStore{quenlockProgram};
    for (const QString &a : args)
        argStore << a.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray base = QFile::encodeName(scratch);
    Spawned out;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
            setenv(name, (base + '/' + name).constData(), 1);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    out.seconds = timer.nsecsElapsed() / 1e9;
    out.peakKiB = usage.ru_maxrss;
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// `quenlock run --yes` over a store holding a copy of the contact file, with
// the given fields looked in; the settings name the store's contacts folder.
Spawned runOver(const QString &contactFile, const QStringList &flags, const QString &search,
                const QString &replacement)
{
    QTemporaryDir dir;
    const QString store = dir.path() + QStringLiteral("/store");
    QDir().mkpath(store + QStringLiteral("/contacts"));
    if (!QFile::copy(contactFile, store + QStringLiteral("/contacts/big.vcf")))
        return {};
    QStringList settings = {QStringLiteral("set"), QStringLiteral("SearchFor=") + search,
                            QStringLiteral("ReplaceWith=") + replacement,
                            QStringLiteral("FolderCount=1"), QStringLiteral("FolderName1=Contacts"),
                            QStringLiteral("FolderEntryId1=contacts"),
                            QStringLiteral("FolderStoreId1=") + QDir(store).canonicalPath()};
    for (const QString &flag : flags)
        settings << flag + QStringLiteral("=1");
    quenlock(dir.path(), settings);
    return quenlock(dir.path(), {QStringLiteral("run"), QStringLiteral("--yes"), QStringLiteral("--store"), store});
}

// The Body flag alone, or every contact flag.
QStringList flagsFor(bool everyField)
{
    if (!everyField)
        return {QStringLiteral("Body")};
    QStringList flags;
    for (const FieldTable::Field &field : FieldTable::fieldsOf(FieldTable::Page::Contacts))
        flags << QLatin1String(field.flagKey);
    return flags;
}

void printRun(const char *label, const Spawned &run, const Spawned &empty, qint64 propertySize)
{
    std::printf("  run %-22s %7.3f s   peak %7.1f MiB (%+7.1f MiB over the empty run's %.1f MiB, %.1f x the property)%s\n",
                label, run.seconds, run.peakKiB / 1024.0, (run.peakKiB - empty.peakKiB) / 1024.0,
                empty.peakKiB / 1024.0, (run.peakKiB - empty.peakKiB) * 1024.0 / double(propertySize),
                run.status == 0 ? "" : "   (the run failed)");
}

// The contact file through the real run, against an empty run over a small
// contact with the same settings.
void runThroughQuenlock(const QString &contactFile, qint64 propertySize, bool everyField)
{
    QTemporaryDir dir;
    const QString small = dir.path() + QStringLiteral("/small.vcf");
    {
        QFile f(small);
        if (!f.open(QIODevice::WriteOnly) || f.write(contact("NOTE:short")) < 0)
            return;
    }
    const QStringList flags = flagsFor(everyField);
    const QString area = QStringLiteral("\\(555\\)");
    const Spawned empty = runOver(small, flags, area, QStringLiteral("(556)"));
    printRun("nothing found", runOver(contactFile, flags, area, QStringLiteral("(556)")), empty,
             propertySize);
    if (!everyField)
        printRun("one match at the end",
                 runOver(contactFile, flags, QStringLiteral("spring\\. $"), QStringLiteral("summer. ")),
                 empty, propertySize);
}

// The line is made and written here and freed before the children start,
// so they do not inherit it in their resident memory.
void runCase(const char *label, const std::function<QByteArray()> &bigLine, bool everyField)
{
    QTemporaryDir dir;
    const QString store = dir.path() + QStringLiteral("/store");
    QDir().mkpath(store + QStringLiteral("/contacts"));
    const QString path = store + QStringLiteral("/contacts/big.vcf");
    qint64 size = 0;
    qint64 propertySize = 0;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return;
        const QByteArray line = bigLine();
        propertySize = line.size();
        size = f.write(contact(line));
    }
    std::printf("%s (file %.1f MiB)\n", label, size / 1048576.0);
    std::fflush(stdout);
    for (const char *what : {"read", "save"}) {
        const QByteArray storeArg = QFile::encodeName(store);
        const pid_t child = fork();
        if (child == 0) {
            execl("/proc/self/exe", "bench_bigline", what, storeArg.constData(), nullptr);
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
    }
    runThroughQuenlock(path, propertySize, everyField);
}
} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && (qstrcmp(argv[1], "read") == 0 || qstrcmp(argv[1], "save") == 0)) {
        QCoreApplication app(argc, argv);
        measure(QFile::decodeName(argv[2]), qstrcmp(argv[1], "save") == 0);
        return 0;
    }
    if (argc == 3 && qstrcmp(argv[1], "--quenlock") == 0)
        quenlockProgram = argv[2];
    std::printf("baseline process: %.1f MiB\n", peakKiB() / 1024.0);
    runCase("NOTE 5 MB", [] { return note(5'000'000); }, false);
    runCase("NOTE 50 MB", [] { return note(50'000'000); }, false);
    runCase("PHOTO 10 MB", [] { return photo(10'000'000); }, true);
    return 0;
}
