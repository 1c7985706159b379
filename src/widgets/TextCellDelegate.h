#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QStyledItemDelegate>

// Paints a view's cells as one line of plain text each: the background, the
// selection, the text clipped to the cell at its alignment, the focus frame.
// Qt's own delegate lays every text out three times for every paint (size,
// elision, drawing); here a text is laid out once and its glyphs are kept,
// so repainting a window of journal rows costs little more than copying
// pixels. Only the texts of the latest paints are kept.
class TextCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // Laid-out texts kept before the store is emptied: several windows full.
    static constexpr int MaxKeptTexts = 4096;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    int keptTexts() const { return int(m_texts.size()); }

private:
    const QStaticText &laidOut(const QString &text, const QFont &font) const;

    mutable QHash<QString, QStaticText> m_texts;
    mutable QFont m_font;
};
