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
    explicit QtUserMessages(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    void notify(const QString &text, Icon icon) override;

private:
    QWidget *m_parent;
    QList<QPointer<QMessageBox>> m_notices;
};
