#include "station/ColumnWidths.h"

#include "common/Numbers.h"
#include "common/ScaleTypes.h"
#include "journal/JournalGrid.h"
#include "link/JournalTime.h"
#include "settings/IniTxt.h"
#include "widgets/Twips.h"

#include <QFontMetrics>
#include <QStyle>
#include <QWidget>

#include <algorithm>

ColumnWidths::ColumnWidths(JournalGrid &grid, const QWidget &view, QString iniPath)
    : m_grid(grid)
    , m_view(view)
    , m_iniPath(std::move(iniPath))
{
    m_storeLater.setSingleShot(true);
    m_storeLater.setInterval(500);
    connect(&m_storeLater, &QTimer::timeout, this, &ColumnWidths::store);
    connect(&grid, &JournalGrid::columnWidthChanged, this, [this](int col) {
        if (m_building || col < 1 || col > m_columns.size())
            return;
        m_changed.insert(col);
        m_storeLater.start();
    });
}

ColumnWidths::~ColumnWidths()
{
    store();
}

namespace {

// The longest text a scale of the column set can send into a field's column,
// in its widest characters: digits for numbers, capitals for the unit and the
// status. Empty for a column no field fills.
QString widestField(const QString &key, bool counting)
{
    qsizetype length = 0;
    for (int i = 0; i < ScaleTypes::Count; ++i) {
        const FrameLayout &f = ScaleTypes::at(i)->frame;
        if (f.counting != counting)
            continue;
        if (key == QLatin1String("Weight"))
            length = std::max<qsizetype>(length, f.weight.length);
        else if (key == QLatin1String("Unit"))
            length = std::max(length, f.unit.present() ? qsizetype(f.unit.length) : f.fixedUnit.size());
        else if (key == QLatin1String("Stat"))
            length = std::max<qsizetype>(length, f.status.length);
        else if (key == QLatin1String("Kol"))
            length = std::max<qsizetype>(length, f.quantity.length);
        else if (key == QLatin1String("UnitWeight"))
            length = std::max<qsizetype>(length, f.unitWeight.length);
    }
    const bool letters = key == QLatin1String("Unit") || key == QLatin1String("Stat");
    return QString(length, letters ? QLatin1Char('W') : QLatin1Char('0'));
}

} // namespace

int ColumnWidths::neededWidth(const QString &key, bool counting) const
{
    QString usual;
    if (key == QLatin1String("Time")) {
        // The widest digits in every place.
        usual = JournalTime::text(QDateTime(QDate(2088, 12, 28), QTime(20, 58, 58)), JournalTime::programLocale());
    } else {
        usual = widestField(key, counting);
        if (usual.isEmpty())
            return 0;
    }
    const int margin = m_view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &m_view) + 1;
    return Twips::fromPixels(QFontMetrics(m_view.font()).horizontalAdvance(usual) + 2 * margin + 2);
}

void ColumnWidths::layoutBuilding()
{
    store();
    m_building = true;
}

void ColumnWidths::layoutBuilt(const QVector<JournalColumn> &columns)
{
    m_columns = columns;
    const bool counting = countingSet();
    for (int c = 1; c <= columns.size() && c < m_grid.Cols(); ++c) {
        int width = std::max(columns[c - 1].width, neededWidth(columns[c - 1].key, counting));
        const std::optional<double> stored = Numbers::parseDecimalComma(
            ReadIniValue(m_iniPath, section(), iniKey(c), QString()));
        // A stored width from 1 pixel to a few screens wide.
        if (stored && *stored >= Twips::PerPixel && *stored <= 100000)
            width = int(*stored);
        m_grid.setColWidth(c, width);
    }
    m_building = false;
}

bool ColumnWidths::countingSet() const
{
    bool counting = false;
    for (const JournalColumn &c : m_columns)
        counting |= c.key == QLatin1String("Kol");
    return counting;
}

QString ColumnWidths::iniKey(int col) const
{
    return (countingSet() ? QStringLiteral("counting_") : QStringLiteral("weighing_")) + m_columns[col - 1].key;
}

void ColumnWidths::store()
{
    m_storeLater.stop();
    for (int col : std::as_const(m_changed)) {
        if (col <= m_columns.size())
            WriteIniValue(m_iniPath, section(), iniKey(col), QString::number(m_grid.ColWidth(col)));
    }
    m_changed.clear();
}
