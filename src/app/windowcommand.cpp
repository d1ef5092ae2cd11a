// SPDX-License-Identifier: MIT
#include "windowcommand.h"

#include "hostsession.h"

#include <QApplication>

int openWindow(const QStringList &stores)
{
    HostSession host(stores);
    // The property window lands with the page.
    return QApplication::exec();
}
