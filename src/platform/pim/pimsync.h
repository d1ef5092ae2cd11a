// SPDX-License-Identifier: MIT
// When saved items reach the disk: one syncfs per file system at the end of a run.
#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// Saves replace files without fsync (an item is never torn: the rename is
// atomic, and its undo records are committed before it). The file systems
// written to are synced once: by CleanUp, when the last namespace that the
// run used is released, and when the application ends.
namespace PimSync {
void noteWrite(dev_t device, const QByteArray &directory);
// Syncs every file system written to since the last sync; an empty text, or
// the reason a sync failed.
QString syncAll();
// Namespaces alive; the last one released syncs, and answers true.
void namespaceOpened();
bool namespaceClosed();
} // namespace PimSync
