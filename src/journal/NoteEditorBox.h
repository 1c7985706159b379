#pragma once

#include "journal/NoteEditor.h"

#include <QObject>

class JournalView;
class QLineEdit;

// The note editor on screen: a line edit beside the journal view, on the
// same parent, laid over a cell of the view. It is clipped to the view's
// cell area, so a cell scrolled out of sight takes the editor with it.
// The pointer over the editor counts as over the cell beneath it.
// A note longer than the line edit holds (a loaded file may have one) comes
// back whole unless the operator edits it.
class NoteEditorBox : public QObject, public NoteEditorWidget, public CellGeometry
{
    Q_OBJECT

public:
    NoteEditorBox(QLineEdit &edit, JournalView &view, QObject *parent = nullptr);

    QString text() const override;
    void setText(const QString &text) override;
    void setVisible(bool visible) override;
    bool isVisible() const override { return m_shown; }
    void setGeometry(const QRect &gridRect) override;
    void setRightAligned(bool right) override;
    void setFocus() override;

    QRect cellRect(int row, int col) const override;

signals:
    // A key pressed in the editor: the key code (Up 38, Down 40, Enter 13,
    // 0 for any other) and the shift state (1 Shift, 2 Ctrl, 4 Alt).
    void keyDown(int keyCode, int shift);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();
    void trackMouse(const QPoint &globalPos);

    QLineEdit &m_edit;
    JournalView &m_view;
    QRect m_gridRect;
    bool m_shown = false;
    // The text given, whole: the line edit holds at most its maxLength of it.
    QString m_given;
};
