#pragma once

#include <QLabel>

// A one-line label that gives way: it asks for the width of its text but
// takes what its layout leaves, down to a few characters, and then shows the
// text cut short with "…". So a long text never widens its window.
class ElidingLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The text as shown, worked out again only when the text, the width or
    // the font changed: a status bar repaints its labels with every reading,
    // and shaping a long text each time costs more than drawing it.
    QString m_shownFor;
    int m_shownWidth = -1;
    bool m_fits = true;
    QString m_elided;
};
