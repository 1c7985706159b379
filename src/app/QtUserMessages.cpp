#include "app/QtUserMessages.h"

#include "app/AppTexts.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon toQt(UserMessages::Icon icon)
{
    switch (icon) {
    case UserMessages::Icon::None: return QMessageBox::NoIcon;
    case UserMessages::Icon::Information: return QMessageBox::Information;
    case UserMessages::Icon::Warning: return QMessageBox::Warning;
    case UserMessages::Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

UserMessages::Answer QtUserMessages::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    QMessageBox box(m_window);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(toQt(icon));
    if (buttons != Buttons::Ok) {
        box.addButton(AppTexts::yes(), QMessageBox::YesRole);
        QAbstractButton *no = box.addButton(AppTexts::no(), QMessageBox::NoRole);
        QAbstractButton *cancel =
            buttons == Buttons::YesNoCancel ? box.addButton(AppTexts::cancel(), QMessageBox::RejectRole) : nullptr;
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

void QtUserMessages::notify(const QString &text, Icon icon)
{
    m_notices.removeAll(nullptr);
    for (const QPointer<QMessageBox> &up : std::as_const(m_notices)) {
        if (up->text() == text)
            return;
    }
    // Not modal: the window goes on receiving and the operator can still
    // stop reception while it is up.
    auto *box = new QMessageBox(toQt(icon), applicationTitle(), text, QMessageBox::NoButton, m_window);
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    m_notices.append(box);
}

void QtUserMessages::withdraw(const QString &text)
{
    for (const QPointer<QMessageBox> &up : std::as_const(m_notices)) {
        if (up && up->text() == text)
            up->close();
    }
}
