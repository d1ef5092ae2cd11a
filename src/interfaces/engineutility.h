// SPDX-License-Identifier: MIT
// The host engine's global utility object: host log, text tables, settings name.
#pragma once

#include "runjournal.h"

#include <QHash>
#include <QString>

using TextTable = QHash<QString, QString>;

class EngineUtility
{
public:
    virtual ~EngineUtility() = default;
    // One durable host log line. Level 0 for errors, 1 for an error at shut-down.
    virtual void LogMessage(const QString &message, int level, const QString &source) = 0;
    // The text under key, or an empty text when the key is missing.
    virtual QString LookupText(const TextTable &table, const QString &key) = 0;
    // Replaces table's contents with the texts of the given section.
    virtual void LoadTextTable(TextTable &table, const QString &section) = 0;
    // The application name of every settings access; fetch it before each one.
    virtual QString SettingsAppName() = 0;

    // The run journal. A run that may change items begins after its
    // confirmation, records each changed field with its new value before the
    // item is saved (so the record is on disk before the change, beside the
    // field's undo record), and ends with the number of items it saved and
    // how it ended. The activity rows written
    // in between belong to the run. A utility without a journal keeps nothing.
    virtual void BeginRun(const RunStart &) {}
    virtual void RecordChange(const PlannedChange &) {}
    virtual void EndRun(qint32 /*saved*/, RunEnd) {}
};

// The one instance of this thread (created on first use and kept). Tests may
// put a double in its place; nullptr restores the real one.
EngineUtility &engineUtility();
void setEngineUtilityOverride(EngineUtility *utility);
