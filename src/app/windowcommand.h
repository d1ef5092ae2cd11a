// SPDX-License-Identifier: MIT
// The property window as a command of the host.
#pragma once

#include <QStringList>

// Starts the host on the stores, opens the property window and runs until it closes.
int openWindow(const QStringList &stores, const QStringList &accounts = {});
