// SPDX-License-Identifier: MIT
// A window listing the host log or the activity log, oldest first.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QTableView;
class LogTableModel;

// Reads the rows from the host's log database when opened and on Refresh;
// the filter keeps the rows that contain its text in any column. A log
// that cannot be read shows its reason in place of the rows.
class LogViewer final : public QWidget
{
    Q_OBJECT

public:
    enum class Log { Host, Activity };
    explicit LogViewer(Log log, QWidget *parent = nullptr);
    ~LogViewer() override;

    void refresh();
    int rowCount() const;

private:
    Log m_log;
    LogTableModel *m_model = nullptr;
    QSortFilterProxyModel *m_filtered = nullptr;
    QTableView *m_table = nullptr;
    QLineEdit *m_filter = nullptr;
    QLabel *m_status = nullptr;
};
