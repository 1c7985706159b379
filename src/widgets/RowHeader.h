#pragma once

#include <QHeaderView>

// The vertical header of a table whose rows may come sixty a second. Qt's
// header takes every row that comes through a call that also sets off a
// resize of all its sections from a timer of 0 ms: one more turn of the
// event loop for every row. And a row that comes at the top moves every
// section down. While the rows are alike (all of the default height and of
// fixed size, as the owner set them at once; none hidden or moved), new
// rows here only add as many sections at the end. Its width is the
// owner's (the journal sizes it by its row count's digits): Qt's header
// would measure the texts of up to a few hundred sections for its size hint
// whenever the row count changes, that is for every row.
class RowHeader : public QHeaderView
{
    Q_OBJECT

public:
    explicit RowHeader(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    QSize sizeHint() const override { return {minimumWidth(), defaultSectionSize()}; }

private:
    void rowsCame(const QModelIndex &parent, int first, int last);
    bool rowsAlike() const;
};
