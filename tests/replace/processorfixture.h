// SPDX-License-Identifier: MIT
// One processor, one recorded item and one timeline of everything the processors do.
#pragma once

#include "fieldflags.h"
#include "itemprocessor.h"
#include "progids.h"
#include "recordingitem.h"
#include "regexclasses.h"
#include "regexondemand.h"
#include "runlogs.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "testenvironment.h"
#include "undolog.h"

enum class Processor { Contacts, Appointments, Tasks };

inline QString processorName(Processor p)
{
    switch (p) {
    case Processor::Contacts:
        return QStringLiteral("SearchAndReplaceContacts");
    case Processor::Appointments:
        return QStringLiteral("SearchAndReplaceAppointments");
    case Processor::Tasks:
        return QStringLiteral("SearchAndReplaceTasks");
    }
    return {};
}

inline QString openingText(Processor p)
{
    switch (p) {
    case Processor::Contacts:
        return QStringLiteral("Checking contact: ");
    case Processor::Appointments:
        return QStringLiteral("Checking Appointment: ");
    case Processor::Tasks:
        return QStringLiteral("Checking Task: ");
    }
    return {};
}

struct ProcessorFixture
{
    TestEnvironment env;
    Timeline timeline;
    TimelineUtility utility{env.utility, timeline};
    RecordingItem item{timeline};
    EngineRunLogs logs;
    FieldFlags flags;
    RegexOnDemand regex;

    ProcessorFixture()
    {
        Regex::registerRegexClasses();
        setEngineUtilityOverride(&utility);
        env.onActivity = [this](const ActivityLine &line) {
            timeline << (line.kind == -1 ? QStringLiteral("undo ") + line.text
                                         : QStringLiteral("activity %1: %2").arg(line.name, line.text));
        };
        item.values.insert(QStringLiteral("Subject"), QStringLiteral("Ann Lee"));
    }

    // Ticks the given field flags in the store and loads them as a run does.
    void choose(const QStringList &keys, const QString &instruction = QString())
    {
        for (const QString &key : keys)
            WriteSetting(key, QStringLiteral("1"));
        if (!instruction.isNull())
            WriteSetting(QLatin1String(Keys::SpecialInstructions), instruction);
        StoreSettings settings;
        LoadFieldFlags(flags, settings);
    }

    bool process(Processor p, const QString &search, const QString &replacement, qint32 caseFlag = 0)
    {
        const QString store = QStringLiteral("STORE-1"), folder = QStringLiteral("FOLDER-1");
        ItemProcessor processor(logs, flags, std::ref(regex));
        return processor.process(ItemKinds::of(FieldTable::Page(int(p))),
                                 {store, folder, item, search, replacement, caseFlag});
    }

    // The opening of every processed item: the subject read, then its line.
    QStringList opening(Processor p) const
    {
        return {QStringLiteral("Subject"),
                QStringLiteral("activity %1: %2Ann Lee").arg(processorName(p), openingText(p))};
    }

    static QStringList undoRecord(const QString &field, const QString &oldValue)
    {
        return {QStringLiteral("EntryID"), QStringLiteral("undo FolderStoreId: STORE-1"),
                QStringLiteral("undo FolderEntryId: FOLDER-1"), QStringLiteral("undo ItemEntryId: ITEM-1"),
                QStringLiteral("undo FieldName: ") + field, QStringLiteral("undo FieldValue: ") + oldValue};
    }

    // Host log lines as "source: message", all at level 0.
    QStringList errors() const
    {
        QStringList out;
        for (const LogLine &line : env.utility.lines)
            out << QStringLiteral("%1: %2%3").arg(line.source, line.message,
                                                  line.level == 0 ? QString() : QStringLiteral(" (level)"));
        return out;
    }

    static QString errorLine(Processor p, int step, const QString &reason)
    {
        return QStringLiteral("Morvane.%1: Error occurred at line %2.  Reason: %3")
            .arg(processorName(p))
            .arg(step)
            .arg(reason);
    }
};
