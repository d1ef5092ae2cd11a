// SPDX-License-Identifier: MIT
// The Replace button's run for a host without a page: on the applied settings.
#pragma once

#include "fieldflags.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "runresult.h"

class RunLogs;

// The texts a freshly shown page would hold: SearchFor, ReplaceWith, and
// CaseSensitive as its check box gives it to a run (1 for ticked and grayed).
// A stored case value the box cannot show is logged as the page's loading
// would log it, and counts as clear.
RunTexts appliedTexts(SettingsAccess &settings, RunLogs &logs);

// A clean page's run with the engine's logs, the settings store and a regex
// control of its own.
class AppliedRun final : public IReplaceRun
{
public:
    AppliedRun();
    ~AppliedRun() override;
    RunResult Run(HostObject *host, Prompt &prompt, ProgressSink &progress) override;
    RunResult Preview(HostObject *host, ProgressSink &progress, QList<PlannedChange> &changes,
                      QStringList &lines) override;
    UndoResult Undo(HostObject *host, const RunStart &undoing, const QList<PlannedChange> &changes,
                    bool dryRun, ProgressSink &progress) override;

private:
    // A clean page's run on the applied settings through the logs and saver given.
    RunResult runApplied(HostObject *host, RunLogs &logs, Prompt &prompt, ProgressSink &progress,
                         ItemSaver *saver);

    RegexOnDemand m_regex;
    FieldFlags m_flags;
};
