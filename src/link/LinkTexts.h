#pragma once

#include <QString>

// What the scale link shows and says to the operator, in one place. The
// spellings are the program's own and kept as its users know them.
namespace LinkTexts {

inline QString wrongScaleType() { return QStringLiteral("Произошла ошибка!\r\nПроверте выбранный тип весов."); }
inline QString badPortNumber(const QString &text)
{
    return QStringLiteral("Неверный номер порта: «%1». Укажите номер порта в окне «Настройка».").arg(text);
}
inline QString portHeld()
{
    return QStringLiteral("Порт занят другой программой (например, уже запущенной копией Tarovik_RS232) "
                          "или недоступен пользователю.");
}
inline QString linkBroken() { return QStringLiteral("Разрав связи с весами!"); }
inline QString lineLost() { return QStringLiteral("Связь с весами потеряна. Ожидание подключения..."); }
// Between a chunk and its length in the data-stream window.
inline QString byteCount() { return QStringLiteral(";   количество байт:"); }
inline QString selectAllEntries() { return QStringLiteral("Выделить все записи"); }
inline QString copyCaption() { return QStringLiteral("Копировать"); }
inline QString withinDeadZone(const QString &difference, const QString &zone)
{
    return QStringLiteral("Отсчет не записан: вес изменился на %1, это меньше зоны нечувствительности %2.")
        .arg(difference, zone);
}
inline QString lineBack() { return QStringLiteral("Связь с весами восстановлена."); }

} // namespace LinkTexts
