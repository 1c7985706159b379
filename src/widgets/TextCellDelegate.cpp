#include "widgets/TextCellDelegate.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>

const QStaticText &TextCellDelegate::laidOut(const QString &text, const QFont &font) const
{
    if (font != m_font || m_texts.size() >= MaxKeptTexts) {
        m_texts.clear();
        m_font = font;
    }
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        it = m_texts.insert(text, laid);
    }
    return *it;
}

void TextCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QRect cell = option.rect;
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (option.state & QStyle::State_Active)                              ? QPalette::Active
                                                                             : QPalette::Inactive;
    if (selected)
        painter->fillRect(cell, option.palette.brush(group, QPalette::Highlight));
    else if (const QVariant back = index.data(Qt::BackgroundRole); back.canConvert<QBrush>())
        painter->fillRect(cell, back.value<QBrush>());

    const QString text = index.data(Qt::DisplayRole).toString();
    if (!text.isEmpty()) {
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
        const QRect room = cell.adjusted(margin, 0, -margin, 0);
        const QStaticText &laid = laidOut(text, option.font);
        const QSizeF size = laid.size();
        const Qt::Alignment align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        // A text wider than its cell shows its beginning: a weight cut on
        // the left would read as another number.
        const qreal spare = std::max<qreal>(0, room.width() - size.width());
        const qreal x = room.left() + ((align & Qt::AlignRight) ? spare : (align & Qt::AlignHCenter) ? spare / 2 : 0);
        const qreal y = room.top() + (room.height() - size.height()) / 2;
        painter->save();
        painter->setClipRect(cell, Qt::IntersectClip); // a long text is cut off at the cell's edge
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawStaticText(QPointF(x, y), laid);
        painter->restore();
    }

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
    }
}
