// SPDX-License-Identifier: MIT
// The host's activity log: one instance per entry, created by name.
#pragma once

#include "comobject.h"

// kind 0 is an ordinary line, -1 an undo entry. The text is kept exactly.
class EngineActivityLog : public ComObject
{
public:
    virtual void WriteEntry(const QString &source, const QString &name, const QString &text,
                            int kind) = 0;
};
