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
};
