// SPDX-License-Identifier: MIT
// The replace run: every item of every stored folder through its processor.
#pragma once

#include "changetap.h"
#include "olapplication.h"
#include "runresult.h"
#include "runlogs.h"
#include "safeitem.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

struct FieldFlags;
class ItemProcessor;
class HostObject;
class Prompt;
class ProgressSink;
class RegexControl;
class SettingsAccess;

// The search text, the replacement and the case value (0 or 1) a run uses.
struct RunTexts
{
    QString searchFor;
    QString replaceWith;
    qint32 caseValue = 0;
};

// Where a run puts an item it changed: the wrapper's Save, or, for a
// preview, a record of what would be saved.
class ItemSaver
{
public:
    virtual ~ItemSaver() = default;
    virtual void save(SafeItem &item) = 0;
};

// What a run works with; all borrowed for the run's length.
struct RunParts
{
    SettingsAccess &settings;
    HostObject *host; // Outlook and the engine's folder lookup; may be null
    std::function<RegexControl &()> regex; // the one control, made on first use
    RunLogs &logs;
    Prompt &prompt;
    ProgressSink &progress;
    FieldFlags &flags; // reloaded from the store by every run
    ItemSaver *saver = nullptr; // nullptr: the wrapper's own Save
};

// Refuses to start while dirty, asks for confirmation, then walks the folders
// the store names, one after another, each folder's items in index order. A
// contact, appointment or task goes to the processor of its kind in a new
// safe-item wrapper; an item reported changed is saved once and counted. The
// first error in the run's own steps ends it with one host log line; the
// processors trap their own. A log that cannot be written (LogWriteError)
// ends the run too, and reaches the caller, since no later change could get
// its undo record. Once confirmed, the run begins in the journal, each saved
// field is journaled before its save, and the run's end is journaled with
// its count. Runs on the caller's thread and cannot be cancelled.
// A save goes on while the next items are matched: at most SavesInFlight
// are under way, each counted, in item order, when it has ended. The first
// that fails ends the run: no further item is started, the saves under way
// end and each failed one gets its own error line, the first one's being
// the run's.
// texts() is asked twice: for the confirmation and for the run.
class ReplaceRun
{
public:
    explicit ReplaceRun(RunParts parts) : m_parts(std::move(parts)) {}
    RunResult run(bool dirty, const std::function<RunTexts()> &texts);

private:
    RunResult walk(const std::function<RunTexts()> &texts);
    void walkFolder(int n);
    void runItems(OlFolder &folder, const QString &folderStoreId, const QString &folderEntryId);
    void runItem(ItemProcessor &processor, const std::shared_ptr<OlItem> &item,
                 const QString &folderStoreId, const QString &folderEntryId);
    QString errorLine(int checkpoint, SafeContactItem *contact, const QString &reason) const;
    void begin(qint32 folderCount);
    void end(RunEnd how);
    void endSaves(size_t keep);
    RunResult failed(const QString &line);

    // An item whose save is under way. Its wrapper keeps the item for the
    // write and names a contact in an error line; the save, destroyed first,
    // waits for the write.
    struct InFlight
    {
        std::unique_ptr<SafeItem> wrapper;
        SafeContactItem *contact;
        int checkpoint;
        std::unique_ptr<SaveInFlight> save;
    };
    static constexpr size_t SavesInFlight = 32;

    RunParts m_parts;
    ChangeTap m_itemLogs{m_parts.logs};
    bool m_begun = false;
    RunTexts m_texts;
    std::shared_ptr<OlNamespace> m_nameSpace;
    // Step numbers go into the error line; they are set at fixed places and
    // never reset, so a line tells the last place the run passed.
    int m_checkpoint = 0;
    QString m_folderName;
    // The item in hand's wrapper lives from its creation to its save, or
    // else to the end of its item; while it does, an error line names a
    // contact.
    std::unique_ptr<SafeItem> m_wrapper;
    SafeContactItem *m_contact = nullptr;
    qint32 m_updated = 0;
    std::deque<InFlight> m_inFlight;
    std::optional<QString> m_saveFailure; // the first failed save's error line
};
