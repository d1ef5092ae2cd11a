// SPDX-License-Identifier: MIT
// One run at a time changes a store: an advisory lock per store in the state folder.
#pragma once

#include <QString>
#include <memory>

namespace StoreLock {
// Locks $XDG_STATE_HOME/quenlock/locks/<hash of the store id>.lock and
// answers what holds it (the lock goes with the last copy, or with the
// process). Another run holding it is waited for up to 5 seconds; then
// QuenlockError "Another run is changing this store".
std::shared_ptr<void> take(const QString &storeId);
} // namespace StoreLock
