#pragma once

#include <QString>

// What the main window shows to the operator, in one place: its toolbar,
// menus, captions and the names screen readers announce.
namespace AppTexts {

inline QString create() { return QStringLiteral("Создать"); }
inline QString open() { return QStringLiteral("Открыть"); }
inline QString save() { return QStringLiteral("Сохранить"); }
inline QString deleteRecord() { return QStringLiteral("Удалить запись"); }
inline QString startReading() { return QStringLiteral("Начать прием данных"); }
inline QString stopReading() { return QStringLiteral("Остановить прием данных"); }
inline QString exit() { return QStringLiteral("Выход"); }

inline QString fileMenu() { return QStringLiteral("Файл"); }
inline QString addFrom() { return QStringLiteral("Добавить из ..."); }
inline QString saveAs() { return QStringLiteral("Сохранить как"); }
inline QString serviceMenu() { return QStringLiteral("Сервис"); }
inline QString settings() { return QStringLiteral("Настройки"); }

inline QString noteLabel() { return QStringLiteral("Примечание:"); }
inline QString journal() { return QStringLiteral("Журнал"); }
inline QString dataStream() { return QStringLiteral("Поток данных"); }
inline QString statusBar() { return QStringLiteral("Строка состояния"); }
inline QString moreButtons() { return QStringLiteral("Другие кнопки"); }
inline QString moreMenus() { return QStringLiteral("Другие меню"); }
inline QString toolbar() { return QStringLiteral("Панель инструментов"); }

// The buttons of a question.
inline QString yes() { return QStringLiteral("Да"); }
inline QString no() { return QStringLiteral("Нет"); }
inline QString cancel() { return QStringLiteral("Отмена"); }

} // namespace AppTexts
