#include "link/DataStreamView.h"

#include "link/LinkTexts.h"
#include "widgets/TextCellDelegate.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Margin = 8; // pixels beside the text in the one column

} // namespace

DataStreamView::DataStreamView(QWidget *parent)
    : ThrottledTableView(MinRepaintMs, parent)
{
    m_advances.fill(-1);
    setItemDelegate(new TextCellDelegate(this));
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    horizontalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
    setCornerButtonEnabled(false);
    if (auto *corner = findChild<QAbstractButton *>())
        corner->setAccessibleName(LinkTexts::selectAllEntries()); // hidden with the headers

    auto *copyAction = new QAction(LinkTexts::copyCaption(), this);
    connect(copyAction, &QAction::triggered, this, &DataStreamView::copy);
    addAction(copyAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void DataStreamView::setModel(QAbstractItemModel *model)
{
    ThrottledTableView::setModel(model);
    measureAll();
}

void DataStreamView::measureAll()
{
    m_widest = 0;
    if (model() && model()->rowCount() > 0)
        widenFor(0, model()->rowCount() - 1);
    else
        fitColumn();
}

void DataStreamView::changeEvent(QEvent *event)
{
    ThrottledTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_advances.fill(-1);
        measureAll();
    }
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

// The table view would copy the current entry alone.
void DataStreamView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
        return;
    }
    ThrottledTableView::keyPressEvent(event);
}

void DataStreamView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    ThrottledTableView::rowsInserted(parent, start, end);
    widenFor(start, end);
    throttle().changed();
}

void DataStreamView::resizeEvent(QResizeEvent *event)
{
    ThrottledTableView::resizeEvent(event);
    fitColumn();
}

// An entry's width as the sum of its characters' advances, each measured
// once: shaping every entry as it comes would cost more than all the rest of
// its handling. The font is a fixed one: there is no kerning to miss.
int DataStreamView::textWidth(const QString &text)
{
    qreal width = 0;
    for (const QChar c : text) {
        qreal unkept = -1;
        qreal &advance = c.unicode() < m_advances.size() ? m_advances[c.unicode()] : unkept;
        if (advance < 0)
            advance = QFontMetricsF(font()).horizontalAdvance(c);
        width += advance;
    }
    return int(std::ceil(width));
}

void DataStreamView::widenFor(int start, int end)
{
    for (int row = start; row <= end; ++row)
        m_widest = std::max(m_widest, textWidth(model()->index(row, 0).data(Qt::DisplayRole).toString()));
    fitColumn();
}

// The column fills the window, or is as wide as the longest entry, with a
// horizontal scroll bar.
void DataStreamView::fitColumn()
{
    const int width = std::max(viewport()->width(), m_widest + 2 * Margin);
    if (horizontalHeader()->count() > 0 && columnWidth(0) != width)
        setColumnWidth(0, width);
}

void DataStreamView::copy()
{
    QApplication::clipboard()->setText(selectedText());
}
