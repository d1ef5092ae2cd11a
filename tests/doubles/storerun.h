// SPDX-License-Identifier: MIT
// The real replace run over a store on disk, wired as the host wires it.
#pragma once

#include "fieldflags.h"
#include "hostobject.h"
#include "olapplication.h"
#include "recordingprogress.h"
#include "regexondemand.h"
#include "replacerun.h"
#include "runlogs.h"
#include "scriptedprompt.h"
#include "settingsaccess.h"

#include <QDir>

// The store's contacts folder as the one configured folder.
inline void chooseContactsFolder(const QString &store)
{
    WriteSetting(QStringLiteral("FolderCount"), QStringLiteral("1"));
    WriteSetting(QStringLiteral("FolderName1"), QStringLiteral("Contacts"));
    WriteSetting(QStringLiteral("FolderEntryId1"), QStringLiteral("contacts"));
    WriteSetting(QStringLiteral("FolderStoreId1"), QDir(store).canonicalPath());
}

// Every folder of the host's stores as the configured folders; their number.
inline int chooseAllFolders(HostObject &host)
{
    int n = 0;
    const auto nameSpace = host.OutlookApplication()->GetNamespace(QStringLiteral("MAPI"));
    for (const auto &root : nameSpace->Folders())
        for (const auto &folder : root->Folders()) {
            ++n;
            WriteSetting(QStringLiteral("FolderName%1").arg(n), folder->Name());
            WriteSetting(QStringLiteral("FolderEntryId%1").arg(n), folder->EntryID());
            WriteSetting(QStringLiteral("FolderStoreId%1").arg(n), folder->StoreID());
        }
    WriteSetting(QStringLiteral("FolderCount"), QString::number(n));
    return n;
}

// A confirmed run of texts with the engine's logs and the stored settings;
// its errors reach the caller as the run lets them through.
inline RunResult runOver(HostObject &host, const RunTexts &texts, RecordingProgress *shown = nullptr)
{
    ScriptedPrompt yes;
    RecordingProgress progress;
    StoreSettings settings;
    EngineRunLogs logs;
    FieldFlags flags;
    RegexOnDemand regex;
    ReplaceRun run({settings, &host, std::ref(regex), logs, yes, shown ? *shown : progress, flags});
    return run.run(false, [&texts] { return texts; });
}
