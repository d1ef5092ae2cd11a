// SPDX-License-Identifier: MIT
// The Outlook application over vCard/iCalendar collections on disk.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class OlApplication;
class OlFolder;
class OlNamespace;

namespace Pim {
// What the layer asks of the host that opens it; either may be left empty.
struct HostHooks
{
    // Runs on the saving thread before anything of an item file's save is
    // written; one call may serve several saves handed to the writers since
    // the last (see SaveWriters). Throwing stops those saves and leaves their
    // items as they were. Without a hook a save just writes and renames.
    std::function<void()> beforeReplace;
    // PickFolder's answer; without a picker PickFolder answers nullptr, as a
    // cancelled dialog would.
    std::function<std::shared_ptr<OlFolder>(OlNamespace &)> pickFolder;
    // Runs before the first save into a store, with its id: answers what
    // keeps other programs' runs out of the store while it is held (it is
    // let go when the last namespace is released), or throws QuenlockError
    // to refuse the save. Without it saves take no lock.
    std::function<std::shared_ptr<void>(const QString &storeId)> lockStore;
};

// storeDirs: directories each holding collections (one sub-directory per
// folder). defaultContactsFolder: the collection GetDefaultFolder(10) answers,
// or empty for the first collection that holds vCards.
std::shared_ptr<OlApplication> createApplication(const QStringList &storeDirs,
                                                 const QString &defaultContactsFolder,
                                                 HostHooks host = {});
} // namespace Pim
