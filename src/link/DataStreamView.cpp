#include "link/DataStreamView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>

#include <algorithm>

DataStreamView::DataStreamView(QWidget *parent)
    : QListView(parent)
{
    // Every row one line of one height: adding an entry costs the same with
    // five thousand as with five.
    setUniformItemSizes(true);
    setWordWrap(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *copyAction = new QAction(QStringLiteral("Копировать"), this);
    connect(copyAction, &QAction::triggered, this, &DataStreamView::copy);
    addAction(copyAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

QString DataStreamView::selectedText() const
{
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    for (const QModelIndex &row : rows)
        lines << row.data(Qt::DisplayRole).toString();
    return lines.join(QLatin1Char('\n'));
}

// The list view would copy the current entry alone.
void DataStreamView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void DataStreamView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QListView::rowsInserted(parent, start, end);
    m_throttle.changed();
}

void DataStreamView::copy()
{
    QApplication::clipboard()->setText(selectedText());
}
