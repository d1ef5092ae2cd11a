// SPDX-License-Identifier: MIT
#include "previewrecorder.h"

#include "systemtexts.h"

void PreviewRecorder::error(const QString &operation, const QString &message)
{
    lines << Texts::source(operation) + QStringLiteral(": ") + message;
}
