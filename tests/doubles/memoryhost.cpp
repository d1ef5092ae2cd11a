// SPDX-License-Identifier: MIT
#include "memoryhost.h"

namespace Memory {

namespace {
std::shared_ptr<OlFolder> find(const QList<std::shared_ptr<Folder>> &folders, const QString &entryId,
                               const QString &storeId)
{
    for (const auto &folder : folders) {
        if (folder->entryId == entryId && folder->storeId == storeId)
            return folder;
        if (auto inner = find(folder->folders, entryId, storeId))
            return inner;
    }
    return nullptr;
}
} // namespace

std::shared_ptr<OlFolder> Engine::KTGetFolder(const QString &folderEntryId,
                                              const QString &folderStoreId)
{
    lookups.append({folderEntryId, folderStoreId});
    if (onLookup)
        onLookup();
    if (!application || refused.contains(folderEntryId))
        return nullptr;
    if (auto folder = find(application->nameSpace->stores, folderEntryId, folderStoreId))
        return folder;
    const auto &fallback = application->nameSpace->defaultContacts;
    if (fallback && fallback->entryId == folderEntryId && fallback->storeId == folderStoreId)
        return fallback;
    return nullptr;
}

Host::Host() : engineObject(std::make_unique<Engine>())
{
    engineObject->application = application;
}

} // namespace Memory
