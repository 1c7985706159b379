#include "link/FrameBuilder.h"
#include "support/FrameField.h"

#include <QtTest>

namespace {

FrameContent counting(const QString &weight, const QString &quantity, const QString &unitWeight)
{
    FrameContent c;
    c.status = QLatin1Char('U');
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    c.quantity = quantity;
    c.unitWeight = unitWeight;
    return c;
}

} // namespace

class TstFrameBuilder : public QObject
{
    Q_OBJECT

private slots:
    void weighingFrames_data();
    void weighingFrames();
    void everyTypeDecodesBack_data();
    void everyTypeDecodesBack();
    void enqTakesTheLastPosition();
    void cyrillicUnitIsOneBytePerCharacter();
    void refusesWhatDoesNotFit_data();
    void refusesWhatDoesNotFit();
};

void TstFrameBuilder::weighingFrames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("type 0") << 0 << QByteArray("\x01\x02S  12.500kg   ");
    QTest::newRow("type 1") << 1 << QByteArray("\x01\x02S 12.500kg   ");
    QTest::newRow("type 3 fixed unit") << 3 << QByteArray("\x01\x02S 12.500     ");
}

void TstFrameBuilder::weighingFrames()
{
    QFETCH(int, type);
    FrameContent c;
    c.weight = QStringLiteral("12.500");
    c.unit = QStringLiteral("kg");
    const auto frame = FrameBuilder::build(*FrameLayouts::forType(type), c);
    QVERIFY(frame);
    QTEST(*frame, "frame");
}

void TstFrameBuilder::everyTypeDecodesBack_data()
{
    QTest::addColumn<int>("type");
    for (int type = 0; type < ScaleTypes::Count; ++type)
        QTest::addRow("type %d", type) << type;
}

void TstFrameBuilder::everyTypeDecodesBack()
{
    QFETCH(int, type);
    const FrameLayout &layout = *FrameLayouts::forType(type);
    const FrameContent content = counting(QStringLiteral("-1.25"), QStringLiteral("10"),
                                          QStringLiteral("0.125"));
    const auto built = FrameBuilder::build(layout, content);
    QVERIFY(built);
    const QByteArray frame = *built;

    QCOMPARE(frame.size(), layout.frameLength);
    QCOMPARE(frame.left(2), QByteArray("\x01\x02"));
    QCOMPARE(fieldOf(frame, layout.status), QByteArray("U"));
    QCOMPARE(fieldOf(frame, layout.weight).trimmed(), QByteArray("-1.25"));
    QVERIFY(fieldOf(frame, layout.weight).endsWith("-1.25")); // right-aligned
    if (layout.unit.present())
        QCOMPARE(fieldOf(frame, layout.unit), QByteArray("kg"));
    if (layout.counting) {
        QCOMPARE(fieldOf(frame, layout.quantity), QByteArray("10").rightJustified(7));
        QCOMPARE(fieldOf(frame, layout.unitWeight),
                 QByteArray("0.125").rightJustified(layout.unitWeight.length));
    }

    // Blank out every field: what is left are SOH STX and blanks.
    QByteArray rest = frame.mid(2);
    for (FrameField f : {layout.status, layout.weight, layout.unit, layout.quantity, layout.unitWeight}) {
        if (f.present())
            rest.replace(f.position - 3, f.length, QByteArray(f.length, '#'));
    }
    rest.replace("#", "");
    QCOMPARE(rest, QByteArray(rest.size(), ' '));
}

void TstFrameBuilder::enqTakesTheLastPosition()
{
    for (int type = 0; type < ScaleTypes::Count; ++type) {
        const FrameLayout &layout = *FrameLayouts::forType(type);
        const FrameContent content = counting(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("1"));
        const QByteArray plain = *FrameBuilder::build(layout, content);
        const QByteArray withEnq = *FrameBuilder::build(layout, content, true);
        QCOMPARE(withEnq.size(), plain.size());
        QCOMPARE(withEnq.back(), FrameLayouts::ENQ);
        QCOMPARE(withEnq.chopped(1), plain.chopped(1));
        QCOMPARE(withEnq.count(FrameLayouts::ENQ), 1);
    }
}

void TstFrameBuilder::cyrillicUnitIsOneBytePerCharacter()
{
    FrameContent c;
    c.weight = QStringLiteral("1.0");
    c.unit = QStringLiteral("кг");
    const QByteArray frame = *FrameBuilder::build(*FrameLayouts::forType(0), c);
    QCOMPARE(frame.size(), 16);
    QCOMPARE(frame.mid(11, 2), QByteArray("\xEA\xE3")); // Windows-1251
}

void TstFrameBuilder::refusesWhatDoesNotFit_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("quantity");
    QTest::newRow("weight 9 of 8") << 0 << "123456.89" << "kg" << "";
    QTest::newRow("weight 8 of 7") << 1 << "12345.78" << "kg" << "";
    QTest::newRow("unit 3 of 2") << 0 << "1" << "lbs" << "";
    QTest::newRow("quantity 8 of 7") << 2 << "1" << "kg" << "12345678";
    QTest::newRow("not in the code page") << 0 << "1" << "中" << "";
}

void TstFrameBuilder::refusesWhatDoesNotFit()
{
    QFETCH(int, type);
    QFETCH(QString, weight);
    QFETCH(QString, unit);
    QFETCH(QString, quantity);
    const FrameLayout &layout = *FrameLayouts::forType(type);
    FrameContent c = counting(weight, quantity, QStringLiteral("1"));
    c.unit = unit;
    QVERIFY(!FrameBuilder::build(layout, c));
    QVERIFY(!FrameBuilder::problem(layout, c).isEmpty());

    // The fixed-unit protocol sends no unit, so any unit text fits.
    c = counting(QStringLiteral("1"), QString(), QString());
    c.unit = QStringLiteral("much too long");
    QVERIFY(FrameBuilder::build(*FrameLayouts::forType(3), c));
}

QTEST_GUILESS_MAIN(TstFrameBuilder)
#include "tst_framebuilder.moc"
