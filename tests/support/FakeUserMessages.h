#pragma once

#include "common/UserMessages.h"

#include <QList>
#include <QQueue>

#include <functional>

// Message boxes answered by the test: every message is recorded, and each
// question takes the next scripted answer (or the default one).
class FakeUserMessages : public UserMessages
{
public:
    struct Message {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };

    // Runs while a box is open, as readings that arrive meanwhile would.
    std::function<void(const QString &text)> whileShown;

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        m_messages.append({text, title, buttons, icon});
        if (whileShown)
            whileShown(text);
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return m_answers.isEmpty() ? m_defaultAnswer : m_answers.dequeue();
    }

    // Answers the next questions in this order.
    void answer(std::initializer_list<Answer> answers)
    {
        for (Answer a : answers)
            m_answers.enqueue(a);
    }
    void setDefaultAnswer(Answer a) { m_defaultAnswer = a; }

    const QList<Message> &messages() const { return m_messages; }
    QStringList texts() const
    {
        QStringList t;
        for (const Message &m : m_messages)
            t << m.text;
        return t;
    }
    void clear() { m_messages.clear(); }

private:
    QList<Message> m_messages;
    QQueue<Answer> m_answers;
    Answer m_defaultAnswer = Answer::No;
};
