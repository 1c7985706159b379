#pragma once

#include "widgets/ThrottledTableView.h"

#include <array>

// The data-stream window: the entries of a DataStreamLog, newest at the top,
// control characters shown by their ASCII names, one line each in a fixed
// font. The operator selects entries and copies them (Ctrl+C or the context
// menu), one line each. A chunk may come sixty times a second: the window
// repaints at most once every MinRepaintMs.
//
// A one-column table without headers rather than a list view: a list view
// lays out every entry it holds again for each one added at the top, five
// thousand of them sixty times a second; a table only shifts its rows.
class DataStreamView : public ThrottledTableView
{
    Q_OBJECT

public:
    static constexpr int MinRepaintMs = 200;

    explicit DataStreamView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // The selected entries as the window shows them, top to bottom.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void copy();
    void measureAll();
    int textWidth(const QString &text);
    void widenFor(int start, int end);
    void fitColumn();

    int m_widest = 0; // pixels of the widest entry shown so far
    // Advances of the Latin and Cyrillic characters met, in this view's font
    // (-1: not measured yet); others are measured each time.
    std::array<qreal, 0x500> m_advances;
};
