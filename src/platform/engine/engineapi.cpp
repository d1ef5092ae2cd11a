// SPDX-License-Identifier: MIT
#include "engineapi.h"

#include "olapplication.h"

namespace {
std::shared_ptr<OlFolder> find(const QList<std::shared_ptr<OlFolder>> &folders,
                               const QString &entryId, const QString &storeId)
{
    for (const auto &folder : folders) {
        if (folder->EntryID() == entryId && folder->StoreID() == storeId)
            return folder;
        if (auto inner = find(folder->Folders(), entryId, storeId))
            return inner;
    }
    return nullptr;
}
} // namespace

EngineApi::EngineApi(std::shared_ptr<OlApplication> application)
    : m_application(std::move(application))
{
}

std::shared_ptr<OlApplication> EngineApi::OutlookApp() { return m_application; }

std::shared_ptr<OlFolder> EngineApi::KTGetFolder(const QString &folderEntryId,
                                                 const QString &folderStoreId)
{
    if (!m_application)
        return nullptr;
    return find(m_application->GetNamespace(QStringLiteral("MAPI"))->Folders(), folderEntryId,
                folderStoreId);
}
