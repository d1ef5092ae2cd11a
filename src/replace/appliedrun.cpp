// SPDX-License-Identifier: MIT
#include "appliedrun.h"

#include "previewrecorder.h"
#include "progresssink.h"
#include "prompt.h"

#include "runlogs.h"
#include "undorun.h"
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
        const qint32 stored = storedCaseFlag(settings.read(QLatin1String(Keys::CaseSensitive), QStringLiteral("0")));
        texts.caseValue = stored == 0 ? 0 : 1;
    } catch (const QuenlockError &error) {
        // The page's loading would stop at the same place, with this line.
        logs.error(QStringLiteral("LoadValues"),
                   Texts::loadingErrorLine(error.description(), Texts::TextsLoadingStage));
    }
    return texts;
}

AppliedRun::AppliedRun() = default;
AppliedRun::~AppliedRun() = default;

namespace {
// A preview changes nothing, so it asks nothing.
class YesPrompt final : public Prompt
{
public:
    Answer ask(QWidget *, const QString &, Buttons buttons) override
    {
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
};
} // namespace

// The real run, its saves and log rows recorded instead of stored.
RunResult AppliedRun::Preview(HostObject *host, ProgressSink &progress, QList<PlannedChange> &changes,
                              QStringList &lines)
{
    PreviewRecorder recorder;
    YesPrompt yes;
    RunResult result = runApplied(host, recorder, yes, progress, &recorder);
    if (result.outcome == RunResult::Outcome::Summary) {
        result.text = Texts::previewSummary(result.updated, result.folderCount);
        progress.showSummary(result.text);
    }
    changes = recorder.changes;
    lines = recorder.lines;
    return result;
}

RunResult AppliedRun::Run(HostObject *host, Prompt &prompt, ProgressSink &progress)
{
    EngineRunLogs logs;
    return runApplied(host, logs, prompt, progress, nullptr);
}

UndoResult AppliedRun::Undo(HostObject *host, const RunStart &undoing, const QList<PlannedChange> &changes,
                            bool dryRun, ProgressSink &progress)
{
    if (dryRun) {
        PreviewRecorder recorder;
        return UndoRun(host, recorder, progress, &recorder).run(undoing, changes, true);
    }
    EngineRunLogs logs;
    return UndoRun(host, logs, progress, nullptr).run(undoing, changes, false);
}

RunResult AppliedRun::runApplied(HostObject *host, RunLogs &logs, Prompt &prompt, ProgressSink &progress,
                                 ItemSaver *saver)
{
    StoreSettings settings;
    const RunTexts texts = appliedTexts(settings, logs);
    ReplaceRun run({settings, host, std::ref(m_regex), logs, prompt, progress, m_flags, saver});
    return run.run(false, [&texts] { return texts; });
}
