// SPDX-License-Identifier: MIT
// The window's Preview and Undo Last Run: a table of the changes first, then the real thing.
#pragma once

class HostObject;
class QWidget;

namespace RunActions {
// The run of the applied settings, writing nothing, shown in a table; going
// on runs it for real, after the run's own confirmation.
void preview(QWidget *window, HostObject &host);
// The newest run's undo, writing nothing, shown in a table (restore or
// skip); going on asks, then gives the run back.
void undoLast(QWidget *window, HostObject &host);
} // namespace RunActions
