#pragma once

#include "app/RepaintThrottle.h"

#include <QListView>

// The data-stream window: the entries of a DataStreamLog, newest at the top,
// control characters shown by their ASCII names. The operator selects entries
// and copies them (Ctrl+C or the context menu), one line each. A chunk may
// come sixty times a second: the window repaints at most once every
// MinRepaintMs.
class DataStreamView : public QListView
{
    Q_OBJECT

public:
    static constexpr int MinRepaintMs = 200;

    explicit DataStreamView(QWidget *parent = nullptr);

    // The selected entries as the window shows them, top to bottom.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;

private:
    void copy();

    RepaintThrottle m_throttle{*this, MinRepaintMs, nullptr};
};
