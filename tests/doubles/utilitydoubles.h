// SPDX-License-Identifier: MIT
// Engine utilities that behave otherwise in one member: a settings name per
// access, a text table that cannot be read, a host log that takes no line.
#pragma once

#include "engineutility.h"
#include "quenlockerror.h"

// Hands every call to an inner utility; a double overrides what it changes.
class ForwardingUtility : public EngineUtility
{
public:
    explicit ForwardingUtility(EngineUtility &inner) : m_inner(inner) {}
    void LogMessage(const QString &message, int level, const QString &source) override
    {
        m_inner.LogMessage(message, level, source);
    }
    QString LookupText(const TextTable &table, const QString &key) override { return m_inner.LookupText(table, key); }
    void LoadTextTable(TextTable &table, const QString &section) override { m_inner.LoadTextTable(table, section); }
    QString SettingsAppName() override { return m_inner.SettingsAppName(); }

protected:
    EngineUtility &m_inner;
};

// Hands out a new settings application name for every access while
// sequencing, so each write lands in a file of its own and the files tell
// the keys, the values and their order.
class SequencedUtility final : public ForwardingUtility
{
public:
    using ForwardingUtility::ForwardingUtility;
    bool sequencing = false;
    int accesses = 0;
    void LoadTextTable(TextTable &table, const QString &section) override
    {
        m_inner.LoadTextTable(table, section);
        setEngineUtilityOverride(this);
    }
    QString SettingsAppName() override
    {
        if (!sequencing)
            return m_inner.SettingsAppName();
        return QStringLiteral("Seq%1").arg(++accesses);
    }
};

// A host whose text table cannot be read.
class UnreadableTextsUtility final : public ForwardingUtility
{
public:
    using ForwardingUtility::ForwardingUtility;
    void LoadTextTable(TextTable &, const QString &) override
    {
        throw QuenlockError(QStringLiteral("The host's text table cannot be read"));
    }
};

// A host log that takes no line, as when its disk is full.
struct UnwritableHostLog final : EngineUtility
{
    void LogMessage(const QString &, int, const QString &) override
    {
        throw LogWriteError(QStringLiteral("The host log cannot be written: database or disk is full"));
    }
    QString LookupText(const TextTable &table, const QString &key) override { return table.value(key); }
    void LoadTextTable(TextTable &table, const QString &) override { table.clear(); }
    QString SettingsAppName() override { return QStringLiteral("QuenlockHost"); }
};
