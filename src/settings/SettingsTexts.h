#pragma once

#include <QString>

// What the settings dialog shows and says to the operator, in one place.
// The scale types' names are in the table of types.
namespace SettingsTexts {

inline QString title() { return QStringLiteral("Настройка"); }
inline QString scaleType() { return QStringLiteral("Тип весов"); }
inline QString deadZone() { return QStringLiteral("Зона нечувствительности (в единицах весов)"); }
inline QString portNumber() { return QStringLiteral("Номер порта"); }
inline QString bell() { return QStringLiteral("Звуковой сигнал при записи отсчета"); }
inline QString writeZero() { return QStringLiteral("Записывать нулевой результат в журнал"); }
inline QString writeUnstable() { return QStringLiteral("Записывать нестабильный результат в журнал"); }
inline QString showStreamData() { return QStringLiteral("Отображать окно потока данных"); }
inline QString save() { return QStringLiteral("Сохранить"); }
inline QString exit() { return QStringLiteral("Выход"); }
inline QString foundPorts() { return QStringLiteral("Найденные порты"); }
inline QString selectedScaleType() { return QStringLiteral("Выбранный тип весов"); }
inline QString selectedDeadZone() { return QStringLiteral("Зона нечувствительности выбранного типа"); }

inline QString badPortNumber() { return QStringLiteral("Ошибка в номере порта !"); }

} // namespace SettingsTexts
