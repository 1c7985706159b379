#include "app/TextCellDelegate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>

// Cells painted into an image: where the text lands, what a selected cell
// looks like, and that the laid-out texts kept stay few.
class TestTextCellDelegate : public QObject
{
    Q_OBJECT

    static constexpr int Width = 120;
    static constexpr int Height = 20;

    QStandardItemModel m_model{1, 1};
    TextCellDelegate m_delegate;

    QImage paintCell(const QString &text, Qt::Alignment align, QStyle::State state = QStyle::State_Enabled)
    {
        m_model.setData(m_model.index(0, 0), text);
        m_model.setData(m_model.index(0, 0), int(align | Qt::AlignVCenter), Qt::TextAlignmentRole);
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = state | QStyle::State_Active;
        option.palette = QApplication::palette();
        option.palette.setColor(QPalette::Text, Qt::black);
        option.palette.setColor(QPalette::Highlight, QColor(0, 0, 200));
        option.palette.setColor(QPalette::HighlightedText, Qt::white);
        option.font = QApplication::font();
        QPainter painter(&image);
        m_delegate.paint(&painter, option, m_model.index(0, 0));
        return image;
    }
    // First and last columns holding a pixel of the text colour's kind (dark).
    static std::pair<int, int> inkSpan(const QImage &image)
    {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (qGray(image.pixel(x, y)) < 128) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
            }
        }
        return {first, last};
    }

private slots:
    void textAtItsAlignment_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("atLeft");
        QTest::addColumn<bool>("atRight");
        QTest::newRow("short, left") << "12" << int(Qt::AlignLeft) << true << false;
        QTest::newRow("short, right") << "12" << int(Qt::AlignRight) << false << true;
    }

    void tooWideShowsItsBeginning()
    {
        // A weight too wide for its cell shows its leading digits, wherever
        // it is aligned: a number cut on the left would read as another.
        const QString wide = QStringLiteral("1234567890123456789012345678901234567890");
        const QImage left = paintCell(wide, Qt::AlignLeft);
        QCOMPARE(paintCell(wide, Qt::AlignRight), left);
        QCOMPARE(paintCell(wide, Qt::AlignHCenter), left);
        const auto [first, last] = inkSpan(left);
        QVERIFY(first < 8);
        QVERIFY(last > Width - 8);
    }
    void textAtItsAlignment()
    {
        QFETCH(QString, text);
        QFETCH(int, align);
        QFETCH(bool, atLeft);
        QFETCH(bool, atRight);
        const auto [first, last] = inkSpan(paintCell(text, Qt::Alignment(align)));
        QVERIFY(first >= 0);
        QCOMPARE(first < 8, atLeft);
        QCOMPARE(last > Width - 8, atRight);
    }

    void cutOffAtTheCellsEdge()
    {
        // Painted into a cell in the middle of the image: nothing beyond it.
        m_model.setData(m_model.index(0, 0), QString(200, QLatin1Char('8')));
        QImage image(3 * Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = QRect(Width, 0, Width, Height);
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        option.palette.setColor(QPalette::Text, Qt::black);
        option.font = QApplication::font();
        {
            QPainter painter(&image);
            m_delegate.paint(&painter, option, m_model.index(0, 0));
        }
        const auto [first, last] = inkSpan(image);
        QVERIFY(first >= Width);
        QVERIFY(last < 2 * Width);
    }

    void selectedCellInTheHighlight()
    {
        const QImage image = paintCell(QStringLiteral("1.930"), Qt::AlignRight,
                                       QStyle::State_Enabled | QStyle::State_Selected);
        QCOMPARE(QColor(image.pixel(2, 2)), QColor(0, 0, 200));
        // The text is light on the highlight: no black, some white.
        int light = 0, black = 0;
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                const QColor c(image.pixel(x, y));
                light += qGray(c.rgb()) > 200;
                black += c.blue() < 100;
            }
        }
        QVERIFY(light > 0);
        QCOMPARE(black, 0);
    }

    void keepsFewLaidOutTexts()
    {
        for (int i = 0; i < TextCellDelegate::MaxKeptTexts + 100; ++i)
            paintCell(QString::number(i), Qt::AlignLeft);
        QVERIFY(m_delegate.keptTexts() > 0);
        QVERIFY(m_delegate.keptTexts() <= TextCellDelegate::MaxKeptTexts);
    }
};

QTEST_MAIN(TestTextCellDelegate)
#include "tst_textcelldelegate.moc"
