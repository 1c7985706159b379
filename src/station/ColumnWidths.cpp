#include "station/ColumnWidths.h"

#include "common/Numbers.h"
#include "journal/JournalGrid.h"
#include "link/JournalTime.h"
#include "settings/IniTxt.h"
#include "widgets/Twips.h"

#include <QFontMetrics>
#include <QStyle>
#include <QWidget>

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

int ColumnWidths::neededWidth(const QString &key) const
{
    QString usual;
    if (key == QLatin1String("Time")) {
        // The widest digits in every place.
        usual = JournalTime::text(QDateTime(QDate(2088, 12, 28), QTime(20, 58, 58)), JournalTime::programLocale());
    } else {
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
    for (int c = 1; c <= columns.size() && c < m_grid.Cols(); ++c) {
        int width = std::max(columns[c - 1].width, neededWidth(columns[c - 1].key));
        const std::optional<double> stored = Numbers::parseDecimalComma(
            ReadIniValue(m_iniPath, section(), iniKey(c), QString()));
        // A stored width from 1 pixel to a few screens wide.
        if (stored && *stored >= Twips::PerPixel && *stored <= 100000)
            width = int(*stored);
        m_grid.setColWidth(c, width);
    }
    m_building = false;
}

QString ColumnWidths::iniKey(int col) const
{
    bool counting = false;
    for (const JournalColumn &c : m_columns)
        counting |= c.key == QLatin1String("Kol");
    return (counting ? QStringLiteral("counting_") : QStringLiteral("weighing_")) + m_columns[col - 1].key;
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
