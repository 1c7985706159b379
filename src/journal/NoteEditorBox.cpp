#include "journal/NoteEditorBox.h"

#include "journal/JournalGrid.h"
#include "journal/JournalView.h"

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0);
}

// Only the keys themselves count: a platform's native code for a typed
// character may equal an arrow's code (on X11 the keysyms of "&" and "(" are
// 38 and 40).
int keyCode(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Up: return NoteEditor::KeyUp;
    case Qt::Key_Down: return NoteEditor::KeyDown;
    case Qt::Key_Return:
    case Qt::Key_Enter: return NoteEditor::KeyReturn;
    default: return 0;
    }
}

} // namespace

NoteEditorBox::NoteEditorBox(QLineEdit &edit, JournalView &view, QObject *parent)
    : QObject(parent)
    , m_edit(edit)
    , m_view(view)
{
    QPalette palette = m_edit.palette();
    palette.setColor(QPalette::Base, m_view.palette().color(QPalette::Base));
    m_edit.setPalette(palette);
    m_edit.setFrame(false);
    m_edit.setMouseTracking(true);
    m_edit.installEventFilter(this);
    m_shown = !m_edit.isHidden();
}

QString NoteEditorBox::text() const
{
    return m_edit.isModified() ? m_edit.text() : m_given;
}

void NoteEditorBox::setText(const QString &text)
{
    m_given = text;
    m_edit.setText(text);
}

void NoteEditorBox::setVisible(bool visible)
{
    m_shown = visible;
    update();
}

void NoteEditorBox::setGeometry(const QRect &gridRect)
{
    m_gridRect = gridRect;
    update();
}

void NoteEditorBox::update()
{
    const QRect cells = m_view.viewport()->geometry();
    const QRect visible = m_gridRect.intersected(cells);
    if (!visible.isEmpty())
        m_edit.setGeometry(visible.translated(m_view.pos()));
    m_edit.setVisible(m_shown && !visible.isEmpty());
}

void NoteEditorBox::setRightAligned(bool right)
{
    m_edit.setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
}

void NoteEditorBox::setFocus()
{
    m_edit.setFocus(Qt::OtherFocusReason);
}

QRect NoteEditorBox::cellRect(int row, int col) const
{
    return m_view.cellGeometry(row, col);
}

void NoteEditorBox::trackMouse(const QPoint &globalPos)
{
    QWidget *cells = m_view.viewport();
    const QPoint pos = cells->mapFromGlobal(globalPos);
    if (cells->rect().contains(pos))
        m_view.trackMouse(pos);
    else
        m_view.grid().setMouseCell(0, 0);
}

bool NoteEditorBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_edit)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        trackMouse(static_cast<QEnterEvent *>(event)->globalPosition().toPoint());
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        trackMouse(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        break;
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        m_view.setFollowCurrent(event->type() == QEvent::FocusOut);
        break;
    case QEvent::Leave:
        // The pointer went elsewhere, or the editor moved away from under it.
        trackMouse(QCursor::pos());
        break;
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        const int code = keyCode(*key);
        emit keyDown(code, shiftState(key->modifiers()));
        // Up and Down belong to the journal, not to the line edit.
        return code == NoteEditor::KeyUp || code == NoteEditor::KeyDown;
    }
    default:
        break;
    }
    return false;
}
