// SPDX-License-Identifier: MIT
// Host log lines kept aside while something that must write nothing runs.
#pragma once

#include "engineutility.h"

#include <QStringList>

// While it lives, host log lines are kept in lines instead of the log: what
// writes nothing shows them, never stores them. Every other use of the
// engine's utility goes to the engine's own; the journal keeps nothing.
class CapturingUtility final : public EngineUtility
{
public:
    CapturingUtility();
    ~CapturingUtility() override;
    CapturingUtility(const CapturingUtility &) = delete;
    CapturingUtility &operator=(const CapturingUtility &) = delete;

    QStringList lines;
    void LogMessage(const QString &message, int, const QString &source) override
    {
        lines << source + QStringLiteral(": ") + message;
    }
    QString LookupText(const TextTable &table, const QString &key) override
    {
        return m_inner.LookupText(table, key);
    }
    void LoadTextTable(TextTable &table, const QString &section) override
    {
        m_inner.LoadTextTable(table, section);
    }
    QString SettingsAppName() override { return m_inner.SettingsAppName(); }

private:
    EngineUtility &m_inner;
};
