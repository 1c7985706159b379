#pragma once

#include <QString>

// What the journal's row operations say to the operator, in one place.
namespace JournalTexts {

inline QString deleteQuestion() { return QStringLiteral("Удалить выделенные строки ?"); }
inline QString deleteTitle() { return QStringLiteral("Удаление"); }
inline QString selectRowsFirst() { return QStringLiteral("Выделите строки для удаления!"); }

} // namespace JournalTexts
