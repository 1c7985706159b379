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
    model = this->model(); // none for Qt's shared empty model, which never changes
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
    // Where new sections go makes no difference among alike ones.
    const int rows = model()->rowCount(parent);
    if (rows > count())
        initializeSections(count(), rows - 1);
}

bool RowHeader::rowsAlike() const
{
    // The owner fixes the size of all rows at once: a row sized apart, or
    // sized to fit, shows in the length.
    return count() > 0 && hiddenSectionCount() == 0 && !sectionsMoved() && !stretchLastSection()
        && sectionResizeMode(count() - 1) == Fixed && length() == count() * defaultSectionSize();
}
