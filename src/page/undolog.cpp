// SPDX-License-Identifier: MIT
#include "uc1.h"

void UC1::UndoSave(const QString &, const QString &, const QString &, const QString &, const QString &) {}
void UC1::WriteToUndoLog(const QString &, const QString &) {}
