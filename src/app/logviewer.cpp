// SPDX-License-Identifier: MIT
#include "logviewer.h"

#include "quenlockerror.h"
#include "logdatabase.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

// Both logs as rows of text; an activity log of a long run holds hundreds of
// thousands of rows, so the view asks for cells instead of owning items.
class LogTableModel final : public QAbstractTableModel
{
public:
    explicit LogTableModel(LogViewer::Log log, QObject *parent)
        : QAbstractTableModel(parent), m_log(log)
    {
    }

    void load()
    {
        beginResetModel();
        m_host.clear();
        m_activity.clear();
        try {
            if (m_log == LogViewer::Log::Host)
                m_host = LogDatabase::instance().hostLog();
            else
                m_activity = LogDatabase::instance().activityLog();
            m_error.clear();
        } catch (const QuenlockError &error) {
            m_error = error.description();
        }
        endResetModel();
    }

    QString error() const { return m_error; }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        if (parent.isValid())
            return 0;
        return int(m_log == LogViewer::Log::Host ? m_host.size() : m_activity.size());
    }

    int columnCount(const QModelIndex &parent = {}) const override
    {
        if (parent.isValid())
            return 0;
        return m_log == LogViewer::Log::Host ? 4 : 5;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const QStringList host = {QStringLiteral("Time"), QStringLiteral("Level"),
                                         QStringLiteral("Source"), QStringLiteral("Message")};
        static const QStringList activity = {QStringLiteral("Time"), QStringLiteral("Source"),
                                             QStringLiteral("Name"), QStringLiteral("Text"),
                                             QStringLiteral("Kind")};
        return (m_log == LogViewer::Log::Host ? host : activity).value(section);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        if (m_log == LogViewer::Log::Host) {
            const LogDatabase::HostEntry &e = m_host.at(index.row());
            switch (index.column()) {
            case 0: return e.time;
            case 1: return QString::number(e.level);
            case 2: return e.source;
            case 3: return e.message;
            }
            return {};
        }
        const LogDatabase::ActivityEntry &e = m_activity.at(index.row());
        switch (index.column()) {
        case 0: return e.time;
        case 1: return e.source;
        case 2: return e.name;
        case 3: return e.text;
        case 4: return QString::number(e.kind);
        }
        return {};
    }

private:
    LogViewer::Log m_log;
    QList<LogDatabase::HostEntry> m_host;
    QList<LogDatabase::ActivityEntry> m_activity;
    QString m_error;
};

LogViewer::LogViewer(Log log, QWidget *parent) : QWidget(parent), m_log(log)
{
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(log == Log::Host ? QStringLiteral("hostLogViewer")
                                   : QStringLiteral("activityLogViewer"));
    setWindowTitle(log == Log::Host ? QStringLiteral("Host Log") : QStringLiteral("Activity Log"));
    resize(760, 420);

    m_model = new LogTableModel(log, this);
    m_filtered = new QSortFilterProxyModel(this);
    m_filtered->setSourceModel(m_model);
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("logTable"));
    m_table->setModel(m_filtered);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(log == Log::Host);
    if (log == Log::Activity)
        m_table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("logFilter"));
    m_filter->setPlaceholderText(QStringLiteral("Filter"));
    m_filter->setClearButtonEnabled(true);
    connect(m_filter, &QLineEdit::textChanged, m_filtered, &QSortFilterProxyModel::setFilterFixedString);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("logStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto *refreshButton = new QPushButton(QStringLiteral("Refresh"), this);
    refreshButton->setObjectName(QStringLiteral("refreshButton"));
    auto *closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(refreshButton, &QPushButton::clicked, this, &LogViewer::refresh);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto *top = new QHBoxLayout;
    top->addWidget(m_filter, 1);
    top->addWidget(refreshButton);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);

    refresh();
}

LogViewer::~LogViewer() = default;

void LogViewer::refresh()
{
    m_model->load();
    if (!m_model->error().isEmpty()) {
        m_status->setText(QStringLiteral("The log cannot be read: ") + m_model->error());
        return;
    }
    const int rows = m_model->rowCount();
    m_status->setText(rows == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(rows));
    m_table->resizeColumnsToContents();
    // The newest entries are what a user opens the log for.
    m_table->scrollToBottom();
}

int LogViewer::rowCount() const { return m_filtered->rowCount(); }
