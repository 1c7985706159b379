#include "link/Recorder.h"

#include "common/Beeper.h"
#include "common/Clock.h"
#include "common/Numbers.h"
#include "journal/JournalGrid.h"
#include "link/JournalTime.h"
#include "link/LinkTexts.h"
#include "settings/LiveSettings.h"

#include <cmath>

namespace {

// A cell is one field of one line of the journal file: no Tab, CR or LF.
QString cell(QString text)
{
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// A single-precision number as its decimal text shows it: 0.02f, not 0.0199999996.
double roundedForText(float value)
{
    return QString::number(value, 'g', 6).toDouble();
}

} // namespace

Recorder::Recorder(JournalGrid &journal, const LiveSettings &settings, const Clock &clock, Beeper &beeper,
                   Window window, QLocale locale)
    : m_journal(journal)
    , m_settings(settings)
    , m_clock(clock)
    , m_beeper(beeper)
    , m_window(std::move(window))
    , m_timeText(std::move(locale))
{
}

void Recorder::RecordReading(const ScaleReading &reading, float deadZone)
{
    if (m_settings.unstableResult() == 0 && reading.status == QLatin1String("U"))
        return;
    const QString weightText = QString(reading.weight).replace(QLatin1Char('.'), QLatin1Char(','));
    const std::optional<float> weight = singleFromDecimalComma(weightText);
    if (!weight)
        return;
    const float difference = m_prevWeight - *weight;
    m_prevWeight = *weight;
    if (std::fabs(difference) < deadZone) {
        // Repeats of one weight are what the zone is for; a move it hid is
        // told, or the operator cannot see why a weighing is missing.
        if (difference != 0)
            m_window.setStatusText(LinkTexts::withinDeadZone(Numbers::format(roundedForText(std::fabs(difference))),
                                                             Numbers::format(roundedForText(deadZone))));
        return;
    }
    if (m_settings.writeZero() == 0 && *weight == 0)
        return;

    if (m_window.beforeRecording)
        m_window.beforeRecording();
    removeEmptyCurrentRow();
    QStringList cells{QString::number(m_journal.Rows()), nextNumber(), cell(reading.weight), cell(reading.unit),
                      cell(reading.status)};
    if (reading.counting)
        cells << cell(reading.quantity) << cell(reading.unitWeight);
    cells << cell(m_timeText.now(m_clock)) << cell(m_window.noteText());
    const qint64 id = m_window.readingId ? m_window.readingId(cells.mid(1)) : 0;
    m_journal.AddItem(cells.join(QLatin1Char('\t')), id);
    m_journal.followNewRow(m_journal.Rows() - 1);
    if (m_settings.bell() != 0)
        m_beeper.beep();
    m_window.setStatusText(QString());
    emit recorded();
}

// The empty row that deleting every row leaves behind is replaced by the new
// reading.
void Recorder::removeEmptyCurrentRow()
{
    const int row = m_journal.Row();
    if (row < 1)
        return;
    for (int col = 1; col < m_journal.Cols(); ++col) {
        if (!m_journal.TextMatrix(row, col).isEmpty())
            return;
    }
    if (m_journal.Rows() > 2)
        m_journal.RemoveItem(row);
    else
        m_journal.setRows(1);
}

// One past the last row's number. A last number that is no number (a loaded
// file may hold one) gives one past the largest number in the journal.
QString Recorder::nextNumber() const
{
    const int last = m_journal.Rows() - 1;
    if (last < 1)
        return QStringLiteral("1");
    if (const std::optional<double> n = Numbers::parseDecimalComma(m_journal.TextMatrix(last, 1)))
        return Numbers::format(*n + 1);
    std::optional<double> largest;
    for (int row = 1; row < last; ++row) {
        const std::optional<double> n = Numbers::parseDecimalComma(m_journal.TextMatrix(row, 1));
        if (n && (!largest || *n > *largest))
            largest = n;
    }
    return Numbers::format(largest ? *largest + 1 : 1);
}
