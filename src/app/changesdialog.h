// SPDX-License-Identifier: MIT
// The fields a run would change, or an undo would give back, in a table.
#pragma once

#include "runjournal.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QTableView;
class QSortFilterProxyModel;

// A filterable table with its summary, the counts and any error lines.
// Close rejects; the go-on button (disabled when no row is to be done)
// accepts, and the caller then does it for real. Rows with an action (the
// undo's "Restore" or "Skip: changed since the run") get a column for it,
// and their values are the value now and the value after.
class ChangesDialog final : public QDialog
{
    Q_OBJECT

public:
    struct Row
    {
        QString action;
        PlannedChange change;
        bool toDo = true;
    };
    ChangesDialog(const QString &title, const QString &summary, const QList<Row> &rows,
                  const QStringList &lines, const QString &goOn, QWidget *parent);

private:
    QTableView *buildTable();
    QDialogButtonBox *buildButtons(const QString &goOn, bool anyToDo);
    void showCount();

    QSortFilterProxyModel *m_filtered = nullptr;
    QLabel *m_count = nullptr;
};
