// SPDX-License-Identifier: MIT
// The host's own configuration: which stores it serves and its default contacts folder.
#pragma once

#include <QStringList>

// Read from $XDG_CONFIG_HOME/quenlock/host.ini:
//   [Stores]
//   paths=/home/me/.contacts, /home/me/.calendars
//   defaultContacts=/home/me/.contacts/personal
// With no paths the host serves one store, $XDG_DATA_HOME/quenlock/store.
struct HostConfig
{
    QStringList stores;
    QString defaultContacts;

    static QString file();
    static HostConfig load();
};
