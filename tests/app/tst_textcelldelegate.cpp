#include "widgets/TextCellDelegate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>

// Cells painted into an image three cells wide, the cell in the middle:
// where the text lands, what a selected cell looks like, and that the
// laid-out texts kept stay few.
class TestTextCellDelegate : public QObject
{
    Q_OBJECT

    static constexpr int Width = 120;
    static constexpr int Height = 20;
    static constexpr QColor Highlight{0, 0, 200};
    static inline const QString Wide = QStringLiteral("1234567890123456789012345678901234567890");

    QStandardItemModel m_model{1, 1};
    TextCellDelegate m_delegate;

    QImage paintCell(const QString &text, Qt::Alignment align, QStyle::State state = {})
    {
        m_model.setData(m_model.index(0, 0), text);
        m_model.setData(m_model.index(0, 0), int(align | Qt::AlignVCenter), Qt::TextAlignmentRole);
        QImage image(3 * Width, Height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QStyleOptionViewItem option;
        option.rect = QRect(Width, 0, Width, Height);
        option.state = state | QStyle::State_Enabled | QStyle::State_Active;
        option.palette.setColor(QPalette::Text, Qt::black);
        option.palette.setColor(QPalette::Highlight, Highlight);
        option.palette.setColor(QPalette::HighlightedText, Qt::white);
        option.font = QApplication::font();
        QPainter painter(&image);
        m_delegate.paint(&painter, option, m_model.index(0, 0));
        return image;
    }
    // First and last columns of the image holding a black pixel, -1 for none.
    static std::pair<int, int> inkSpan(const QImage &image)
    {
        int first = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < image.height(); ++y) {
                if (QColor(image.pixel(x, y)).blue() < 100) {
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
        QTest::newRow("too wide, left") << Wide << int(Qt::AlignLeft) << true << true;
    }
    void textAtItsAlignment()
    {
        QFETCH(QString, text);
        QFETCH(int, align);
        QFETCH(bool, atLeft);
        QFETCH(bool, atRight);
        const auto [first, last] = inkSpan(paintCell(text, Qt::Alignment(align)));
        // Nothing beyond the cell's edges: a long text is cut off there.
        QVERIFY(first >= Width);
        QVERIFY(last < 2 * Width);
        QCOMPARE(first < Width + 8, atLeft);
        QCOMPARE(last > 2 * Width - 8, atRight);
    }

    void tooWideShowsItsBeginning()
    {
        // A weight too wide for its cell shows its leading digits, wherever
        // it is aligned: a number cut on the left would read as another.
        const QImage left = paintCell(Wide, Qt::AlignLeft);
        QCOMPARE(paintCell(Wide, Qt::AlignRight), left);
        QCOMPARE(paintCell(Wide, Qt::AlignHCenter), left);
    }

    void selectedCellInTheHighlight()
    {
        const QImage image = paintCell(QStringLiteral("1.930"), Qt::AlignRight, QStyle::State_Selected);
        QCOMPARE(QColor(image.pixel(Width + 2, 2)), Highlight);
        // The text is light on the highlight: no black, some white.
        QCOMPARE(inkSpan(image).first, -1);
        int light = 0;
        for (int x = Width; x < 2 * Width; ++x)
            light += qGray(image.pixel(x, Height / 2)) > 200;
        QVERIFY(light > 0);
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
