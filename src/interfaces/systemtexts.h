// SPDX-License-Identifier: MIT
// The system's fixed texts: log source, error lines, the run's notices and captions.
#pragma once

#include "quenlockerror.h"
#include "settingskeys.h"

#include <QString>
#include <exception>

namespace Texts {

// Every log source is the settings section's name, alone or with the
// operation after a full stop.
inline constexpr const char *Source = Keys::Section;

// "Morvane." + the operation that writes the line.
inline QString source(const QString &operation)
{
    return QLatin1String(Source) + QLatin1Char('.') + operation;
}

// The description of any error that reaches a trap.
inline QString describe(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const QuenlockError *>(&error))
        return own->description();
    return QString::fromLocal8Bit(error.what());
}

// "Error occurred.  Reason: " + reason: two blanks after each full stop.
inline QString errorLine(const QString &reason)
{
    return QStringLiteral("Error occurred.  Reason: ") + reason;
}

// The same with the step a numbered routine had reached.
inline QString errorLineAt(int step, const QString &reason)
{
    return QStringLiteral("Error occurred at line %1.  Reason: ").arg(step) + reason;
}

// The error line of the page's loading, with the stage it reached.
inline QString loadingErrorLine(const QString &reason, int stage)
{
    return errorLine(reason) + QStringLiteral("  LastLineNumber: ") + QString::number(stage);
}

// The replace run's notice for a page with unsaved changes.
inline QString applyFirst()
{
    return QStringLiteral("You must click Apply to save your settings, then you can click Replace.");
}

// The texts appear as typed, quotes and all.
inline QString confirmation(const QString &searchFor, const QString &replaceWith)
{
    return QStringLiteral("Are you SURE you want to replace all occurrences of '") + searchFor
           + QStringLiteral("' with '") + replaceWith + QStringLiteral("'");
}

inline QString folderCaption(const QString &folderName) { return QStringLiteral("Folder: ") + folderName; }

// "items" stays plural for any count; the folder count is the configured one.
inline QString summary(qint32 updated, qint32 folderCount)
{
    if (folderCount == 1)
        return QStringLiteral("Updated %1 items in 1 folder").arg(updated);
    return QStringLiteral("Updated %1 items in %2 folders").arg(updated).arg(folderCount);
}

// An undo's last word; dry: what it would do. "items" stays plural, as in
// the run's summary.
// The last word of a run or an undo stopped between items on request.
inline QString stopped(int saved) { return QStringLiteral("Stopped: %1 items saved").arg(saved); }

inline QString undoSummary(qsizetype fields, int items, int skipped, bool dry)
{
    return QStringLiteral("%1 %2 fields in %3 items; %4 %5 items changed since the run")
        .arg(dry ? QStringLiteral("Would restore") : QStringLiteral("Restored"))
        .arg(fields)
        .arg(items)
        .arg(dry ? QStringLiteral("would skip") : QStringLiteral("skipped"))
        .arg(skipped);
}

// A preview's last word: what the run would do.
inline QString previewSummary(qint32 updated, qint32 folderCount)
{
    if (folderCount == 1)
        return QStringLiteral("Would update %1 items in 1 folder").arg(updated);
    return QStringLiteral("Would update %1 items in %2 folders").arg(updated).arg(folderCount);
}

} // namespace Texts
