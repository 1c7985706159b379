#pragma once

#include "common/UserMessages.h"

#include <QList>
#include <QPointer>

class QMessageBox;
class QWidget;

// Message boxes on screen.
class QtUserMessages : public UserMessages
{
public:
    explicit QtUserMessages(QWidget *window = nullptr) : m_window(window) {}
    // The boxes are shown over this window, modal to it (nobody owns anybody).
    void showOver(QWidget *window) { m_window = window; }

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    void notify(const QString &text, Icon icon) override;
    void withdraw(const QString &text) override;

private:
    QWidget *m_window;
    QList<QPointer<QMessageBox>> m_notices;
};
