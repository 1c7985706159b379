#pragma once

#include <QTimer>
#include <QWidget>

class QAbstractAxis;
class QAbstractItemModel;
class QChart;
class QPushButton;
class WeightChartView;
class WeightSeries;

// "График": the journal's weights against time, one line per unit. Drawn
// from at most two points per pixel column (the lowest and highest weight
// in it), so a million rows open and pan smoothly. Zoom with the wheel or a
// rubber band, pan by dragging with the right button or with the arrow keys,
// "Сбросить масштаб" to see everything again. Follows the journal at most
// five repaints a second.
class ChartWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int FollowMs = 200;

    explicit ChartWindow(const QAbstractItemModel &journal, QWidget *parent = nullptr);
    ~ChartWindow() override;

    const WeightSeries &series() const { return *m_series; }
    QChart &chart() const;
    // The whole journal again.
    void resetZoom();
    // Draws the visible range now (the timer calls it).
    void redraw();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuildAxes();
    void visibleRangeChanged();

    WeightSeries *m_series = nullptr;
    WeightChartView *m_view = nullptr;
    QPushButton *m_reset = nullptr;
    QTimer m_follow;
    bool m_dirty = true;
    bool m_zoomed = false;
    bool m_setting = false; // the program sets the axes: no zoom by the user
    bool m_axesByTime = false;
    double m_xFrom = 0;
    double m_xTo = 0;
};
