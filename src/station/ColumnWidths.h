#pragma once

#include "journal/JournalLayout.h"

#include <QObject>
#include <QSet>
#include <QTimer>

class JournalGrid;
class QWidget;

// The journal's column widths at each layout build: a column whose usual
// content the font in use cannot show in its designed width (the date and
// time, measured for another font; the longest weight, unit, status,
// quantity or unit weight a scale of the column set sends) is widened; a width the operator set
// for a column of that column set, kept in Init.ini, wins over both.
class ColumnWidths : public QObject
{
    Q_OBJECT

public:
    // The section of Init.ini that keeps the widths: keys "<set>_<key>",
    // set "weighing" or "counting", in twips.
    static QString section() { return QStringLiteral("ColumnWidths"); }

    // view: the journal's view, whose font the cells are drawn in.
    ColumnWidths(JournalGrid &grid, const QWidget &view, QString iniPath);
    ~ColumnWidths() override;

    // Around a layout build: widths set meanwhile are the layout's, not the
    // operator's.
    void layoutBuilding();
    void layoutBuilt(const QVector<JournalColumn> &columns);

    // The width in twips the view's font needs for a column's usual content
    // in the weighing or the counting set; 0 for a column without one.
    int neededWidth(const QString &key, bool counting) const;

private:
    bool countingSet() const;
    void store();
    QString iniKey(int col) const;

    JournalGrid &m_grid;
    const QWidget &m_view;
    QString m_iniPath;
    QVector<JournalColumn> m_columns;
    bool m_building = false;
    QSet<int> m_changed; // columns the operator resized since the last store
    QTimer m_storeLater; // a drag resizes many times: stored once it rests
};
