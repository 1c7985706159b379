#include "widgets/ElidingLabel.h"

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
    if (fontMetrics().horizontalAdvance(text()) <= room.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, room, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(),
                          isEnabled(), fontMetrics().elidedText(text(), Qt::ElideRight, room.width()),
                          foregroundRole());
}
