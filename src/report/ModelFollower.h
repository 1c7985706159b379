#pragma once

#include <QAbstractItemModel>

#include <functional>

// Connects a reader of the journal model to its changes: rows inserted and
// rows about to be removed are handed on one range at a time (so a reading
// costs the same in any journal), every other change of shape, and a change
// of the captions, reads the model again. Cell changes are each reader's own.
void followModelRows(const QAbstractItemModel &model, QObject *receiver,
                     std::function<void(int first, int last)> inserted,
                     std::function<void(int first, int last)> aboutToBeRemoved,
                     std::function<void()> readAll);
