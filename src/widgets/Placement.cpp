#include "widgets/Placement.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

void useDesignedFont(QWidget *window)
{
    QFont font = window->font();
    font.setPointSizeF(8.25);
    window->setFont(font);
}

void fitCaptions(QWidget *window)
{
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!qobject_cast<QLabel *>(w) && !qobject_cast<QCheckBox *>(w) && !qobject_cast<QRadioButton *>(w))
            continue;
        const int needed = w->sizeHint().width();
        if (needed > w->width())
            w->resize(needed, w->height());
    }
}
