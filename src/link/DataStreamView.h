#pragma once

#include <QListView>

// The data-stream window: the entries of a DataStreamLog, newest at the top,
// control characters shown by their ASCII names. The operator selects entries
// and copies them (Ctrl+C or the context menu), one line each.
class DataStreamView : public QListView
{
    Q_OBJECT

public:
    explicit DataStreamView(QWidget *parent = nullptr);

    // The selected entries as the window shows them, top to bottom.
    QString selectedText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copy();
};
