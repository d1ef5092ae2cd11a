// SPDX-License-Identifier: MIT
#include "batchcommands.h"

#include "hostsession.h"
#include "engineutility.h"
#include "progresssink.h"
#include "prompt.h"
#include "quenlockerror.h"
#include "settingsstore.h"
#include "moduleloader.h"
#include "olapplication.h"
#include "settingsaccess.h"
#include "runresult.h"
#include "capturingutility.h"
#include "terminalio.h"
#include "terminalprogress.h"
#include "settingskeys.h"
#include "logdatabase.h"
#include "settingrules.h"
#include "systemtexts.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QScopeGuard>
#include <optional>

#include <QTextStream>

using namespace TerminalIo;

namespace {
QString runQuestion();

// The host log lines of a run on stderr, an item's error line with the item
// and step it ended ("'Arjun Mehta', step 520 (Start): ...").
// A bad pattern fails every item alike: a line repeated back to back is
// printed once with its count. Returns how many lines the data layer wrote
// about an item (a file that could not be read): not every item was searched.
int sayHostLines(const QStringList &lines, const QList<RunResult::ItemError> &items)
{
    qsizetype nextItem = 0;
    QString previous;
    int repeats = 0, fromData = 0;
    auto flush = [&] {
        if (repeats > 1)
            say(QStringLiteral("  (the line above %1 times)").arg(repeats));
    };
    for (const QString &line : lines) {
        QString text = line;
        if (nextItem < items.size() && items[nextItem].line == line)
            text = items[nextItem++].where + QStringLiteral(": ") + line;
        else if (line.startsWith(QLatin1String(Texts::PimSource) + QStringLiteral(": ")))
            ++fromData;
        if (line == previous) {
            ++repeats;
            continue;
        }
        flush();
        say(text);
        previous = line;
        repeats = 1;
    }
    flush();
    return fromData;
}
} // namespace

int BatchCommands::folders(const QStringList &stores, const QStringList &accounts, bool asJson)
{
    requireStores(stores, accounts);
    HostSession host(stores, true, accounts);
    const auto nameSpace = host.OutlookApplication()->GetNamespace(QStringLiteral("MAPI"));
    for (const auto &store : nameSpace->Folders()) {
        for (const auto &folder : store->Folders()) {
            print(Record()
                      .add(QStringLiteral("name"), folder->Name())
                      .add(QStringLiteral("entryId"), folder->EntryID())
                      .add(QStringLiteral("storeId"), folder->StoreID())
                      .add(QStringLiteral("count"), folder->Items()->Count()),
                  asJson);
        }
    }
    return Done;
}

int BatchCommands::set(const QStringList &assignments, bool force)
{
    if (assignments.isEmpty())
        return Usage;
    for (const QString &assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            say(QStringLiteral("Not a KEY=VALUE assignment: ") + assignment);
            return Usage;
        }
        // Nothing is written while one of them is wrong.
        if (const auto why = SettingRules::refusal(assignment.left(equals), assignment.mid(equals + 1)); why && !force) {
            say(*why + QStringLiteral(" (nothing was set; --force sets it all the same)"));
            return Refused;
        }
    }
    for (const QString &assignment : assignments) {
        const qsizetype equals = assignment.indexOf(QLatin1Char('='));
        WriteSetting(assignment.left(equals), assignment.mid(equals + 1));
    }
    return Done;
}

int BatchCommands::fields(bool asJson)
{
    for (const FieldTable::Field &field : FieldTable::Fields) {
        const QStringList groups = SettingRules::groupsOf(field);
        print(Record()
                  .add(QStringLiteral("key"), QLatin1String(field.flagKey))
                  .add(QStringLiteral("caption"), QLatin1String(field.caption))
                  .add(QStringLiteral("kind"), SettingRules::kindOf(field.page))
                  .add(QStringLiteral("groups"), QJsonArray::fromStringList(groups), groups.join(QStringLiteral(", "))),
              asJson);
    }
    return Done;
}

int BatchCommands::get(const QStringList &keys)
{
    const QStringList shown = keys.isEmpty()
        ? SettingsStore::keys(engineUtility().SettingsAppName(), QLatin1String(Keys::Section))
        : keys;
    for (const QString &key : shown) {
        // A missing key prints nothing after its "=" and is reported on stderr.
        const QString value = ReadSetting(key, QString(QChar(0)));
        if (value == QString(QChar(0))) {
            say(key + QStringLiteral(" is not set"));
            continue;
        }
        out() << key << '=' << value << '\n';
    }
    return Done;
}

int BatchCommands::preview(const QStringList &stores, const QStringList &accounts, bool asJson, bool quiet)
{
    requireStores(stores, accounts);
    QList<PlannedChange> changes;
    QStringList lines;
    RunResult result;
    CapturingUtility capturing;
    {
        HostSession host(stores, false, accounts);
        TerminalProgress progress(!quiet && TerminalProgress::stderrIsTerminal());
        result = ModuleLoader::createRun()->Preview(&host, progress, changes, lines);
    }
    for (const PlannedChange &change : std::as_const(changes))
        print(changeRecord(change), asJson);
    const int unreadable = sayHostLines(capturing.lines + lines, result.itemErrorLines);
    if (result.outcome == RunResult::Outcome::Error)
        return Failed;
    // JSON Lines throughout: the summary is an object of its own.
    if (asJson)
        print(Record().add(QStringLiteral("summary"), result.text), true);
    else
        out() << result.text << Qt::endl;
    return result.itemErrors > 0 || unreadable > 0 ? ItemErrors : Done;
}

int BatchCommands::run(const QStringList &stores, const QStringList &accounts, bool yes, bool quiet)
{
    requireStores(stores, accounts);
    HostSession host(stores, true, accounts);
    TerminalPrompt answers(yes, runQuestion());
    const qint64 lastLogId = [] {
        const auto lines = LogDatabase::instance().hostLog();
        return lines.isEmpty() ? 0 : lines.last().id;
    }();

    // The same run as the Replace button of a clean page on these settings.
    TerminalProgress progress(!quiet && TerminalProgress::stderrIsTerminal());
    TerminalProgress::catchStopSignals();
    const RunResult result = ModuleLoader::createRun()->Run(&host, answers, progress);

    QStringList lines;
    for (const auto &line : LogDatabase::instance().hostLog(lastLogId))
        lines << line.source + QStringLiteral(": ") + line.message;
    const int unreadable = sayHostLines(lines, result.itemErrorLines);
    // Once a log write failed no later one succeeds: the run's error line
    // did not reach the host log, so it is shown from here.
    if (result.outcome == RunResult::Outcome::Error && !LogDatabase::instance().failure().isEmpty())
        say(result.text);
    if (result.outcome == RunResult::Outcome::NotConfirmed)
        return NotConfirmed;
    out() << progress.label << Qt::endl;
    // The items saved are synced as the host session ends, on the way out.
    if (result.outcome == RunResult::Outcome::Stopped)
        return TerminalProgress::stoppedStatus();
    if (result.outcome == RunResult::Outcome::Summary && result.folderCount == 0)
        say(QStringLiteral("No folders are set to search: choose them in the window, or name them with "
                           "'quenlock replace --folder NAME' from what 'quenlock folders' lists."));
    if (result.outcome == RunResult::Outcome::Error)
        return Failed;
    return result.itemErrors > 0 || unreadable > 0 ? ItemErrors : Done;
}

int BatchCommands::log(bool asJson)
{
    for (const auto &line : LogDatabase::instance().hostLog())
        print(Record()
                  .add(QStringLiteral("time"), line.time)
                  .add(QStringLiteral("level"), line.level)
                  .add(QStringLiteral("source"), line.source)
                  .add(QStringLiteral("message"), line.message),
              asJson);
    return Done;
}

int BatchCommands::activity(bool asJson)
{
    for (const auto &line : LogDatabase::instance().activityLog())
        print(Record()
                  .add(QStringLiteral("time"), line.time)
                  .add(QStringLiteral("source"), line.source)
                  .add(QStringLiteral("name"), line.name)
                  .add(QStringLiteral("kind"), line.kind)
                  .add(QStringLiteral("text"), line.text),
              asJson);
    return Done;
}

namespace {
using FieldTable::Field;

// A run's question in the terminal, from the settings it will read:
// "Replace '\(503\)' with '(458)' in 17 fields of 3 folders?"
QString runQuestion()
{
    int chosen = 0;
    for (const Field &field : FieldTable::Fields) {
        bool number = false;
        if (ReadSetting(QLatin1String(field.flagKey), QStringLiteral("0")).trimmed().toInt(&number) != 0 && number)
            ++chosen;
    }
    const qint32 folders = boundFolderCount(ReadSetting(QLatin1String(Keys::FolderCount), QStringLiteral("0")).toInt(),
                                            SettingKeys());
    return QStringLiteral("Replace '%1' with '%2' in %3 %4 of %5 %6?")
        .arg(ReadSetting(QLatin1String(Keys::SearchFor), QString()), ReadSetting(QLatin1String(Keys::ReplaceWith), QString()))
        .arg(chosen)
        .arg(chosen == 1 ? QStringLiteral("field") : QStringLiteral("fields"))
        .arg(folders)
        .arg(folders == 1 ? QStringLiteral("folder") : QStringLiteral("folders"));
}

// The 56 flags for --fields: every named field 1, the others 0.
std::optional<QHash<QString, QString>> flagValues(const QStringList &names)
{
    QHash<QString, QString> values;
    for (const Field &field : FieldTable::Fields)
        values.insert(QLatin1String(field.flagKey), QStringLiteral("0"));
    for (const QString &list : names) {
        for (const QString &name : list.split(u',', Qt::SkipEmptyParts)) {
            const auto named = SettingRules::fieldsNamed(name);
            if (named.isEmpty()) {
                say(QStringLiteral("unknown field or group '%1': 'quenlock fields' lists them (groups: %2)")
                        .arg(name.trimmed(), SettingRules::groupNames().join(QStringLiteral(", "))));
                return std::nullopt;
            }
            for (const Field *field : named)
                values.insert(QLatin1String(field->flagKey), QStringLiteral("1"));
        }
    }
    return values;
}

// Does name (a display name, an entry id or STORE/FOLDER) name this folder?
bool names(const QString &name, OlFolder &folder)
{
    if (name == folder.Name() || name == folder.EntryID())
        return true;
    const qsizetype slash = name.lastIndexOf(u'/');
    if (slash <= 0 || name.mid(slash + 1) != folder.EntryID())
        return false;
    const QString store = name.left(slash);
    return store == folder.StoreID() || QFileInfo(store).canonicalFilePath() == QFileInfo(folder.StoreID()).canonicalFilePath();
}

// The folder keys of the folders named, each name naming exactly one folder.
std::optional<QHash<QString, QString>> folderValues(const QStringList &stores, const QStringList &accounts,
                                                   const QStringList &wanted)
{
    QList<std::shared_ptr<OlFolder>> all;
    {
        HostSession host(stores, false, accounts);
        for (const auto &store : host.OutlookApplication()->GetNamespace(QStringLiteral("MAPI"))->Folders())
            all += store->Folders();
    }
    QHash<QString, QString> values{{QLatin1String(Keys::FolderCount), QString::number(wanted.size())}};
    for (qsizetype n = 1; n <= wanted.size(); ++n) {
        const QString &name = wanted.at(n - 1);
        QList<std::shared_ptr<OlFolder>> found;
        QStringList places;
        for (const auto &folder : all) {
            if (names(name, *folder)) {
                found << folder;
                places << folder->StoreID() + u'/' + folder->EntryID();
            }
        }
        if (found.size() != 1) {
            say(found.isEmpty() ? QStringLiteral("no folder '%1' in the stores: 'quenlock folders' lists them").arg(name)
                                : QStringLiteral("'%1' names %2 folders; name one as STORE/FOLDER: %3")
                                      .arg(name).arg(found.size()).arg(places.join(QStringLiteral(", "))));
            return std::nullopt;
        }
        values.insert(Keys::numbered(Keys::FolderName, int(n)), found.first()->Name());
        values.insert(Keys::numbered(Keys::FolderEntryId, int(n)), found.first()->EntryID());
        values.insert(Keys::numbered(Keys::FolderStoreId, int(n)), found.first()->StoreID());
    }
    return values;
}
} // namespace

int BatchCommands::replace(const ReplaceOptions &o)
{
    QHash<QString, QString> values{
        {QLatin1String(Keys::SearchFor), o.searchFor},
        {QLatin1String(Keys::ReplaceWith), o.replaceWith},
        {QLatin1String(Keys::CaseSensitive), o.caseSensitive ? QStringLiteral("1") : QStringLiteral("0")},
        {QLatin1String(Keys::SpecialInstructions),
         QLatin1String(o.areaCodes ? Keys::SpecialAreaCodes : Keys::SpecialNone)}};
    // Fields and folders not named: the applied ones. A wrong name has said why.
    if (!o.fields.isEmpty()) {
        const auto flags = flagValues(o.fields);
        if (!flags)
            return Refused;
        values.insert(*flags);
    }
    requireStores(o.stores, o.accounts);
    if (!o.folders.isEmpty()) {
        const auto folders = folderValues(o.stores, o.accounts, o.folders);
        if (!folders)
            return Refused;
        values.insert(*folders);
    }
    if (o.save) {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            WriteSetting(it.key(), it.value());
    }
    SettingsStore::overlay(engineUtility().SettingsAppName(), QLatin1String(Keys::Section), values);
    const auto standDown = qScopeGuard([] {
        SettingsStore::overlay(engineUtility().SettingsAppName(), QLatin1String(Keys::Section), {});
    });
    return o.dryRun ? preview(o.stores, o.accounts, o.json, o.quiet) : run(o.stores, o.accounts, o.yes, o.quiet);
}
