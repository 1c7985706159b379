#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>

// What the journal's recovery says to the operator, in one place.
namespace RecoveryTexts {

inline QString restoreQuestion(qsizetype rows, const QDateTime &lastChange)
{
    return QStringLiteral("Журнал прошлого сеанса не был сохранен.\r\nЗаписей в нем: %1, последнее изменение: %2.\r\n"
                          "Восстановить журнал?")
        .arg(rows)
        .arg(lastChange.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
}

inline QString heldByAnotherCopy(const QString &settingsFolder)
{
    return QStringLiteral("Программа уже запущена с этой папкой настроек:\r\n%1\r\n"
                          "Журнал этой копии не будет восстановлен после сбоя: файл восстановления "
                          "ведет первая копия. Сохраняйте журнал этой копии сами.")
        .arg(QDir::toNativeSeparators(settingsFolder));
}

inline QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось записать файл восстановления журнала\r\n%1:\r\n%2.\r\n"
                          "Программа работает дальше, но после сбоя несохраненные записи журнала "
                          "не восстановить. Сохраните журнал.")
        .arg(QDir::toNativeSeparators(path), reason);
}

inline QString cannotLock() { return QStringLiteral("файл блокировки не создать"); }

} // namespace RecoveryTexts
