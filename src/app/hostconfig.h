// SPDX-License-Identifier: MIT
// The host's own configuration: which stores it serves and its default contacts folder.
#pragma once

#include "davaccount.h"

#include <QList>
#include <QStringList>

// Read from $XDG_CONFIG_HOME/quenlock/host.ini:
//   [Stores]
//   paths=/home/me/.contacts, /home/me/.calendars
//   defaultContacts=/home/me/.contacts/personal
//   [Account home]
//   url=https://dav.example.org/
//   username=me
//   passwordCommand=secret-tool lookup service dav user me
// With no paths the host serves one store, $XDG_DATA_HOME/quenlock/store
// (when accounts are named, only if that folder is there).
struct HostConfig
{
    QStringList stores;
    QString defaultContacts;
    QList<Dav::AccountSettings> accounts; // in the file's order

    static QString file();
    static HostConfig load();
    // The account of that name; throws QuenlockError saying how to add it.
    Dav::AccountSettings account(const QString &name) const;
};
