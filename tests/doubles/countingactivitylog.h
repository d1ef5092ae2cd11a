// SPDX-License-Identifier: MIT
// An activity log for the undo records' own tests: it counts its instances
// and entries and fails at the entry a test names.
#pragma once

#include "comobject.h"
#include "engineactivitylog.h"
#include "progids.h"
#include "quenlockerror.h"
#include "testenvironment.h"

#include <QTest>

// An activity log that records into the environment, counts its instances,
// checks each is used once, and fails where a test asks it to.
struct CountingActivityLog final : EngineActivityLog
{
    static inline TestEnvironment *env = nullptr;
    static inline int created = 0;
    static inline int entries = 0;
    static inline int failOnEntry = 0; // 1-based; 0 never
    static inline bool failUndo = false;
    bool used = false;
    void WriteEntry(const QString &source, const QString &name, const QString &text, int kind) override
    {
        QVERIFY2(!used, "an activity log instance was used twice");
        used = true;
        if (++entries == failOnEntry || (failUndo && kind == -1))
            throw QuenlockError(QStringLiteral("The activity log is full"));
        env->activity.append({source, name, text, kind});
    }
};

inline void installCountingActivityLog(TestEnvironment &env, int failOnEntry, bool failUndo)
{
    CountingActivityLog::env = &env;
    CountingActivityLog::created = CountingActivityLog::entries = 0;
    CountingActivityLog::failOnEntry = failOnEntry;
    CountingActivityLog::failUndo = failUndo;
    ClassFactory::registerClass(QLatin1String(ProgId::EngineActivityLog), [] {
        ++CountingActivityLog::created;
        return std::make_unique<CountingActivityLog>();
    });
}
