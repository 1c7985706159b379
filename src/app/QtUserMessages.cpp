#include "app/QtUserMessages.h"

#include <QMessageBox>
#include <QPushButton>

UserMessages::Answer QtUserMessages::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons != Buttons::Ok) {
        box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
        QAbstractButton *no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
        QAbstractButton *cancel =
            buttons == Buttons::YesNoCancel ? box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole) : nullptr;
        box.setEscapeButton(cancel ? cancel : no);
        box.exec();
        if (cancel && box.clickedButton() == cancel)
            return Answer::Cancel;
        return box.clickedButton() == no ? Answer::No : Answer::Yes;
    }
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
    return Answer::Ok;
}
