// A label that gives way shows what a fresh label would show after its text,
// its width or its font changed: the text it works out once is never stale.
#include "widgets/ElidingLabel.h"

#include <QTest>

namespace {

QImage shown(QLabel &label)
{
    return label.grab().toImage();
}

QImage fresh(const QString &text, int width, const QFont &font)
{
    ElidingLabel label(text);
    label.setFont(font);
    label.resize(width, 24);
    return shown(label);
}

} // namespace

class TstElidingLabel : public QObject
{
    Q_OBJECT

private slots:
    void showsWhatAFreshLabelShows_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("a text that fits") << "text";
        QTest::newRow("another long text") << "longer";
        QTest::newRow("wider") << "width";
        QTest::newRow("a larger font") << "font";
    }
    void showsWhatAFreshLabelShows()
    {
        QFETCH(QString, change);
        const QString longText = QStringLiteral("Центральная база недоступна: сервер не отвечает, ожидают 120 событий");
        ElidingLabel label(longText);
        label.resize(120, 24);
        shown(label); // the cut text worked out
        QString text = longText;
        int width = 120;
        QFont font = label.font();
        if (change == "text")
            text = QStringLiteral("все отправлено");
        else if (change == "longer")
            text = QStringLiteral("Весы 2: ") + longText;
        else if (change == "width")
            width = 400;
        else
            font.setPointSize(font.pointSize() * 2);
        label.setText(text);
        label.resize(width, 24);
        label.setFont(font);
        QCOMPARE(shown(label), fresh(text, width, font));
        QVERIFY(shown(label) != fresh(longText, 120, QFont()));
    }
};

QTEST_MAIN(TstElidingLabel)
#include "tst_elidinglabel.moc"
