#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>

// What the central journal says to the operator, in one place.
namespace CentralTexts {

inline QString hostUnknown(const QString &host)
{
    return QStringLiteral("Сервер центральной базы «%1» не найден: проверьте имя сервера.").arg(host);
}

inline QString connectionRefused(const QString &host, int port)
{
    return QStringLiteral("Сервер %1 не принимает подключения на порту %2: сервер базы не запущен "
                          "или порт указан неверно.")
        .arg(host)
        .arg(port);
}

inline QString noAnswer(const QString &host, int port)
{
    return QStringLiteral("Сервер %1 (порт %2) не отвечает.").arg(host).arg(port);
}

inline QString tlsFailed()
{
    return QStringLiteral("Не удалось установить защищенное соединение (TLS) с сервером: проверьте режим TLS, "
                          "корневой сертификат и имя сервера.");
}

inline QString wrongPassword(const QString &user)
{
    return QStringLiteral("Сервер не принял пароль пользователя «%1».").arg(user);
}

inline QString noRight(const QString &user)
{
    return QStringLiteral("У пользователя «%1» нет права записи в центральную базу этой станции.").arg(user);
}

inline QString schemaTooNew(int server, int known)
{
    return QStringLiteral("Центральная база новее программы (версия схемы %1, программа знает до %2): "
                          "обновите программу.")
        .arg(server)
        .arg(known);
}

inline QString checkPassed(const QString &host, const QString &database)
{
    return QStringLiteral("Центральная база «%1» на сервере %2 доступна: станция может отправлять события.")
        .arg(database, host);
}

inline QString noCentralJournal(const QString &database)
{
    return QStringLiteral("В базе «%1» нет центрального журнала: проверьте имя базы.").arg(database);
}

inline QString hostMissing()
{
    return QStringLiteral("Укажите сервер центральной базы.");
}

inline QString portInvalid()
{
    return QStringLiteral("Порт сервера — целое число от 1 до 65535.");
}

inline QString databaseMissing()
{
    return QStringLiteral("Укажите имя центральной базы.");
}

inline QString rootCertMissing()
{
    return QStringLiteral("Для режима TLS verify-full укажите существующий файл корневого сертификата.");
}

inline QString passwordLineBreak()
{
    return QStringLiteral("пароль не может содержать перевод строки");
}

inline QString notInCodePage(const QString &value)
{
    return QStringLiteral("«%1» нельзя сохранить в файле настроек: в нем есть знаки вне кодировки Windows-1251.")
        .arg(value);
}

inline QString settingsNotWritten(const QString &path)
{
    return QStringLiteral("Не удалось записать настройки центральной базы в файл\r\n%1.")
        .arg(QDir::toNativeSeparators(path));
}

inline QString passwordNotWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось записать пароль в файл\r\n%1:\r\n%2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

inline QString numberReused()
{
    return QStringLiteral("Центральная база уже хранит событие с тем же номером и другим содержимым. "
                          "События не отправляются: обратитесь к администратору базы.");
}

inline QString serverError(const QString &sqlState)
{
    return QStringLiteral("Сервер центральной базы отказал (код %1).").arg(sqlState);
}

inline QString connectionLost()
{
    return QStringLiteral("Соединение с сервером центральной базы прервано.");
}

inline QString connectionFailed()
{
    return QStringLiteral("Не удалось подключиться к серверу центральной базы.");
}

inline QString outboxHeldElsewhere(const QString &path)
{
    return QStringLiteral("Очередь центральной базы\r\n%1\r\nведет другая копия программы: эта копия "
                          "события не отправляет.")
        .arg(QDir::toNativeSeparators(path));
}

inline QString outboxNotLocked(const QString &path)
{
    return QStringLiteral("Не удалось занять очередь центральной базы\r\n%1.").arg(QDir::toNativeSeparators(path));
}

inline QString outboxForeign()
{
    return QStringLiteral("файл не является очередью центральной базы");
}

inline QString outboxNotWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось записать очередь центральной базы\r\n%1:\r\n%2.\r\n"
                          "События не будут отправлены.")
        .arg(QDir::toNativeSeparators(path), reason);
}

inline QString stateName()
{
    return QStringLiteral("Центральная база");
}

inline QString allSent()
{
    return QStringLiteral("Центральная база: все отправлено");
}

// Events kept but not yet committed, the oldest kept at since.
inline QString waiting(qsizetype count, const QDateTime &since)
{
    const QString time = since.date() == QDate::currentDate() ? since.toString(QStringLiteral("HH:mm:ss"))
                                                              : since.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    return QStringLiteral("ждут отправки: %1 (с %2)").arg(count).arg(time);
}

inline QString waitingState(qsizetype count, const QDateTime &since)
{
    return QStringLiteral("Центральная база: ") + waiting(count, since);
}

inline QString unreachableState(const QString &reason, qsizetype count, const QDateTime &since)
{
    QString text = QStringLiteral("Центральная база недоступна: ") + reason;
    if (count > 0)
        text += QLatin1Char(' ') + waiting(count, since);
    return text;
}

} // namespace CentralTexts
