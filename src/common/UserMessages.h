#pragma once

#include <QString>

// Message boxes, as narrow as the program needs them, so that the logic can
// be driven by tests that answer them.
class UserMessages
{
public:
    // YesNoCancel: "Да", "Нет" and "Отмена"; Escape and the close box cancel.
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Information, Warning, Question };
    enum class Answer { Ok, Yes, No, Cancel };

    static QString applicationTitle() { return QStringLiteral("Tarovik_RS232"); }

    virtual ~UserMessages() = default;

    // Shows the message and waits for the operator's answer.
    virtual Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) = 0;

    // A message with an OK button under the application's title.
    void inform(const QString &text, Icon icon = Icon::None)
    {
        show(text, applicationTitle(), Buttons::Ok, icon);
    }

    // The same message, for news the program does not wait on: on screen it
    // stays up while the program runs on (a second one with the same text
    // is not stacked while the first is up).
    virtual void notify(const QString &text, Icon icon) { inform(text, icon); }
    // The news of notify() is no longer true: its message goes if still up.
    virtual void withdraw(const QString &) {}
};
