#pragma once

#include <QString>

// What the file commands say to the operator, in one place.
namespace FileTexts {

inline QString newJournal() { return QStringLiteral("Новый"); }
inline QString cancelled() { return QStringLiteral("Операция отменена."); }
inline QString savedTo(const QString &path) { return QStringLiteral("Данные сохранены в файле ") + path; }
inline QString failed() { return QStringLiteral("При выполнении операции произошла ошибка."); }
inline QString noFileName()
{
    return QStringLiteral("Имя файла для сохранения не определено.\r\nВоспользуйтесь соответствующей опцией меню.");
}
inline QString changesLost() { return QStringLiteral("Все изменения будут потеряны!\r\nСохранить изменения?"); }
inline QString replaceExisting(const QString &path)
{
    return QStringLiteral("Файл ") + path + QStringLiteral(" уже существует.\r\nЗаменить его?");
}
inline QString notAJournal(const QString &path)
{
    return QStringLiteral("Файл ") + path + QStringLiteral(" не похож на журнал.\r\nВсё равно открыть его?");
}
inline QString cannotCreate() { return QStringLiteral("Не удалось создать файл"); }
inline QString cannotWrite() { return QStringLiteral("Не удалось записать файл"); }
inline QString readOnly() { return QStringLiteral(": файл доступен только для чтения"); }
inline QString cannotSave() { return QStringLiteral("Не удалось сохранить файл"); }

} // namespace FileTexts
