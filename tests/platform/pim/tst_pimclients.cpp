// SPDX-License-Identifier: MIT
// Edits a scratch vdir through the layer, then reads it with khard, khal and
// todoman: they must show the new values and everything else as before.
#include "testenvironment.h"
#include "progids.h"
#include "pimtesting.h"
#include "pimapplication.h"
#include "pimclasses.h"

#include <QProcess>
#include <map>

namespace {
struct Edit
{
    QString file, property, text;
};
struct Change
{
    QString before, after; // a piece of a client's output and what it becomes
};
} // namespace

class TestPimClients : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString root;

    QString run(const QString &program, const QStringList &args, bool *ok)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/home/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/home/.local/share"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/home/.cache"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Berlin"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        // The clients run on the system's Python, not one earlier on PATH.
        env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        env.remove(QStringLiteral("PYTHONPATH"));
        env.remove(QStringLiteral("PYTHONHOME"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        *ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!*ok)
            qWarning().noquote() << program << args << "failed:" << p.readAllStandardError();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // What the three clients show of the scratch vdir, as one text.
    QString clientsView(bool *ok)
    {
        QString view;
        bool each = true;
        for (const QString &name : {QStringLiteral("Jane Doe"), QString::fromUtf8("Zoë")}) {
            const QString yaml = run(QStringLiteral("/usr/bin/khard"),
                                     {"-c", root + "/khard.conf", "show", "--format", "yaml", name}, &each);
            *ok = *ok && each;
            for (const QString &line : yaml.split(u'\n'))
                if (!line.startsWith(u'#') && !line.trimmed().isEmpty())
                    view += line + u'\n';
        }
        view += run(QStringLiteral("/usr/bin/khal"),
                    {"-c", root + "/khal.conf", "list", "--format",
                     "{start} | {end} | {title} | {location} | {description}", "2025-01-01", "2025-12-31"},
                    &each);
        *ok = *ok && each;
        // todoman renumbers its ids when files change: leave them out.
        const QString tasks = run(QStringLiteral("/usr/bin/todoman"),
                                  {"--config", root + "/todoman.py", "--porcelain", "list", "--status", "ANY"},
                                  &each);
        *ok = *ok && each;
        for (const QString &line : tasks.split(u'\n'))
            if (!line.trimmed().startsWith(QLatin1String("\"id\":")))
                view += line + u'\n';
        return view;
    }

    void writeFile(const QString &path, const QString &text)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.toUtf8());
    }

private slots:
    void initTestCase()
    {
        for (const char *client : {"/usr/bin/khard", "/usr/bin/khal", "/usr/bin/todoman"})
            if (!QFileInfo::exists(QLatin1String(client)))
                QSKIP("khard, khal and todoman are not installed (apt-get install khard khal todoman)");
        root = dir.path();
        for (const char *d : {"/home", "/contacts/book", "/calendars/home", "/tasks/list"})
            QDir().mkpath(root + QLatin1String(d));
        const QList<std::pair<const char *, const char *>> files = {
            {"contact30-eds.vcf", "/contacts/book/"}, {"contact40-lf.vcf", "/contacts/book/"},
            {"event-utc.ics", "/calendars/home/"}, {"event-tzid.ics", "/calendars/home/"},
            {"event-allday.ics", "/calendars/home/"}, {"task-full.ics", "/tasks/list/"},
            {"task-datetime.ics", "/tasks/list/"}};
        for (const auto &[file, where] : files)
            QVERIFY(QFile::copy(dataPath(QStringLiteral("golden/") + QLatin1String(file)),
                                root + QLatin1String(where) + QLatin1String(file)));
        writeFile(root + "/calendars/home/displayname", QStringLiteral("Home"));
        writeFile(root + "/tasks/list/displayname", QStringLiteral("list"));
        writeFile(root + "/khard.conf", QStringLiteral(
            "[addressbooks]\n[[book]]\npath = %1/contacts/book\n[general]\ndefault_action = list\n"
            "editor = /bin/true\nmerge_editor = /bin/true\n[contact table]\ndisplay = formatted_name\n"
            "sort = formatted_name\n[vcard]\n").arg(root));
        writeFile(root + "/khal.conf", QStringLiteral(
            "[calendars]\n[[home]]\npath = %1/calendars/home\n[sqlite]\npath = %1/khal.db\n[locale]\n"
            "timeformat = %H:%M\ndateformat = %Y-%m-%d\nlongdateformat = %Y-%m-%d\n"
            "datetimeformat = %Y-%m-%d %H:%M\nlongdatetimeformat = %Y-%m-%d %H:%M\n"
            "local_timezone = Europe/Berlin\ndefault_timezone = Europe/Berlin\n").arg(root));
        writeFile(root + "/todoman.py", QStringLiteral(
            "path = \"%1/tasks/*\"\ndate_format = \"%Y-%m-%d\"\ntime_format = \"%H:%M\"\n"
            "cache_path = \"%1/todoman.db\"\n").arg(root));
    }

    void clientsSeeTheEdits()
    {
        if (QDateTime(QDate(2025, 1, 2), QTime(12, 0)).offsetFromUtc() != 3600)
            QSKIP("needs TZ=Europe/Berlin (ctest sets it)");
        bool ok = true;
        const QString before = clientsView(&ok);
        QVERIFY2(ok, "a client failed on the original files");
        QVERIFY(before.contains(QLatin1String("Budget review, Q1")));

        const QList<Edit> edits = {
            {"contact30-eds.vcf", "BusinessTelephoneNumber", "+1 555 0111"},
            {"contact30-eds.vcf", "CompanyName", "Globex, Inc."},
            {"contact30-eds.vcf", "BusinessAddressCity", "Capital City"},
            {"contact30-eds.vcf", "Email2Address", "jane@new.example"},
            {"contact30-eds.vcf", "PagerNumber", "+1 555 0413"},
            {"contact30-eds.vcf", "Body", "New note; with \"quotes\", commas\nand two lines"},
            {"contact40-lf.vcf", "MobileTelephoneNumber", "+46-70-555-0199"},
            {"contact40-lf.vcf", "HomeAddressCity", QString::fromUtf8("Malmö")},
            {"contact40-lf.vcf", "PagerNumber", "+46 8 555 0150"},
            {"event-utc.ics", "Location", "Room 14"},
            {"event-utc.ics", "Start", "2 Jan 2025 11:00:00"},
            {"event-utc.ics", "Subject", "Budget review; Q1"},
            {"event-tzid.ics", "Body", "Agenda: none"},
            {"task-full.ics", "Subject", "File the tax return now"},
            {"task-full.ics", "DueDate", "16 Apr 2025"},
            {"task-full.ics", "DateCompleted", "11 Apr 2025"},
            {"task-full.ics", "Body", QString::fromUtf8("Formulare: blaue Mappe, Schrank 2")},
        };
        {
            TestEnvironment env;
            Pim::registerPimClasses();
            auto app = Pim::createApplication({root + "/contacts", root + "/calendars", root + "/tasks"}, {});
            auto ns = app->GetNamespace(QStringLiteral("MAPI"));
            std::map<QString, std::unique_ptr<SafeItem>> wrappers;
            for (const auto &store : ns->Folders())
                for (const auto &folder : store->Folders()) {
                    auto items = folder->Items();
                    for (int i = 1; i <= items->Count(); ++i) {
                        auto item = items->Item(i);
                        const QString type = item->TypeName();
                        const char *id = type == QLatin1String("ContactItem") ? ProgId::SafeContactItem
                                       : type == QLatin1String("TaskItem") ? ProgId::SafeTaskItem
                                                                           : ProgId::SafeAppointmentItem;
                        auto w = ClassFactory::create<SafeItem>(QLatin1String(id));
                        w->setItem(item);
                        const QString name = w->EntryID();
                        wrappers[name] = std::move(w);
                    }
                }
            for (const Edit &e : edits)
                wrappers[e.file]->write(e.property, e.text);
            for (auto &[name, w] : wrappers)
                w->Save();
            ClassFactory::create<MapiUtils>(QLatin1String(ProgId::MapiUtils))->CleanUp();
        }

        const QString after = clientsView(&ok);
        QVERIFY2(ok, "a client failed on the edited files");
        const QList<Change> changes = {
            // khard lists a kind's numbers sorted
            {"      - +1 555 0101\n      - +1 555 0102\n", "      - +1 555 0102\n      - +1 555 0111\n"},
            {"  -   - Acme Corp\n", "  -   - Globex, Inc.\n"},
            {"        City: Springfield\n        Region: IL\n", "        City: Capital City\n        Region: IL\n"},
            {"    HOME: jane@home.example\n", "    HOME: jane@new.example\n"},
            {"    PAGER: +1 555 0403\n", "    PAGER: +1 555 0413\n"},
            {"Note: \"Met at the trade fair; wants a catalogue.\\nCall back in spring, not before.\"\n",
             "Note: \"New note; with \\\"quotes\\\", commas\\nand two lines\"\n"},
            {"    cell: +46-70-555-0111\n    textphone", "    cell: +46-70-555-0199\n    pager: +46 8 555 0150\n    textphone"},
            {QString::fromUtf8("        City: Göteborg\n"), QString::fromUtf8("        City: Malmö\n")},
            {"2025-01-02 10:30 | 2025-01-02 11:30 | Budget review, Q1 | Room 12 |",
             "2025-01-02 11:00 | 2025-01-02 11:30 | Budget review; Q1 | Room 14 |"},
            {"| Stand-up | Room 5 | \n", "| Stand-up | Room 5 | Agenda: none\n"},
            {"\"completed_at\": 1744299000,", "\"completed_at\": 1744385400,"},
            {"\"description\": \"Forms are in the blue folder.\",",
             "\"description\": \"Formulare: blaue Mappe, Schrank 2\","},
            {"\"due\": 1744668000,", "\"due\": 1744754400,"},
            {"\"summary\": \"File the tax return\"", "\"summary\": \"File the tax return now\""},
        };
        QString expected = before;
        for (const Change &c : changes) {
            QVERIFY2(expected.count(c.before) == 1, qPrintable(QStringLiteral("not once in the clients' view: ") + c.before));
            expected.replace(c.before, c.after);
        }
        if (after != expected) {
            const QStringList a = after.split(u'\n'), e = expected.split(u'\n');
            for (qsizetype i = 0; i < qMax(a.size(), e.size()); ++i)
                if (a.value(i) != e.value(i))
                    QFAIL(qPrintable(QStringLiteral("line %1\n  shown:    %2\n  expected: %3")
                                         .arg(i + 1).arg(a.value(i), e.value(i))));
        }
    }
};

QTEST_GUILESS_MAIN(TestPimClients)
#include "tst_pimclients.moc"
