#pragma once

#include "app/UserMessages.h"

#include <QList>
#include <QString>

// Message boxes for tests: records every message shown and answers the
// questions (messages with Yes and No) from a queue of scripted answers,
// then with defaultAnswer. A message with an OK button is answered Ok.
class FakeUserMessages : public UserMessages
{
public:
    struct Message {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };

    QList<Message> shown;
    QList<Answer> answers;
    Answer defaultAnswer = Answer::No;

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        shown.append({text, title, buttons, icon});
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }

    // The texts shown, in order.
    QStringList texts() const
    {
        QStringList all;
        for (const Message &m : shown)
            all.append(m.text);
        return all;
    }
};
