// SPDX-License-Identifier: MIT
#include "testenvironment.h"

#include "engineactivitylog.h"
#include "progids.h"
#include "engineclasses.h"
#include "logdatabase.h"

namespace {
EngineUtility &realUtility()
{
    setEngineUtilityOverride(nullptr);
    return engineUtility();
}

class RecordingActivityLog final : public EngineActivityLog
{
public:
    explicit RecordingActivityLog(TestEnvironment *env) : m_env(env) {}
    void WriteEntry(const QString &source, const QString &name, const QString &text, int kind) override
    {
        const ActivityLine line{source, name, text, kind};
        if (m_env->onActivity)
            m_env->onActivity(line);
        m_env->activity.append(line);
    }

private:
    TestEnvironment *m_env;
};
} // namespace

void RecordingUtility::LogMessage(const QString &message, int level, const QString &source)
{
    lines.append({message, level, source});
}

QString RecordingUtility::LookupText(const TextTable &table, const QString &key)
{
    return table.value(key);
}

void RecordingUtility::LoadTextTable(TextTable &table, const QString &section)
{
    EngineUtility &real = realUtility();
    real.LoadTextTable(table, section);
    setEngineUtilityOverride(this);
}

TestEnvironment::TestEnvironment()
{
    LogDatabase::instance().close();
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_STATE_HOME", (m_dir.path() + QStringLiteral("/state")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    Engine::registerEngineClasses();
    ClassFactory::registerClass(QLatin1String(ProgId::EngineActivityLog),
                                [this] { return std::make_unique<RecordingActivityLog>(this); });
    setEngineUtilityOverride(&utility);
}

TestEnvironment::~TestEnvironment()
{
    setEngineUtilityOverride(nullptr);
    Engine::registerEngineClasses();
    LogDatabase::instance().close();
}

void TestEnvironment::breakActivityLog()
{
    ClassFactory::registerClass(QLatin1String(ProgId::EngineActivityLog), {});
}

void TestEnvironment::useRealActivityLog() { Engine::registerEngineClasses(); }
