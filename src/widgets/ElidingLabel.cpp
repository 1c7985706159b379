#include "widgets/ElidingLabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

QSize ElidingLabel::minimumSizeHint() const
{
    const QMargins m = contentsMargins();
    return {fontMetrics().horizontalAdvance(QStringLiteral("000…")) + m.left() + m.right() + 2 * margin(),
            QLabel::minimumSizeHint().height()};
}

void ElidingLabel::paintEvent(QPaintEvent *event)
{
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (room.width() != m_shownWidth || text() != m_shownFor) {
        m_shownFor = text();
        m_shownWidth = room.width();
        m_fits = fontMetrics().horizontalAdvance(m_shownFor) <= room.width();
        m_elided = m_fits ? QString() : fontMetrics().elidedText(m_shownFor, Qt::ElideRight, room.width());
    }
    if (m_fits) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, room, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), m_elided, foregroundRole());
}

void ElidingLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_shownWidth = -1;
    QLabel::changeEvent(event);
}
