#include "station/ChartWindow.h"

#include "report/ReportTexts.h"
#include "report/WeightSeries.h"
#include "station/StationTexts.h"

#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

// The chart's view: the wheel zooms, the right button pans.
class WeightChartView : public QChartView
{
public:
    explicit WeightChartView(QChart *chart, QWidget *parent)
        : QChartView(chart, parent)
    {
        setRubberBand(QChartView::RectangleRubberBand);
        setRenderHint(QPainter::Antialiasing, false);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    // Around the pointer: what lies under it stays there.
    void wheelEvent(QWheelEvent *event) override
    {
        const qreal factor = event->angleDelta().y() > 0 ? 1.25 : 0.8;
        const QRectF area = chart()->plotArea();
        const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
        if (!area.contains(at)) {
            chart()->zoom(factor);
        } else {
            chart()->zoomIn(QRectF(at.x() - (at.x() - area.left()) / factor, at.y() - (at.y() - area.top()) / factor,
                                   area.width() / factor, area.height() / factor));
        }
        event->accept();
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::RightButton) {
            m_panFrom = event->position();
            m_panning = true;
            event->accept();
            return;
        }
        QChartView::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (m_panning) {
            const QPointF d = event->position() - m_panFrom;
            chart()->scroll(-d.x(), d.y());
            m_panFrom = event->position();
            event->accept();
            return;
        }
        QChartView::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_panning && event->button() == Qt::RightButton) {
            m_panning = false;
            event->accept();
            return;
        }
        QChartView::mouseReleaseEvent(event);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        const qreal step = 40;
        switch (event->key()) {
        case Qt::Key_Left: chart()->scroll(-step, 0); break;
        case Qt::Key_Right: chart()->scroll(step, 0); break;
        case Qt::Key_Up: chart()->scroll(0, step); break;
        case Qt::Key_Down: chart()->scroll(0, -step); break;
        case Qt::Key_Plus: chart()->zoom(1.25); break;
        case Qt::Key_Minus: chart()->zoom(0.8); break;
        default: QChartView::keyPressEvent(event); return;
        }
        event->accept();
    }

private:
    QPointF m_panFrom;
    bool m_panning = false;
};

ChartWindow::ChartWindow(const QAbstractItemModel &journal, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_series(new WeightSeries(journal, this))
{
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(StationTexts::chart());
    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    m_view = new WeightChartView(chart, this);
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setAccessibleName(StationTexts::weightChart());
    m_reset = new QPushButton(StationTexts::resetZoom(), this);
    m_reset->setObjectName(QStringLiteral("btnChartReset"));
    connect(m_reset, &QPushButton::clicked, this, &ChartWindow::resetZoom);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_reset);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    m_follow.setInterval(FollowMs);
    connect(&m_follow, &QTimer::timeout, this, [this] {
        if (m_dirty)
            redraw();
    });
    connect(m_series, &WeightSeries::changed, this, [this] { m_dirty = true; });
    resize(900, 500);
}

ChartWindow::~ChartWindow() = default;

QChart &ChartWindow::chart() const
{
    return *m_view->chart();
}

void ChartWindow::rebuildAxes()
{
    QChart &c = chart();
    for (QAbstractAxis *axis : c.axes()) {
        c.removeAxis(axis);
        delete axis;
    }
    m_axesByTime = m_series->byTime();
    QAbstractAxis *x;
    if (m_axesByTime) {
        auto *t = new QDateTimeAxis;
        t->setFormat(QStringLiteral("dd.MM.yy HH:mm:ss"));
        t->setTitleText(StationTexts::timeAxis());
        connect(t, &QDateTimeAxis::rangeChanged, this, &ChartWindow::visibleRangeChanged);
        x = t;
    } else {
        auto *n = new QValueAxis;
        n->setLabelFormat(QStringLiteral("%d"));
        n->setTitleText(StationTexts::rowAxis());
        connect(n, &QValueAxis::rangeChanged, this, &ChartWindow::visibleRangeChanged);
        x = n;
    }
    x->setObjectName(QStringLiteral("axisX"));
    c.addAxis(x, Qt::AlignBottom);
    // The weight axes are the lines' own, made as the lines are drawn.
}

void ChartWindow::visibleRangeChanged()
{
    if (m_setting)
        return;
    // The user zoomed or panned: draw the new range from the journal's rows.
    m_zoomed = true;
    QTimer::singleShot(0, this, &ChartWindow::redraw);
}

void ChartWindow::resetZoom()
{
    m_zoomed = false;
    redraw();
}

void ChartWindow::redraw()
{
    m_dirty = false;
    m_setting = true;
    QChart &c = chart();
    const QStringList units = m_series->units();
    // One line per unit, named after it.
    while (c.series().size() < units.size()) {
        auto *line = new QLineSeries;
        line->setUseOpenGL(false);
        c.addSeries(line);
    }
    if (c.axes().isEmpty() || m_axesByTime != m_series->byTime())
        rebuildAxes();
    QAbstractAxis *x = c.axes(Qt::Horizontal).value(0);
    // Each unit its own weight axis, left and right in turn: kilograms and
    // grams on one scale would flatten the kilograms to the bottom.
    for (int u = 0; u < c.series().size(); ++u) {
        QAbstractSeries *s = c.series().at(u);
        if (!s->attachedAxes().contains(x))
            s->attachAxis(x);
        if (c.axes(Qt::Vertical, s).isEmpty()) {
            auto *y = new QValueAxis;
            y->setObjectName(QStringLiteral("axisY_%1").arg(u));
            c.addAxis(y, u % 2 ? Qt::AlignRight : Qt::AlignLeft);
            s->attachAxis(y);
        }
    }
    const QRectF all = m_series->bounds();
    if (m_zoomed) {
        if (auto *t = qobject_cast<QDateTimeAxis *>(x)) {
            m_xFrom = double(t->min().toMSecsSinceEpoch());
            m_xTo = double(t->max().toMSecsSinceEpoch());
        } else if (auto *v = qobject_cast<QValueAxis *>(x)) {
            m_xFrom = v->min();
            m_xTo = v->max();
        }
    } else {
        m_xFrom = all.left();
        m_xTo = all.right() > all.left() ? all.right() : all.left() + 1;
    }
    const int columns = std::max(1, int(c.plotArea().width()));
    for (int u = 0; u < c.series().size(); ++u) {
        auto *line = static_cast<QLineSeries *>(c.series().at(u));
        auto *y = static_cast<QValueAxis *>(c.axes(Qt::Vertical, line).value(0));
        y->setVisible(u < units.size());
        if (u >= units.size()) {
            line->clear();
            line->setName(QString());
            continue;
        }
        line->setName(units.at(u).isEmpty() ? ReportTexts::noUnit() : units.at(u));
        y->setTitleText(StationTexts::weightAxis() + QStringLiteral(", ") + line->name());
        const QVector<QPointF> points = m_series->decimated(u, m_xFrom, m_xTo, columns);
        line->replace(QList<QPointF>(points.cbegin(), points.cend()));
        if (!m_zoomed) {
            const QRectF own = m_series->bounds(u);
            const double pad = own.height() > 0 ? own.height() * 0.05 : 1;
            y->setRange(own.top() - pad, own.bottom() + pad);
        }
    }
    // As many time labels as the plot's width shows whole.
    if (auto *t = qobject_cast<QDateTimeAxis *>(x)) {
        const int label = QFontMetrics(t->labelsFont()).horizontalAdvance(QStringLiteral("00.00.00 00:00:00  "));
        t->setTickCount(std::clamp(int(c.plotArea().width()) / std::max(1, label) + 1, 2, 5));
    }
    if (!m_zoomed) {
        if (auto *t = qobject_cast<QDateTimeAxis *>(x))
            t->setRange(QDateTime::fromMSecsSinceEpoch(qint64(m_xFrom)), QDateTime::fromMSecsSinceEpoch(qint64(m_xTo)));
        else if (auto *v = qobject_cast<QValueAxis *>(x))
            v->setRange(m_xFrom, m_xTo);
    }
    m_setting = false;
}

void ChartWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    redraw();
    m_follow.start();
}

void ChartWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_follow.stop();
}

// The labels of the time axis are fitted to the new width at the next redraw.
void ChartWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_dirty = true;
}
