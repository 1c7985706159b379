#include "report/ModelFollower.h"

void followModelRows(const QAbstractItemModel &model, QObject *receiver,
                     std::function<void(int first, int last)> inserted,
                     std::function<void(int first, int last)> aboutToBeRemoved,
                     std::function<void()> readAll)
{
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, receiver,
                     [inserted](const QModelIndex &, int first, int last) { inserted(first, last); });
    QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, receiver,
                     [aboutToBeRemoved](const QModelIndex &, int first, int last) { aboutToBeRemoved(first, last); });
    // Row numbers are renumbered after every deletion: only captions matter.
    QObject::connect(&model, &QAbstractItemModel::headerDataChanged, receiver,
                     [readAll](Qt::Orientation orientation, int, int) {
                         if (orientation == Qt::Horizontal)
                             readAll();
                     });
    QObject::connect(&model, &QAbstractItemModel::modelReset, receiver, readAll);
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, receiver, readAll);
    QObject::connect(&model, &QAbstractItemModel::columnsInserted, receiver, readAll);
    QObject::connect(&model, &QAbstractItemModel::columnsRemoved, receiver, readAll);
    QObject::connect(&model, &QAbstractItemModel::rowsMoved, receiver, readAll);
}
