// SPDX-License-Identifier: MIT
#include "replacerun.h"

#include "fieldflags.h"
#include "hostobject.h"
#include "iengineapi.h"
#include "itemkinds.h"
#include "itemprocessor.h"
#include "progresssink.h"
#include "prompt.h"
#include "runlogs.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "systemtexts.h"
#include "textnumber.h"
#include "wrapperfor.h"

#include <algorithm>
#include <limits>

namespace {
const QString FunctionName = QStringLiteral("cmdReplace_Click");
// The run's error lines carry this operation name, not the handler's: the
// host and the readers of old logs look for it.
const QString ErrorOperation = QStringLiteral("cmdConvert");

[[noreturn]] void notSet()
{
    throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
}

template <class T>
T &required(const std::shared_ptr<T> &object)
{
    if (!object)
        notSet();
    return *object;
}

void countSaved(qint32 &updated)
{
    if (updated == std::numeric_limits<qint32>::max())
        throw QuenlockError(QStringLiteral("Overflow"));
    ++updated;
}
// Thrown between items when the host asks the run to stop.
struct StopRequested
{
};
// Thrown once every save under way has ended after one of them failed; its
// line is in the log.
struct SaveFailed
{
};
} // namespace

RunResult ReplaceRun::run(bool dirty, const std::function<RunTexts()> &texts)
{
    if (dirty) {
        m_parts.prompt.ask(nullptr, Texts::applyFirst(), Prompt::Buttons::Ok);
        return {RunResult::Outcome::ApplyFirst, QString(), 0, 0, 0};
    }
    {
        const RunTexts asked = texts();
        if (m_parts.prompt.ask(nullptr, Texts::confirmation(asked.searchFor, asked.replaceWith),
                               Prompt::Buttons::YesNo)
            != Prompt::Answer::Yes)
            return {RunResult::Outcome::NotConfirmed, QString(), 0, 0, 0};
    }
    try {
        RunResult result = walk(texts);
        end(RunEnd::Finished);
        return result;
    } catch (const StopRequested &) {
        try {
            endSaves(0);
        } catch (const SaveFailed &) {
            return failed(*m_saveFailure);
        }
        end(RunEnd::Stopped);
        const QString text = Texts::stopped(m_updated);
        m_parts.progress.showSummary(text);
        return {RunResult::Outcome::Stopped, text, m_updated, 0, m_itemLogs.errors};
    } catch (const SaveFailed &) {
        return failed(*m_saveFailure);
    } catch (const QuenlockError &error) {
        const QString line = errorLine(m_checkpoint, m_contact, error.description());
        // A log that cannot be written is the caller's to show: the line
        // below is most likely lost with it.
        const bool logLost = dynamic_cast<const LogWriteError *>(&error);
        if (!logLost) {
            // The saves of the items before this one end first, each failed
            // one with its own line.
            try {
                endSaves(0);
            } catch (const SaveFailed &) {
            }
        }
        m_parts.logs.error(ErrorOperation, line);
        if (logLost)
            throw;
        return failed(m_saveFailure.value_or(line));
    }
}

RunResult ReplaceRun::failed(const QString &line)
{
    end(RunEnd::Error);
    return {RunResult::Outcome::Error, line, m_updated, 0, m_itemLogs.errors, m_itemLogs.errorLines};
}

// Ends the saves under way from the oldest, each counted when it ended well,
// until at most keep are left and the oldest left has not ended. After a
// failure every one is waited for; then SaveFailed ends the run.
void ReplaceRun::endSaves(size_t keep)
{
    if (std::any_of(m_inFlight.cbegin(), m_inFlight.cend(),
                    [](const InFlight &saving) { return saving.save && saving.save->failed(); }))
        keep = 0;
    while (!m_inFlight.empty()) {
        InFlight &oldest = m_inFlight.front();
        const bool ended = !oldest.save || oldest.save->ended();
        if (!ended && !m_saveFailure && m_inFlight.size() <= keep)
            break;
        InFlight saving = std::move(oldest);
        m_inFlight.pop_front();
        try {
            if (saving.save)
                saving.save->finish();
            countSaved(m_updated);
        } catch (const QuenlockError &error) {
            const QString line = errorLine(saving.checkpoint, saving.contact, error.description());
            m_parts.logs.error(ErrorOperation, line);
            if (!m_saveFailure)
                m_saveFailure = line;
        }
    }
    if (m_saveFailure)
        throw SaveFailed();
}

// The configured folders' names, as walkFolder reads them.
void ReplaceRun::begin(qint32 folderCount)
{
    RunStart start{m_texts.searchFor, m_texts.replaceWith, m_texts.caseValue,
                   m_parts.flags.specialInstructions, {}, 0, {}};
    const QString notFound = QLatin1String(Keys::NotFound);
    for (qint32 n = 1; n <= folderCount; ++n) {
        const QString name = m_parts.settings.read(Keys::numbered(Keys::FolderName, n), notFound);
        if (name != notFound) {
            start.folders << name;
            start.stores << m_parts.settings.read(Keys::numbered(Keys::FolderStoreId, n), QString());
        }
    }
    m_parts.logs.begin(start);
    m_begun = true;
}

// A run that could not begin in the journal has nothing to end there.
void ReplaceRun::end(RunEnd how)
{
    if (m_begun)
        m_parts.logs.end(m_updated, how);
}

RunResult ReplaceRun::walk(const std::function<RunTexts()> &texts)
{
    m_checkpoint = 2;
    if (!m_parts.host)
        notSet();
    const std::shared_ptr<OlApplication> application = m_parts.host->OutlookApplication();

    m_checkpoint = 4;
    m_nameSpace = required(application).GetNamespace(QStringLiteral("MAPI"));

    m_checkpoint = 6;
    const qint32 folderCount = boundFolderCount(
        textToLong(m_parts.settings.read(QLatin1String(Keys::FolderCount), QStringLiteral("0"))),
        m_parts.settings.keys());
    m_updated = 0;
    m_texts = texts();
    LoadFieldFlags(m_parts.flags, m_parts.settings);
    begin(folderCount);

    for (qint32 n = 1; n <= folderCount; ++n)
        walkFolder(n);

    m_parts.progress.finish();
    const QString summary = Texts::summary(m_updated, folderCount);
    m_parts.progress.showSummary(summary);
    return {RunResult::Outcome::Summary, summary, m_updated, folderCount, m_itemLogs.errors, m_itemLogs.errorLines};
}

void ReplaceRun::walkFolder(int n)
{
    const QString notFound = QLatin1String(Keys::NotFound);
    m_folderName = m_parts.settings.read(Keys::numbered(Keys::FolderName, n), notFound);
    QString folderEntryId = m_parts.settings.read(Keys::numbered(Keys::FolderEntryId, n), notFound);
    QString folderStoreId = m_parts.settings.read(Keys::numbered(Keys::FolderStoreId, n), notFound);
    if (m_folderName == notFound || folderEntryId == notFound)
        return;
    // The folder keeps its configured name; the ids, also those of the undo
    // records, become the default contacts folder's.
    if (folderEntryId == QLatin1String(Keys::Uninitialized)) {
        const auto defaultFolder = required(m_nameSpace).GetDefaultFolder(OlDefaultFolder::Contacts);
        folderEntryId = required(defaultFolder).EntryID();
        folderStoreId = defaultFolder->StoreID();
    }
    m_parts.progress.showFolder(Texts::folderCaption(m_folderName));

    m_checkpoint = 10;
    IEngineAPI *engine = m_parts.host->engine();
    if (!engine)
        notSet();
    // A folder no store holds is passed over without a line.
    if (const std::shared_ptr<OlFolder> folder = engine->KTGetFolder(folderEntryId, folderStoreId))
        runItems(*folder, folderStoreId, folderEntryId);
}

void ReplaceRun::runItems(OlFolder &folder, const QString &folderStoreId, const QString &folderEntryId)
{
    const std::shared_ptr<OlItems> items = folder.Items();
    const int itemCount = required(items).Count();
    m_parts.progress.setItemRange(itemCount);
    m_parts.logs.activity(FunctionName,
                          QStringLiteral("Count of items in folder '") + folder.Name()
                              + QStringLiteral("': ") + QString::number(itemCount),
                          0);
    m_parts.logs.activity(FunctionName,
                          QStringLiteral("Looking for '") + m_texts.searchFor
                              + QStringLiteral("' replacing with '") + m_texts.replaceWith
                              + QStringLiteral("'; Case sensitive: ")
                              + QString::number(m_texts.caseValue),
                          0);
    // The count is read once more and holds for the whole folder.
    const int bound = items->Count();
    ItemProcessor processor(m_itemLogs, m_parts.flags, m_parts.regex);
    for (int i = 1; i <= bound; ++i) {
        if (m_parts.progress.stopRequested())
            throw StopRequested();
        endSaves(SavesInFlight - 1);
        m_parts.progress.setItem(i);
        runItem(processor, items->Item(i), folderStoreId, folderEntryId);
    }
    // A folder's error lines name it: its saves end with it.
    endSaves(0);
}

// The checkpoints of one item: a contact's steps keep the numbers of the
// run's first path, every other kind the second's.
struct ItemCheckpoints
{
    int make, setItem, process, processed, save;
};
constexpr ItemCheckpoints ContactCheckpoints{11, 11, 11, 12, 18};
constexpr ItemCheckpoints OtherCheckpoints{22, 24, 26, 26, 28};

void ReplaceRun::runItem(ItemProcessor &processor, const std::shared_ptr<OlItem> &item,
                         const QString &folderStoreId, const QString &folderEntryId)
{
    // Any other kind (mail, note, distribution list) is passed over.
    const ItemKinds::Kind *kind = ItemKinds::ofType(required(item).TypeName());
    if (!kind)
        return;
    const bool contact = kind->page == FieldTable::Page::Contacts;
    const ItemCheckpoints &at = contact ? ContactCheckpoints : OtherCheckpoints;
    m_checkpoint = at.make;
    // The wrapper outlives an error, for the error line to name a contact.
    m_wrapper = wrapperFor(*kind);
    SafeItem &wrapper = *m_wrapper;
    if (contact) {
        m_contact = dynamic_cast<SafeContactItem *>(m_wrapper.get());
        if (!m_contact)
            throw QuenlockError(QStringLiteral("Object doesn't support this property or method"));
    }
    m_checkpoint = at.setItem;
    wrapper.setItem(item);
    m_checkpoint = at.process;
    const bool changed = processor.process(*kind, {folderStoreId, folderEntryId, wrapper, m_texts.searchFor,
                                                   m_texts.replaceWith, m_texts.caseValue});
    m_checkpoint = at.processed;
    if (changed) {
        m_checkpoint = at.save;
        std::unique_ptr<SaveInFlight> save =
            m_itemLogs.save(wrapper, kind->page, folderStoreId, folderEntryId, m_parts.saver);
        m_inFlight.push_back({std::move(m_wrapper), m_contact, m_checkpoint, std::move(save)});
    }
    m_contact = nullptr;
    m_wrapper.reset();
}

QString ReplaceRun::errorLine(int checkpoint, SafeContactItem *named, const QString &reason) const
{
    std::optional<QString> contact;
    if (named) {
        // The name is only a pointer for the reader; when it cannot be read
        // the line still goes out, with the contact left blank and the run's
        // own reason kept.
        contact.emplace();
        try {
            *contact = named->FullNameAndCompany();
        } catch (const QuenlockError &) {
        }
    }
    return Texts::runErrorLine(checkpoint, m_folderName, contact, reason);
}
