#include "station/BoardWindow.h"

#include "journal/JournalGrid.h"
#include "link/ScaleLink.h"
#include "report/JournalTotals.h"
#include "report/TotalsText.h"
#include "station/StationTexts.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

// A text drawn as large as the widget allows.
class BigText : public QWidget
{
public:
    explicit BigText(QWidget *parent)
        : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(120, 60);
    }
    void setText(const QString &text, const QColor &color)
    {
        if (text == m_text && color == m_color)
            return;
        m_text = text;
        m_color = color;
        setAccessibleName(text);
        update();
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(std::max(8, int(height() * 0.8)));
        const int advance = QFontMetrics(f).horizontalAdvance(m_text);
        if (advance > width() * 0.95)
            f.setPixelSize(std::max(8, int(f.pixelSize() * width() * 0.95 / advance)));
        p.setFont(f);
        p.setPen(m_color);
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
    QColor m_color = Qt::black;
};

BoardWindow::BoardWindow(const JournalGrid &journal, const JournalTotals &totals, const ScaleLink &link,
                         QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_journal(journal)
    , m_totals(totals)
    , m_link(link)
{
    setObjectName(QStringLiteral("frmBoard"));
    setWindowTitle(StationTexts::board());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    m_weight = new BigText(this);
    m_weight->setObjectName(QStringLiteral("lblBoardWeight"));
    m_unit = new QLabel(this);
    m_unit->setObjectName(QStringLiteral("lblBoardUnit"));
    m_stable = new QLabel(this);
    m_stable->setObjectName(QStringLiteral("lblBoardStable"));
    m_lastRow = new QLabel(this);
    m_lastRow->setObjectName(QStringLiteral("lblBoardLastRow"));
    m_totalsText = new QLabel(this);
    m_totalsText->setObjectName(QStringLiteral("lblBoardTotals"));
    m_totalsText->setWordWrap(true);
    m_fullScreen = new QPushButton(StationTexts::fullScreen(), this);
    m_fullScreen->setObjectName(QStringLiteral("btnFullScreen"));
    m_fullScreen->setFocusPolicy(Qt::NoFocus);
    connect(m_fullScreen, &QPushButton::clicked, this, &BoardWindow::toggleFullScreen);

    // The texts never set the window's width: their fonts follow it
    // (fitTexts), so that the board fits any screen in full screen and goes
    // back to its own size after.
    for (QLabel *l : {m_stable, m_lastRow, m_totalsText})
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *top = new QHBoxLayout;
    top->addWidget(m_stable, 1);
    top->addWidget(m_fullScreen);
    auto *middle = new QHBoxLayout;
    middle->addWidget(m_weight, 1);
    middle->addWidget(m_unit);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(m_lastRow);
    layout->addWidget(m_totalsText);

    m_clock.start();
    m_tick.setInterval(RepaintMs);
    connect(&m_tick, &QTimer::timeout, this, &BoardWindow::refresh);
    connect(&totals, &JournalTotals::changed, this, [this] { m_dirty = true; });
    resize(800, 450);
}

void BoardWindow::decoded(const ScaleReading &reading)
{
    if (!isVisible())
        return; // a closed board costs the receive path nothing
    m_live.decoded(reading, m_clock.elapsed());
    m_dirty = true;
}

void BoardWindow::refresh()
{
    // A line lost and awaited is reception on as well.
    const bool on = m_link.linkState() != LineKeeper::State::Off;
    if (on && !m_wasOn)
        m_live.receptionStarted(m_clock.elapsed());
    m_wasOn = on;
    const bool silent = m_live.noData(on, m_clock.elapsed());
    if (!m_dirty && !silent)
        return;
    m_dirty = false;
    if (silent || !m_live.hasReading()) {
        m_weight->setText(StationTexts::noData(), Qt::darkGray);
        m_unit->clear();
        m_stable->clear();
    } else {
        const QColor color = m_live.stable() ? QColor(Qt::black) : QColor(200, 0, 0);
        m_weight->setText(m_live.weight(), color);
        m_unit->setText(m_live.unit());
        m_stable->setText(m_live.stable() ? StationTexts::stable() : StationTexts::unstable());
        // Only on a change: a new palette repaints the label, and a style
        // sheet, even the same one, would polish it anew at every refresh.
        const QColor stableColor = m_live.stable() ? QColor(0x00, 0x70, 0x00) : QColor(0xc0, 0x00, 0x00);
        if (m_stable->palette().color(QPalette::WindowText) != stableColor) {
            QPalette pal = m_stable->palette();
            pal.setColor(QPalette::WindowText, stableColor);
            m_stable->setPalette(pal);
        }
    }
    const int last = m_journal.Rows() - 1;
    if (last >= 1 && !m_journal.TextMatrix(last, 2).trimmed().isEmpty())
        m_lastRow->setText(StationTexts::lastRow(m_journal.TextMatrix(last, 1).trimmed(),
                                                 LiveReading::shownWeight(m_journal.TextMatrix(last, 2)),
                                                 m_journal.TextMatrix(last, 3).trimmed()));
    else
        m_lastRow->setText(StationTexts::noLastRow());
    m_totalsText->setText(TotalsText::line(m_totals.whole()));
    fitTexts();
}

void BoardWindow::toggleFullScreen()
{
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void BoardWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        m_fullScreen->setText(isFullScreen() ? StationTexts::leaveFullScreen() : StationTexts::fullScreen());
}

void BoardWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F11) {
        toggleFullScreen();
        return;
    }
    if (event->key() == Qt::Key_Escape && isFullScreen()) {
        toggleFullScreen();
        return;
    }
    QWidget::keyPressEvent(event);
}

void BoardWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitTexts();
}

// The small texts grow with the window's height, as far as its width lets
// each of them show whole on its line.
void BoardWindow::fitTexts()
{
    const int room = contentsRect().width() - layout()->contentsMargins().left() - layout()->contentsMargins().right();
    const int size = std::max(12, height() / 16);
    const auto fitted = [size](const QLabel *label, int width) {
        QFont f = label->font();
        f.setPixelSize(size);
        const int advance = QFontMetrics(f).horizontalAdvance(label->text());
        if (advance > width && width > 0)
            f.setPixelSize(std::max(6, int(size * double(width) / advance)));
        return f;
    };
    // A new font lays the window out again: only when it changes.
    const auto use = [](QLabel *label, const QFont &font) {
        if (label->font() != font)
            label->setFont(font);
    };
    use(m_stable, fitted(m_stable, room - m_fullScreen->sizeHint().width() - layout()->spacing()));
    const QFont last = fitted(m_lastRow, room);
    use(m_lastRow, last);
    QFont totals = m_totalsText->font();
    totals.setPixelSize(std::min(size, last.pixelSize())); // wraps onto more lines
    use(m_totalsText, totals);
    QFont unit = m_unit->font();
    unit.setPixelSize(std::max(16, height() / 6));
    use(m_unit, unit);
}

void BoardWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_dirty = true;
    refresh();
    m_tick.start();
}

void BoardWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_tick.stop();
}
