// SPDX-License-Identifier: MIT
#include "changesdialog.h"

#include "record.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The changes as records, in the columns people read: the item's name and
// the field's caption, with the item's file beside them.
RecordModel *modelOf(const QList<ChangesDialog::Row> &rows, bool withAction, QObject *parent)
{
    QList<RecordModel::Column> columns{{QStringLiteral("folder"), QStringLiteral("Folder")},
                                       {QStringLiteral("name"), QStringLiteral("Item")},
                                       {QStringLiteral("caption"), QStringLiteral("Field")},
                                       {QStringLiteral("old"), QStringLiteral("Old value")},
                                       {QStringLiteral("new"), QStringLiteral("New value")},
                                       {QStringLiteral("item"), QStringLiteral("File")}};
    if (withAction) {
        columns.prepend({QStringLiteral("action"), QStringLiteral("Action")});
        columns[4].header = QStringLiteral("Value now");
        columns[5].header = QStringLiteral("Value after");
    }
    QList<Record> records;
    for (const ChangesDialog::Row &row : rows)
        records.append(changeRecord(row.change).textOnly(QStringLiteral("action"), row.action));
    return new RecordModel(columns, records, parent);
}
} // namespace

ChangesDialog::ChangesDialog(const QString &title, const QString &summary, const QList<Row> &rows,
                             const QStringList &lines, const QString &goOn, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("changesDialog"));
    setWindowTitle(title);
    resize(1000, 460);
    const bool withAction = std::any_of(rows.cbegin(), rows.cend(), [](const Row &r) { return !r.action.isEmpty(); });

    auto *heading = new QLabel(summary, this);
    heading->setObjectName(QStringLiteral("summary"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto *filter = new QLineEdit(this);
    filter->setObjectName(QStringLiteral("changesFilter"));
    filter->setPlaceholderText(QStringLiteral("Filter"));
    filter->setClearButtonEnabled(true);

    m_filtered = new QSortFilterProxyModel(this);
    m_filtered->setSourceModel(modelOf(rows, withAction, this));
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    connect(filter, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_filtered->setFilterFixedString(text);
        showCount();
    });

    QTableView *table = buildTable();

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("changesCount"));
    auto *errors = new QLabel(lines.join(u'\n'), this);
    errors->setObjectName(QStringLiteral("changesErrors"));
    errors->setTextFormat(Qt::PlainText);
    errors->setWordWrap(true);
    errors->setVisible(!lines.isEmpty());

    QDialogButtonBox *buttons = buildButtons(goOn, std::any_of(rows.cbegin(), rows.cend(), [](const Row &r) { return r.toDo; }));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(filter);
    layout->addWidget(table, 1);
    layout->addWidget(m_count);
    layout->addWidget(errors);
    layout->addWidget(buttons);
    showCount();
}

void ChangesDialog::showCount()
{
    const int shown = m_filtered->rowCount();
    const int all = m_filtered->sourceModel()->rowCount();
    m_count->setText(shown == all ? QStringLiteral("%1 fields").arg(all)
                                  : QStringLiteral("Showing %1 of %2 fields").arg(shown).arg(all));
}

QTableView *ChangesDialog::buildTable()
{
    auto *table = new QTableView(this);
    table->setObjectName(QStringLiteral("changesTable"));
    table->setModel(m_filtered);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    // The values share what the names leave.
    table->resizeColumnsToContents();
    const int values = m_filtered->columnCount() - 3;
    for (int column = 0; column < m_filtered->columnCount(); ++column)
        table->setColumnWidth(column, std::min(table->columnWidth(column), 240));
    table->horizontalHeader()->setSectionResizeMode(values, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(values + 1, QHeaderView::Stretch);
    return table;
}

QDialogButtonBox *ChangesDialog::buildButtons(const QString &goOn, bool anyToDo)
{
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *go = buttons->addButton(goOn, QDialogButtonBox::AcceptRole);
    go->setObjectName(QStringLiteral("goOnButton"));
    go->setEnabled(anyToDo);
    // Enter in the filter must not go on to the real thing.
    go->setAutoDefault(false);
    go->setDefault(false);
    buttons->addButton(QDialogButtonBox::Close)->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}
