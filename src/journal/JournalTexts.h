#pragma once

#include <QString>

// What the journal shows and says to the operator, in one place: the
// column captions and the row operations' questions.
namespace JournalTexts {

inline QString positionCaption() { return QStringLiteral("№ п.п "); }
inline QString weightCaption() { return QStringLiteral("Вес "); }
inline QString unitCaption() { return QStringLiteral("Ед. изм."); }
inline QString statusCaption() { return QStringLiteral("Статус"); }
inline QString quantityCaption() { return QStringLiteral("Колич. "); }
inline QString pieceWeightCaption() { return QStringLiteral("Вес 1 шт. "); }
inline QString timeCaption() { return QStringLiteral("Время"); }
inline QString noteCaption() { return QStringLiteral("Примечание"); }
inline QString selectAllRows() { return QStringLiteral("Выделить все строки"); }

inline QString deleteQuestion() { return QStringLiteral("Удалить выделенные строки ?"); }
inline QString deleteTitle() { return QStringLiteral("Удаление"); }
inline QString selectRowsFirst() { return QStringLiteral("Выделите строки для удаления!"); }

} // namespace JournalTexts
