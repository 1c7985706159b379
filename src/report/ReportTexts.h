#pragma once

#include <QString>

// What the reports print beside the journal's own cells, in one place. The
// totals' sentences are built by TotalsText.
namespace ReportTexts {

inline QString journalHeading(const QString &fileName) { return QStringLiteral("Журнал: ") + fileName; }
inline QString scaleHeading(const QString &scaleType) { return QStringLiteral("Весы: ") + scaleType; }
inline QString printedHeading(const QString &when) { return QStringLiteral("Дата печати: ") + when; }
// A unit the scale left blank.
inline QString noUnit() { return QStringLiteral("без ед."); }

} // namespace ReportTexts
