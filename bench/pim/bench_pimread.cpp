// SPDX-License-Identifier: MIT
// Lists and reads generated contacts through Items/Item(i) and the contact
// wrapper (all 41 contact properties), against `cat` of the same files.
// Usage: bench_pimread [count=100000] [directory]  (a given directory is reused)
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
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

namespace {
// Every contact property a step reads.
const QStringList properties = [] {
    QStringList names;
    for (const FieldTable::Field &field : FieldTable::fieldsOf(FieldTable::Page::Contacts))
        names << QLatin1String(field.property);
    return names;
}();

QByteArray contact(int i)
{
    const QByteArray n = QByteArray::number(i);
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:bench-" + n + "\r\nFN:Person " + n
         + "\r\nN:" + n + ";Person;;;\r\nX-EVOLUTION-FILE-AS:" + n + "\\, Person\r\n"
         "ORG:Company " + n + ";Sales;Room " + QByteArray::number(i % 400) + "\r\n"
         "TEL;TYPE=WORK,VOICE:(555) 010-" + QByteArray::number(1000 + i % 9000) + "\r\n"
         "TEL;TYPE=WORK,VOICE:(555) 020-" + QByteArray::number(1000 + i % 9000) + "\r\n"
         "TEL;TYPE=HOME,VOICE:(555) 030-1234\r\nTEL;TYPE=CELL:(555) 040-1234\r\n"
         "TEL;TYPE=WORK,FAX:(555) 050-1234\r\nTEL;TYPE=PAGER:(555) 060-1234\r\n"
         "TEL;TYPE=X-EVOLUTION-ASSISTANT:(555) 070-1234\r\n"
         "EMAIL;TYPE=WORK:person" + n + "@company.example\r\nEMAIL;TYPE=HOME:p" + n + "@home.example\r\n"
         "URL:https://company.example/" + n + "\r\n"
         "ADR;TYPE=WORK:;;" + n + " Industrial Way;Springfield;IL;62701;USA\r\n"
         "ADR;TYPE=HOME:;;" + n + " Evergreen Terrace;Shelbyville;OR;97403;USA\r\n"
         "NOTE:Met at the trade fair\\; wants a catalogue.\\nCall back in spring\\, not b\r\n efore.\r\n"
         "REV:20240105T081500Z\r\nEND:VCARD\r\n";
}

// CPU time of this process (user and system): the machine may be shared.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? atoi(argv[1]) : 100000;
    QTemporaryDir temporary;
    const QString store = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    const QString collection = store + QStringLiteral("/contacts");
    // Reused when the last file is there (listing 100,000 names here would
    // spoil the peak memory figure).
    const QString last = collection + QStringLiteral("/%1.vcf").arg(count - 1, 6, 10, QLatin1Char('0'));
    if (!QFile::exists(last)) {
        QDir().mkpath(collection);
        for (int i = 0; i < count; ++i) {
            QFile f(collection + QStringLiteral("/%1.vcf").arg(i, 6, 10, QLatin1Char('0')));
            if (!f.open(QIODevice::WriteOnly))
                return 1;
            f.write(contact(i));
        }
        std::printf("generated %d contacts in %s\n", count, qPrintable(collection));
    }

    // cat of the same files, the floor for reading them, in this run.
    QElapsedTimer timer;
    timer.start();
    QProcess cat;
    cat.setWorkingDirectory(collection);
    cat.setStandardOutputFile(QProcess::nullDevice());
    cat.start(QStringLiteral("/bin/sh"), {"-c", "find . -name '*.vcf' -print0 | xargs -0 cat"});
    cat.waitForFinished(-1);
    const double catSeconds = timer.nsecsElapsed() / 1e9;

    Pim::registerPimClasses();
    auto application = Pim::createApplication({store}, {});
    auto nameSpace = application->GetNamespace(QStringLiteral("MAPI"));
    timer.restart();
    const double cpuBefore = cpuSeconds();
    auto items = nameSpace->Folders().first()->Folders().first()->Items();
    const double listSeconds = timer.nsecsElapsed() / 1e9;
    qint64 characters = 0;
    int contacts = 0;
    for (int i = 1; i <= items->Count(); ++i) {
        auto item = items->Item(i);
        if (item->TypeName() != QLatin1String(OlTypeName::Contact))
            continue;
        auto wrapper = ClassFactory::create<SafeContactItem>(QLatin1String(ProgId::SafeContactItem));
        wrapper->setItem(item);
        characters += wrapper->Subject().size() + wrapper->EntryID().size();
        for (const QString &p : properties)
            characters += wrapper->read(p).size();
        ++contacts;
    }
    const double readSeconds = timer.nsecsElapsed() / 1e9;
    const double readCpu = cpuSeconds() - cpuBefore;

    std::printf("contacts read:      %d (%lld characters of field text)\n", contacts, characters);
    std::printf("listing:            %.3f s\n", listSeconds);
    std::printf("Items/Item/wrapper: %.3f s, %.0f items/s (41 properties each)\n", readSeconds,
                contacts / readSeconds);
    std::printf("  of which CPU:     %.3f s, %.1f us per item\n", readCpu, readCpu / contacts * 1e6);
    std::printf("cat of the files:   %.3f s, %.0f files/s\n", catSeconds, count / catSeconds);
    std::printf("ratio:              %.2f x cat\n", readSeconds / catSeconds);
    std::printf("peak memory:        %.1f MiB\n", peakMiB());
    return 0;
}
