#pragma once

#include <QString>

// What the station's windows, menus and exports show to the operator, in
// one place.
namespace StationTexts {

// Menus.
inline QString print() { return QStringLiteral("Печать..."); }
inline QString exportPdf() { return QStringLiteral("Экспорт в PDF..."); }
inline QString exportExcel() { return QStringLiteral("Экспорт в Excel..."); }
inline QString board() { return QStringLiteral("Табло"); }
inline QString chart() { return QStringLiteral("График"); }
inline QString central() { return QStringLiteral("Центральная база..."); }
inline QString deadZoneHint()
{
    return QStringLiteral("Зона нечувствительности задается в единицах, которые присылают весы: "
                          "для весов в кг 0,05 — это 50 г.");
}

// "Центральная база".
inline QString centralTitle() { return QStringLiteral("Центральная база"); }
inline QString centralEnabled() { return QStringLiteral("Отправлять взвешивания в центральную базу"); }
inline QString centralHost() { return QStringLiteral("&Сервер:"); }
inline QString centralPort() { return QStringLiteral("П&орт:"); }
inline QString centralDatabase() { return QStringLiteral("&База данных:"); }
inline QString centralUser() { return QStringLiteral("По&льзователь:"); }
inline QString centralPassword() { return QStringLiteral("Па&роль:"); }
inline QString centralPasswordKept(const QString &file)
{
    return QStringLiteral("сохранен в файле %1").arg(file);
}
inline QString centralSslMode() { return QStringLiteral("Режим &TLS:"); }
inline QString centralRootCert() { return QStringLiteral("&Корневой сертификат:"); }
inline QString centralChooseRootCert() { return QStringLiteral("Выбрать файл корневого сертификата"); }
inline QString centralRootCertFilter() { return QStringLiteral("Сертификаты (*.crt *.pem)"); }
inline QString allFilesFilter() { return QStringLiteral("Все файлы (*)"); }
inline QString centralStationName() { return QStringLiteral("&Название станции:"); }
inline QString centralCheck() { return QStringLiteral("Проверить"); }
inline QString centralChecking() { return QStringLiteral("Проверка подключения..."); }
inline QString centralCheckResult() { return QStringLiteral("Результат проверки"); }

// "Табло".
inline QString fullScreen() { return QStringLiteral("Во весь экран (F11)"); }
inline QString leaveFullScreen() { return QStringLiteral("Выйти из полного экрана (F11)"); }
inline QString noData() { return QStringLiteral("Нет данных"); }
inline QString stable() { return QStringLiteral("● Стабильно"); }
inline QString unstable() { return QStringLiteral("○ Нестабильно"); }
inline QString lastRow(const QString &number, const QString &weight, const QString &unit)
{
    return QStringLiteral("Последняя запись: № %1, вес %2 %3").arg(number, weight, unit);
}
inline QString noLastRow() { return QStringLiteral("Последняя запись: нет"); }

// "График".
inline QString weightChart() { return QStringLiteral("График веса"); }
inline QString resetZoom() { return QStringLiteral("Сбросить масштаб"); }
inline QString timeAxis() { return QStringLiteral("Время"); }
inline QString rowAxis() { return QStringLiteral("№ строки"); }
inline QString weightAxis() { return QStringLiteral("Вес"); }

// The status bar.
inline QString reception() { return QStringLiteral("Прием данных"); }
inline QString receptionOff() { return QStringLiteral("Прием: выключен"); }
inline QString receptionOn() { return QStringLiteral("Прием: включен"); }
inline QString waitingForLine() { return QStringLiteral(" | связь потеряна, ожидание"); }
inline QString totals() { return QStringLiteral("Итого"); }

// Printing and exports.
inline QString journal() { return QStringLiteral("Журнал"); }
inline QString printPreview() { return QStringLiteral("Печать"); }
inline QString cancel() { return QStringLiteral("Отмена"); }
inline QString page(int page, int pages) { return QStringLiteral("стр. %1 из %2").arg(page).arg(pages); }
inline QString totalRows(const QString &rows) { return QStringLiteral("Итого: ") + rows; }
inline QString sum() { return QStringLiteral("Сумма"); }
inline QString notNumbers(const QString &rows) { return QStringLiteral("Вес не число: ") + rows; }

} // namespace StationTexts
