// SPDX-License-Identifier: MIT
#include "windowcommand.h"

#include "hostsession.h"
#include "propertywindow.h"

#include <QApplication>

int openWindow(const QStringList &stores, const QStringList &accounts)
{
    HostSession host(stores, true, accounts);
    PropertyWindow window(host.engineObject(), &host.module());
    window.show();
    return QApplication::exec();
}
