// SPDX-License-Identifier: MIT
// A private per-user world for one test: settings, logs and data in a temporary folder.
#pragma once

#include "engineutility.h"

#include <QList>
#include <QTemporaryDir>
#include <functional>

struct LogLine
{
    QString message;
    int level;
    QString source;
    bool operator==(const LogLine &) const = default;
};

struct ActivityLine
{
    QString source, name, text;
    int kind;
    bool operator==(const ActivityLine &) const = default;
};

// Records host log lines and the run journal's calls; text tables and the
// settings name are the real engine's.
class RecordingUtility final : public EngineUtility
{
public:
    QList<LogLine> lines;
    QList<RunStart> begun;
    QList<RunEnd> ended;
    QString appName = QStringLiteral("QuenlockHost");
    void LogMessage(const QString &message, int level, const QString &source) override;
    QString LookupText(const TextTable &table, const QString &key) override;
    void LoadTextTable(TextTable &table, const QString &section) override;
    QString SettingsAppName() override { return appName; }
    void BeginRun(const RunStart &start) override { begun.append(start); }
    void EndRun(qint32, RunEnd how) override { ended.append(how); }
};

// Sets XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_DATA_HOME to a fresh folder,
// registers the engine's classes, installs a RecordingUtility and a recording
// activity log; restores everything when it ends.
class TestEnvironment
{
public:
    TestEnvironment();
    ~TestEnvironment();
    QString path() const { return m_dir.path(); }
    RecordingUtility utility;
    QList<ActivityLine> activity;
    // Called inside every WriteEntry, before it is recorded (for order checks).
    std::function<void(const ActivityLine &)> onActivity;
    // Makes creating the activity log fail, as when its class is missing.
    void breakActivityLog();
    // The real engine's activity log instead of the recording one.
    void useRealActivityLog();

private:
    QTemporaryDir m_dir;
};
