// SPDX-License-Identifier: MIT
// The host's commands for terminals and scripts.
#pragma once

#include <QStringList>

namespace BatchCommands {
// Exit statuses: 0 done, 1 the run ended with an error line (or a command
// failed), 2 usage error, 3 the run was not confirmed, 4 the run reached its
// summary but one or more items ended early with an error line.
// Refused: a usage error the command has explained itself (exit 2, with no
// usage text after it).
enum Status { Done = 0, Failed = 1, Usage = 2, NotConfirmed = 3, ItemErrors = 4, Refused = 0x102 };

// accounts: the host configuration's accounts to serve (--account), as
// stores are the store folders (--store); none of either: the configured ones.
int folders(const QStringList &stores, const QStringList &accounts, bool json);
// Refuses an unknown key or a value its key cannot hold, naming it, and then
// writes nothing; force writes them all the same.
int set(const QStringList &assignments, bool force);
// Every field key: key, caption, item kind and the groups that take it.
int fields(bool json);
int get(const QStringList &keys);
// quiet: no progress line, even on a terminal.
int run(const QStringList &stores, const QStringList &accounts, bool yes, bool quiet);
// The run's preview: one line per field it would change, then its summary.
// Writes nothing: no item, no log row, no setting.
int preview(const QStringList &stores, const QStringList &accounts, bool json, bool quiet);
// A replace on these values for this run only (save: also stored, as Apply
// stores them). Fields and folders left empty: the applied ones.
struct ReplaceOptions
{
    QString searchFor, replaceWith;
    QStringList fields, folders, stores, accounts;
    bool caseSensitive = false, areaCodes = false, save = false, dryRun = false, yes = false, json = false,
         quiet = false;
};
int replace(const ReplaceOptions &options);
int log(bool json);
int activity(bool json);
} // namespace BatchCommands
