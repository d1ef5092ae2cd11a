// SPDX-License-Identifier: MIT
// The system's fixed texts: log source, error lines, the run's notices and captions.
#pragma once

#include "quenlockerror.h"
#include "settingskeys.h"

#include <QString>
#include <exception>
#include <optional>

namespace Texts {

// Every log source is the settings section's name, alone or with the
// operation after a full stop.
inline constexpr const char *Source = Keys::Section;

// The data layer's host log lines: files passed over or unreadable, syncs
// that failed.
inline constexpr char PimSource[] = "Quenlock.Pim";

// The activity line the e-mail step writes after changing the first address.
inline constexpr char EmailUpdateName[] = "MorvaneContacts";
inline QString emailUpdated(const QString &address)
{
    return QStringLiteral("Updated Email1Address: ") + address;
}

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

// The replace run's error line: the checkpoint it passed last, the folder it
// was in and, within a contact, the contact's name and company.
inline QString runErrorLine(int checkpoint, const QString &folder, const std::optional<QString> &contact,
                            const QString &reason)
{
    QString line = QStringLiteral("Error occurred.  LastLineNumber: ") + QString::number(checkpoint);
    if (contact)
        line += QStringLiteral("  Folder: ") + folder + QStringLiteral("  Contact: ") + *contact;
    else if (!folder.isEmpty())
        line += QStringLiteral("  Folder: ") + folder;
    return line + QStringLiteral("  Reason: ") + reason;
}

// The host log line of a shutdown that failed; "ocurred" as it has always
// been spelt there: readers of the host log search for this exact line.
inline QString shutdownErrorLine(const QString &reason)
{
    return QStringLiteral("Error ocurred during shutdown.  Reason: ") + reason;
}

// Loading the settings numbers its stages for its error line; the search and
// replacement texts and the case flag are stage 4, whoever loads them.
inline constexpr int TextsLoadingStage = 4;

// The error line of the page's loading, with the stage it reached.
inline QString loadingErrorLine(const QString &reason, int stage)
{
    return errorLine(reason) + QStringLiteral("  LastLineNumber: ") + QString::number(stage);
}

// Message boxes that say why what the user asked for did not happen.
inline QString fieldChoicesUnread(const QString &reason)
{
    return QStringLiteral("The field choices cannot be read.  Reason: ") + reason;
}
inline QString fieldChoicesUnsaved(const QString &reason)
{
    return QStringLiteral("The field choices could not be saved.  Reason: ") + reason;
}
inline QString settingsUnsaved(const QString &reason)
{
    return QStringLiteral("The settings could not be saved.\n\nReason: ") + reason;
}
inline QString replaceStopped(const QString &reason)
{
    return QStringLiteral("The replace stopped before changing any further item.\n\nReason: ") + reason;
}
inline QString runStopped(const QString &reason)
{
    return QStringLiteral("The run stopped.\n\nReason: ") + reason;
}
inline QString undoStopped(const QString &reason)
{
    return QStringLiteral("The undo stopped.\n\nReason: ") + reason;
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
