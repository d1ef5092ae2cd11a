// SPDX-License-Identifier: MIT
// What a replace run ended with, and the run as the host starts it.
#pragma once

#include <QString>

class HostObject;
class Prompt;
class ProgressSink;

struct RunResult
{
    enum class Outcome {
        Summary,      // walked every folder; text is the summary
        Error,        // ended at its first error; text is the error line
        NotConfirmed, // the user did not answer Yes
        ApplyFirst,   // the page held unsaved changes; nothing ran
    };
    Outcome outcome = Outcome::Summary;
    QString text;
    qint32 updated = 0;     // items saved
    qint32 folderCount = 0; // folders configured (skipped ones included)
    int itemErrors = 0;     // host log lines of items that ended early
};

// The run of the Replace button on the applied settings, for a host without a
// page: it reads the search text, the replacement and the case flag from the
// store as the page would show them, and asks and shows through the host's
// prompt and progress sink.
class IReplaceRun
{
public:
    virtual ~IReplaceRun() = default;
    virtual RunResult Run(HostObject *host, Prompt &prompt, ProgressSink &progress) = 0;
};

// Exported by Pellowan beside the page factory; the caller owns the run.
#define QUENLOCK_RUN_FACTORY "quenlock_create_run"
using CreateRunFn = IReplaceRun *(*)();
