#include "widgets/RowHeader.h"

RowHeader::RowHeader(QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
{
}

void RowHeader::setModel(QAbstractItemModel *model)
{
    if (this->model())
        disconnect(this->model(), &QAbstractItemModel::rowsInserted, this, &RowHeader::rowsCame);
    QHeaderView::setModel(model);
    if (!model)
        return;
    disconnect(model, SIGNAL(rowsInserted(QModelIndex,int,int)), this, SLOT(sectionsInserted(QModelIndex,int,int)));
    connect(model, &QAbstractItemModel::rowsInserted, this, &RowHeader::rowsCame, Qt::UniqueConnection);
}

void RowHeader::rowsCame(const QModelIndex &parent, int first, int last)
{
    if (parent != rootIndex())
        return;
    if (!rowsAlike()) {
        sectionsInserted(parent, first, last);
        return;
    }
    // Sections that are all alike: where the new ones go makes no difference.
    const int rows = model()->rowCount(parent);
    if (rows > count())
        initializeSections(count(), rows - 1);
}

bool RowHeader::rowsAlike() const
{
    if (count() == 0 || sectionsMoved() || stretchLastSection())
        return false;
    const ResizeMode mode = sectionResizeMode(count() - 1);
    // A hidden row counts no length, a row sized apart a length of its own.
    return (mode == Fixed || mode == Interactive) && length() == count() * defaultSectionSize();
}
