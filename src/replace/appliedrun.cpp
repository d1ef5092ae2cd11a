// SPDX-License-Identifier: MIT
#include "appliedrun.h"

#include "runlogs.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "systemtexts.h"
#include "textnumber.h"

RunTexts appliedTexts(SettingsAccess &settings, RunLogs &logs)
{
    RunTexts texts;
    texts.searchFor = settings.read(QLatin1String(Keys::SearchFor), QString());
    texts.replaceWith = settings.read(QLatin1String(Keys::ReplaceWith), QString());
    try {
        const qint32 stored = textToLong(settings.read(QLatin1String(Keys::CaseSensitive), QStringLiteral("0")));
        if (stored < 0 || stored > 2)
            throw QuenlockError(QStringLiteral("Invalid property value"));
        texts.caseValue = stored == 0 ? 0 : 1;
    } catch (const QuenlockError &error) {
        // Loading stops at its first stage, which the page numbers 4.
        logs.error(QStringLiteral("LoadValues"), Texts::errorLine(error.description())
                                                     + QStringLiteral("  LastLineNumber: 4"));
    }
    return texts;
}

AppliedRun::AppliedRun() = default;
AppliedRun::~AppliedRun() = default;

RunResult AppliedRun::Run(HostObject *host, Prompt &prompt, ProgressSink &progress)
{
    StoreSettings settings;
    EngineRunLogs logs;
    const RunTexts texts = appliedTexts(settings, logs);
    ReplaceRun run({settings, host, std::ref(m_regex), logs, prompt, progress, m_flags});
    return run.run(false, [&texts] { return texts; });
}
