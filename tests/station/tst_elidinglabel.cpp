// A label that gives way shows what a fresh label would show after its text,
// its width or its font changed: the text it works out once is never stale.
#include "widgets/ElidingLabel.h"

#include <QTest>

namespace {

const QString LongText = QStringLiteral("Центральная база недоступна: сервер не отвечает, ожидают 120 событий");

QImage shown(ElidingLabel &label, const QString &text, int width, int pointSize)
{
    QFont font = label.font();
    font.setPointSize(pointSize);
    label.setText(text);
    label.resize(width, 24);
    label.setFont(font);
    return label.grab().toImage();
}

} // namespace

class TstElidingLabel : public QObject
{
    Q_OBJECT

private slots:
    void showsWhatAFreshLabelShows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("pointSize");
        QTest::newRow("a text that fits") << QStringLiteral("все отправлено") << 120 << 9;
        QTest::newRow("another long text") << QStringLiteral("Весы 2: ") + LongText << 120 << 9;
        QTest::newRow("wider") << LongText << 400 << 9;
        QTest::newRow("a larger font") << LongText << 120 << 18;
    }
    void showsWhatAFreshLabelShows()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(int, pointSize);
        ElidingLabel label, fresh;
        const QImage before = shown(label, LongText, 120, 9);
        const QImage after = shown(label, text, width, pointSize);
        QVERIFY(after != before);
        QCOMPARE(after, shown(fresh, text, width, pointSize));
    }
};

QTEST_MAIN(TstElidingLabel)
#include "tst_elidinglabel.moc"
