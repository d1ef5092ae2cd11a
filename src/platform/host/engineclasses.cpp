// SPDX-License-Identifier: MIT
#include "engineclasses.h"

#include "logdatabase.h"
#include "engineactivitylog.h"
#include "engineutility.h"
#include "folderobject.h"
#include "progids.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

class HostEngineUtility final : public EngineUtility
{
public:
    void LogMessage(const QString &message, int level, const QString &source) override
    {
        LogDatabase::instance().appendHostLog(level, source, message);
    }

    QString LookupText(const TextTable &table, const QString &key) override
    {
        return table.value(key);
    }

    // The host ships its text table as an INI-like resource: "[Section]" lines
    // and "key=text" lines, "\n" standing for a line break in a text.
    void LoadTextTable(TextTable &table, const QString &section) override
    {
        table.clear();
        // An installed host reads the table from its data folder, where a
        // translator may edit it; a build folder has only the built-in copy.
        QFile file(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/quenlock/texts.ini"));
        if (!file.exists())
            file.setFileName(QStringLiteral(":/quenlock/texts.ini"));
        if (!file.open(QIODevice::ReadOnly))
            throw QuenlockError(QStringLiteral("The host's text table cannot be read"));
        QTextStream in(&file);
        bool inSection = false;
        while (!in.atEnd()) {
            const QString line = in.readLine();
            if (line.startsWith(QLatin1Char('['))) {
                inSection = line == QLatin1Char('[') + section + QLatin1Char(']');
                continue;
            }
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (!inSection || equals <= 0 || line.startsWith(QLatin1Char(';')))
                continue;
            QString text = line.mid(equals + 1);
            text.replace(QLatin1String("\\n"), QLatin1String("\n"));
            table.insert(line.left(equals).trimmed(), text);
        }
    }

    QString SettingsAppName() override { return QString::fromLatin1(Engine::SettingsAppName); }

    void BeginRun(const RunStart &start) override { LogDatabase::instance().beginRun(start); }
    void RecordChange(const PlannedChange &change) override { LogDatabase::instance().recordChange(change); }
    void EndRun(qint32 saved, RunEnd how) override { LogDatabase::instance().endRun(saved, how); }
};

class HostActivityLog final : public EngineActivityLog
{
public:
    void WriteEntry(const QString &source, const QString &name, const QString &text, int kind) override
    {
        LogDatabase::instance().appendActivity(source, name, text, kind);
    }
};

class HostFolderRef final : public FolderRef
{
public:
    QString Name() const override { return m_name; }
    QString EntryID() const override { return m_entryId; }
    QString StoreID() const override { return m_storeId; }
    void setName(const QString &name) override { m_name = name; }
    void setEntryID(const QString &entryId) override { m_entryId = entryId; }
    void setStoreID(const QString &storeId) override { m_storeId = storeId; }

private:
    QString m_name, m_entryId, m_storeId;
};

EngineUtility *g_override = nullptr;

} // namespace

EngineUtility &engineUtility()
{
    static HostEngineUtility utility;
    return g_override ? *g_override : utility;
}

void setEngineUtilityOverride(EngineUtility *utility) { g_override = utility; }

void Engine::registerEngineClasses()
{
    ClassFactory::registerClass(QLatin1String(ProgId::EngineActivityLog),
                                [] { return std::make_unique<HostActivityLog>(); });
    ClassFactory::registerClass(QLatin1String(ProgId::FolderRef),
                                [] { return std::make_unique<HostFolderRef>(); });
}
