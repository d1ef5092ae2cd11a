// SPDX-License-Identifier: MIT
#include "cmorvane.h"

#include "engineactivitylog.h"
#include "engineutility.h"
#include "iengineapi.h"
#include "olapplication.h"
#include "safeitem.h"
#include "settingsaccess.h"
#include "settingskeys.h"
#include "systemtexts.h"
#include "progids.h"
#include "textnumber.h"

namespace {
const QString Source = QLatin1String(Texts::Source);

// Every trap of the module writes one host log line and returns. A line the
// host cannot write is dropped: a trap never throws (KTShutdown runs in the
// host's destructor), and the host reports its log's failure itself.
void logTrapped(const QString &message, int level, const QString &operation)
{
    try {
        engineUtility().LogMessage(message, level, Texts::source(operation));
    } catch (const QuenlockError &) {
    }
}
} // namespace

QString CMorvane::RegistryName() const { return Source; }
QString CMorvane::FriendlyName() const { return QStringLiteral("Quenlock"); }
// The version lives once, in the build; it arrives as major.minor.revision.
QString CMorvane::Version() const { return QStringLiteral(QUENLOCK_VERSION); }

int CMorvane::KTStartup(std::shared_ptr<IEngineAPI> engine)
{
    try {
        if (!m_engine)
            m_engine = std::move(engine);
    } catch (const QuenlockError &error) {
        logTrapped(Texts::errorLine(error.description()), 0, QStringLiteral("Startup"));
    }
    return 0;
}

int CMorvane::KTShutdown()
{
    try {
        ClassFactory::create<MapiUtils>(QLatin1String(ProgId::MapiUtils))->CleanUp();
        ClassFactory::create<EngineActivityLog>(QLatin1String(ProgId::EngineActivityLog))
            ->WriteEntry(Source, QStringLiteral("Shutdown"), Source + QStringLiteral(" is stopping"), 0);
        m_engine.reset();
    } catch (const QuenlockError &error) {
        logTrapped(Texts::shutdownErrorLine(error.description()), 1, QStringLiteral("KTShutdown"));
    }
    return 0;
}

QString CMorvane::KTSendMessage(const QString &) { return QStringLiteral("noerror"); }

int CMorvane::KTExplorerOpen(const QVariant &)
{
    EnsureDefaultSettings();
    return 0;
}

void CMorvane::EnsureDefaultSettings()
{
    int step = 0;
    try {
        step = 4;
        if (textToLong(ReadSetting(QLatin1String(Keys::FolderCount), QStringLiteral("-1"))) != -1)
            return;
        step = 6;
        if (!m_engine)
            throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
        const auto application = m_engine->OutlookApp();
        if (!application)
            throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
        const auto nameSpace = application->GetNamespace(QStringLiteral("MAPI"));
        step = 8;
        const auto folder = nameSpace->GetDefaultFolder(OlDefaultFolder::Contacts);
        if (!folder)
            throw QuenlockError(QStringLiteral("Object variable or With block variable not set"));
        step = 10;
        const QString name = folder->Name();
        step = 12;
        const QString entryId = folder->EntryID();
        step = 14;
        const QString storeId = folder->StoreID();
        step = 16;
        WriteSetting(QLatin1String(Keys::FolderCount), QStringLiteral("1"));
        WriteSetting(Keys::numbered(Keys::FolderName, 1), name);
        WriteSetting(Keys::numbered(Keys::FolderEntryId, 1), entryId);
        WriteSetting(Keys::numbered(Keys::FolderStoreId, 1), storeId);
    } catch (const QuenlockError &error) {
        // No blank after "Reason:" in this one line, as it has always been
        // written; tools that read the log match it as it stands.
        logTrapped(QStringLiteral("Error occurred at line %1.  Reason:").arg(step) + error.description(), 0,
                   QStringLiteral("EnsureDefaultSettings"));
    }
}
