// SPDX-License-Identifier: MIT
#include "engineapi.h"

#include "engineutility.h"
#include "olapplication.h"

EngineApi::EngineApi(std::shared_ptr<OlApplication> application)
    : m_application(std::move(application))
{
}

std::shared_ptr<OlApplication> EngineApi::OutlookApp() { return m_application; }

// A run passes over a folder no store holds without a word of its own (its
// settings may name a folder since removed); the host log says which one.
std::shared_ptr<OlFolder> EngineApi::KTGetFolder(const QString &folderEntryId,
                                                 const QString &folderStoreId)
{
    std::shared_ptr<OlFolder> folder;
    if (m_application)
        folder = m_application->GetNamespace(QStringLiteral("MAPI"))->GetFolderFromID(folderEntryId, folderStoreId);
    if (!folder)
        engineUtility().LogMessage(QStringLiteral("No folder has the entry id \"%1\" in the store \"%2\"")
                                       .arg(folderEntryId, folderStoreId),
                                   0, QStringLiteral("Quenlock.Engine"));
    return folder;
}
