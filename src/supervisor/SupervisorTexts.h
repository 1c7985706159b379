#pragma once

#include "central/PgConnection.h"

#include <QString>
#include <QStringList>

// What the supervisor's view of the central journal shows and says, in one
// place.
namespace SupervisorTexts {

// The server's refusals, told apart by their SQLSTATE.
inline QString noViewerRight()
{
    return QStringLiteral("Нет права читать центральный журнал: роль должна входить в tarovik_viewer.");
}
inline QString loginRefused() { return QStringLiteral("Центральная база не принимает этого пользователя или пароль."); }
inline QString noCentralJournal() { return QStringLiteral("В базе нет центрального журнала."); }
inline QString serverError(const QString &serverMessage)
{
    return QStringLiteral("Ошибка центральной базы: %1").arg(serverMessage);
}

inline QString notConnected(const QString &reason)
{
    return QStringLiteral("Нет соединения с центральной базой: %1").arg(reason);
}
inline QString notConnected() { return QStringLiteral("Нет соединения с центральной базой."); }
inline QString noAnswer() { return QStringLiteral("Центральная база не отвечает."); }
inline QString connectionLost() { return QStringLiteral("Связь с центральной базой потеряна."); }
inline QString online() { return QStringLiteral("Центральная база на связи."); }

// Whose totals a line gives when they are over every selected station.
inline QString allSelected() { return QStringLiteral("Все выбранные"); }
inline QString stationCaption() { return QStringLiteral("Станция"); }
// Exports: the column that marks deleted readings when they are shown.
inline QString deletedCaption() { return QStringLiteral("Удалена"); }
inline QString yes() { return QStringLiteral("да"); }
inline QString allStations() { return QStringLiteral("все станции"); }
inline QString rowsMissing() { return QStringLiteral("Не все записи выборки прочитаны."); }
inline QString exportFailed(const QString &reason)
{
    return QStringLiteral("Данные не сохранены. %1").arg(reason);
}
inline QString exports() { return QStringLiteral("Экспорт выборки"); }

inline QString windowTitle() { return QStringLiteral("Все весы"); }
inline QString stations() { return QStringLiteral("Станции"); }
inline QString stationsLabel() { return QStringLiteral("Станции:"); }
inline QString period() { return QStringLiteral("Период"); }
inline QString periodLabel() { return QStringLiteral("Период:"); }
// In the order of ReadingFilter::Period.
inline QStringList periods()
{
    return {QStringLiteral("Все"), QStringLiteral("Сегодня"), QStringLiteral("Смена"), QStringLiteral("С … по …")};
}
inline QString shiftStarts() { return QStringLiteral("Начала смен"); }
inline QString periodFrom() { return QStringLiteral("С"); }
inline QString periodTo() { return QStringLiteral("По"); }
inline QString noteContains() { return QStringLiteral("Примечание содержит"); }
inline QString noteLabel() { return QStringLiteral("Примечание:"); }
inline QString unit() { return QStringLiteral("Единица"); }
inline QString unitLabel() { return QStringLiteral("Единица:"); }
inline QString showDeleted() { return QStringLiteral("Показывать удалённые"); }
inline QString allReadings() { return QStringLiteral("Записи всех весов"); }
inline QString totals() { return QStringLiteral("Итоги"); }
inline QString connectionState() { return QStringLiteral("Связь с центральной базой"); }

// A reading's history.
inline QString historyTitle() { return QStringLiteral("История записи"); }
inline QString historyEvents() { return QStringLiteral("События записи"); }
inline QString userCaption() { return QStringLiteral("Пользователь"); }
inline QString roleCaption() { return QStringLiteral("Роль"); }
inline QString eventCaption() { return QStringLiteral("Событие"); }
inline QString beforeCaption() { return QStringLiteral("Было"); }
inline QString afterCaption() { return QStringLiteral("Стало"); }
inline QString recorded() { return QStringLiteral("записано"); }
inline QString noteChanged() { return QStringLiteral("примечание изменено"); }
inline QString deleted() { return QStringLiteral("удалено"); }

// The user's message for an error, told apart by its kind and SQLSTATE,
// never by the server's (translated) text.
inline QString messageFor(const PgError &error)
{
    switch (error.kind) {
    case PgError::None:
    case PgError::Stopped:
        return QString();
    case PgError::NotConnected:
    case PgError::Password:
        return error.detail.isEmpty() ? notConnected() : notConnected(error.detail);
    case PgError::NoAnswer:
        return noAnswer();
    case PgError::Lost:
        return connectionLost();
    case PgError::Refused:
        break;
    }
    const QString &state = error.sqlState;
    if (state == QLatin1String("42501") || state == QLatin1String("42883"))
        return noViewerRight();
    if (state.startsWith(QLatin1String("28")))
        return loginRefused();
    if (state == QLatin1String("3D000") || state == QLatin1String("3F000"))
        return noCentralJournal();
    return serverError(error.detail);
}

} // namespace SupervisorTexts
