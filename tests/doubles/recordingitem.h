// SPDX-License-Identifier: MIT
// A safe-item double that records every call, and a host log that records into the same timeline.
#pragma once

#include "safeitem.h"
#include "utilitydoubles.h"

#include <QMap>
#include <QStringList>
#include <QVariant>

// Events in call order: "read P", "write P=text", "EntryID", "Subject",
// "save"; the tests add "undo <text>", "activity <name>: <text>" and
// "error <source>: <message>" from the logs, so one list shows the order of
// reads, undo records, writes and log lines.
using Timeline = QStringList;

// Holds typed values the way an item does: strings, dates (QDate), date and
// time (QDateTime) and numbers (double). Reading gives the text form
// ("2024-03-05", "2024-03-05 14:30", "120"); writing converts text back to
// the field's type and raises "Type mismatch" when it cannot.
class RecordingItem final : public SafeContactItem
{
public:
    explicit RecordingItem(Timeline &timeline) : m_timeline(timeline) {}

    QString entryId = QStringLiteral("ITEM-1");
    QMap<QString, QVariant> values;
    QStringList failReading;  // properties whose read raises an error
    QStringList failWriting;  // properties whose write raises an error
    bool failEntryId = false;

    void setItem(std::shared_ptr<OlItem>) override {}
    QString read(const QString &property) override;
    void write(const QString &property, const QString &text) override;
    QString EntryID() override;
    QString Subject() override;
    void Save() override { m_timeline << QStringLiteral("save"); }
    QString FullNameAndCompany() override { return values.value(QStringLiteral("FullName")).toString(); }

    // Only the writes, in order, as "P=text".
    QStringList writes() const;

private:
    Timeline &m_timeline;
};

// Puts the host log into the timeline as well as into the inner utility.
class TimelineUtility final : public ForwardingUtility
{
public:
    TimelineUtility(EngineUtility &inner, Timeline &timeline) : ForwardingUtility(inner), m_timeline(timeline) {}
    void LogMessage(const QString &message, int level, const QString &source) override
    {
        m_timeline << QStringLiteral("error %1: %2").arg(source, message);
        m_inner.LogMessage(message, level, source);
    }

private:
    Timeline &m_timeline;
};
