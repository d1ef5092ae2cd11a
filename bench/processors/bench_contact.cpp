// SPDX-License-Identifier: MIT
// Time to process one contact with all 41 contact fields looked in.
#include "engineactivitylog.h"
#include "engineclasses.h"
#include "fieldflags.h"
#include "itemprocessor.h"
#include "progids.h"
#include "regexcontrol.h"
#include "runlogs.h"
#include "safeitem.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "logdatabase.h"
#include "pcre2regexcontrol.h"
#include "regexclasses.h"

#include <QCoreApplication>
#include <QHash>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A contact held in memory. Writes are kept apart from the values read, so
// every iteration sees the same contact and the same matches.
class BenchContact final : public SafeContactItem
{
public:
    QHash<QString, QString> values;
    QHash<QString, QString> written;
    void setItem(std::shared_ptr<OlItem>) override {}
    QString read(const QString &property) override { return values.value(property); }
    void write(const QString &property, const QString &text) override { written.insert(property, text); }
    QString EntryID() override { return QStringLiteral("00000000A1B2C3D4E5F6"); }
    QString Subject() override { return values.value(QStringLiteral("Subject")); }
    void Save() override {}
    QString FullNameAndCompany() override { return Subject(); }
};

// Stands in for the host's log to time the engine alone.
class NullActivityLog final : public EngineActivityLog
{
public:
    void WriteEntry(const QString &, const QString &, const QString &, int) override {}
};

BenchContact typicalContact()
{
    BenchContact c;
    const std::pair<const char *, const char *> fields[] = {
        {"Subject", "Ann Lee"},
        {"Account", ""},
        {"AssistantTelephoneNumber", ""},
        {"BusinessAddressStreet", "12 Harbour Road\nUnit 4"},
        {"BusinessAddressCity", "Bristol"},
        {"BusinessAddressState", "Avon"},
        {"BusinessAddressPostalCode", "BS1 5TY"},
        {"Body", "Met at the 2023 design conference. Prefers e-mail; calls only after 10:00."},
        {"RTFBody", "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Met at the 2023 design "
                    "conference. Prefers e-mail; calls only after 10:00.\\par}"},
        {"BusinessTelephoneNumber", "(0117) 496 0123"},
        {"Business2TelephoneNumber", ""},
        {"BusinessFaxNumber", "(0117) 496 0124"},
        {"BusinessHomePage", "https://harbour.example.com/"},
        {"CallbackTelephoneNumber", ""},
        {"CarTelephoneNumber", ""},
        {"CompanyMainTelephoneNumber", "(0117) 496 0100"},
        {"CompanyName", "Harbour Designs Ltd"},
        {"Email1Address", "ann.lee@harbour.example.com"},
        {"Email2Address", "ann@home.example.org"},
        {"Email3Address", ""},
        {"Email1DisplayName", "Ann Lee (ann.lee@harbour.example.com)"},
        {"Email2DisplayName", "Ann Lee (ann@home.example.org)"},
        {"Email3DisplayName", ""},
        {"FileAs", "Lee, Ann"},
        {"HomeAddressStreet", "3 Clifton Row"},
        {"HomeAddressCity", "Bristol"},
        {"HomeAddressState", ""},
        {"HomeAddressPostalCode", "BS8 4AB"},
        {"HomeTelephoneNumber", "(0117) 496 0777"},
        {"Home2TelephoneNumber", ""},
        {"HomeFaxNumber", ""},
        {"MobileTelephoneNumber", "07700 900461"},
        {"OfficeLocation", "Second floor"},
        {"OtherAddressStreet", ""},
        {"OtherAddressCity", ""},
        {"OtherAddressState", ""},
        {"OtherAddressPostalCode", ""},
        {"OtherTelephoneNumber", ""},
        {"OtherFaxNumber", ""},
        {"PagerNumber", ""},
        {"PrimaryTelephoneNumber", "(0117) 496 0200"},
        {"RadioTelephoneNumber", ""},
        {"TTYTDDTelephoneNumber", ""},
    };
    for (const auto &[key, value] : fields)
        c.values.insert(QLatin1String(key), QString::fromUtf8(value));
    return c;
}

struct World
{
    QTemporaryDir dir;
    EngineRunLogs logs;
    FieldFlags flags;
    std::unique_ptr<RegexControl> regex;
    World()
    {
        qputenv("XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_STATE_HOME", (dir.path() + QStringLiteral("/state")).toUtf8());
        qputenv("XDG_DATA_HOME", (dir.path() + QStringLiteral("/data")).toUtf8());
        Engine::registerEngineClasses();
        Regex::registerRegexClasses();
        for (const FieldTable::Field &field : FieldTable::fieldsOf(FieldTable::Page::Contacts))
            WriteSetting(QLatin1String(field.flagKey), QStringLiteral("1"));
        regex = ClassFactory::create<RegexControl>(QLatin1String(ProgId::RegexControl));
    }
    void useLog(bool real)
    {
        if (real)
            Engine::registerEngineClasses();
        else
            ClassFactory::registerClass(QLatin1String(ProgId::EngineActivityLog),
                                        [] { return std::make_unique<NullActivityLog>(); });
    }
    void instruction(const char *text)
    {
        WriteSetting(QLatin1String(Keys::SpecialInstructions), QLatin1String(text));
        StoreSettings settings;
        LoadFieldFlags(flags, settings);
    }
};

World *world = nullptr;

// Arguments: real activity log (0/1), area-code mode (0/1).
void run(benchmark::State &state, const QString &search, const QString &replacement, bool expectChange)
{
    world->useLog(state.range(0) != 0);
    world->instruction(state.range(1) ? Keys::SpecialAreaCodes : Keys::SpecialNone);
    BenchContact contact = typicalContact();
    const QString store = QStringLiteral("STORE"), folder = QStringLiteral("FOLDER");
    ItemProcessor processor(world->logs, world->flags, [] () -> RegexControl & { return *world->regex; });
    for (auto _ : state) {
        const bool changed =
            processor.process(ItemKinds::of(FieldTable::Page::Contacts), {store, folder, contact, search, replacement, 0});
        if (changed != expectChange) {
            state.SkipWithError("unexpected changed flag");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) ? "SQLite activity log" : "no activity log");
}

void BM_ContactNoMatch(benchmark::State &state)
{
    run(state, QStringLiteral("555"), QStringLiteral("777"), false);
}

void BM_ContactOnePhoneMatch(benchmark::State &state)
{
    // Matches the business number only: one record, one write.
    run(state, QStringLiteral("496 0123"), QStringLiteral("496 0999"), true);
}

void BM_ContactAreaCodeMatch(benchmark::State &state)
{
    run(state, QStringLiteral("0117"), QStringLiteral("0118"), true);
}

// How long the control takes to give up on a catastrophic pattern.
void BM_CatastrophicPattern(benchmark::State &state)
{
    Pcre2RegexControl control;
    control.setText(QString(int(state.range(0)), u'a') + u'!');
    control.setPattern(QStringLiteral("(a+)+$"));
    for (auto _ : state) {
        try {
            control.setText(control.text());
            benchmark::DoNotOptimize(control.matchCount());
            state.SkipWithError("no limit error");
            break;
        } catch (const QuenlockError &) {
        }
    }
}

} // namespace

BENCHMARK(BM_CatastrophicPattern)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContactNoMatch)->ArgsProduct({{0, 1}, {0}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ContactOnePhoneMatch)->ArgsProduct({{0, 1}, {0}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ContactAreaCodeMatch)->ArgsProduct({{0, 1}, {1}})->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    World w;
    world = &w;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    world = nullptr;
    LogDatabase::instance().close();
    return 0;
}
