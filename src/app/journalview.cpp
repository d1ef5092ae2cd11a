// SPDX-License-Identifier: MIT
#include "journalview.h"

#include <QDateTime>

std::optional<JournalView::RunEntry> JournalView::findRun(const QList<RunEntry> &runs, qint64 id)
{
    for (const RunEntry &run : runs)
        if (id ? run.id == id : run.start.undoes == 0 && run.changed > 0)
            return run;
    return std::nullopt;
}

QString JournalView::state(const RunEntry &run)
{
    if (!run.ended)
        return QStringLiteral("cut short");
    switch (run.how) {
    case RunEnd::Finished:
        return QStringLiteral("finished");
    case RunEnd::ItemsLeft:
        return QStringLiteral("finished, items left as they were");
    case RunEnd::Stopped:
        return QStringLiteral("stopped on request");
    case RunEnd::LogFailed:
        return QStringLiteral("stopped, the log could not be written");
    case RunEnd::Error:
        break;
    }
    return QStringLiteral("stopped at an error");
}

QString JournalView::describe(const RunEntry &run)
{
    const QString what = run.start.undoes
        ? QStringLiteral("the undo of run %1").arg(run.start.undoes)
        : QStringLiteral("replacing '%1' with '%2'").arg(run.start.searchFor, run.start.replaceWith);
    return QStringLiteral("run %1 of %2, %3").arg(run.id).arg(localTime(run.started), what);
}

QString JournalView::localTime(const QString &stamp)
{
    const QDateTime time = QDateTime::fromString(stamp, Qt::ISODateWithMs);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : stamp;
}

QString JournalView::undoQuestion(const RunEntry &run, qsizetype fields)
{
    return QStringLiteral("Undo %1? It changed %2 fields.").arg(describe(run)).arg(fields);
}

QString JournalView::alreadyUndone(const RunEntry &run)
{
    return QStringLiteral("The %1 was undone by run %2.").arg(describe(run)).arg(run.undoneBy);
}

RunStart JournalView::undoStart(const RunEntry &run)
{
    RunStart start = run.start;
    start.undoes = run.id;
    return start;
}
