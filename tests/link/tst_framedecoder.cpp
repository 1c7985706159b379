#include "link/FrameDecoder.h"
#include "settings/SettingsRules.h"

#include <QtTest>

namespace {

// A frame of the given length whose position p (1-based) holds Marks[p - 1],
// so that a field shows which positions it was cut from.
const QString Marks = QStringLiteral("..ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnop");

QString markedFrame(int length)
{
    QString f = Marks.left(length);
    f[0] = QChar(1);
    f[1] = QChar(2);
    return f;
}

// The marks of positions first..last.
QString at(int first, int last) { return Marks.mid(first - 1, last - first + 1); }

const QString SohStx = QStringLiteral("\x01\x02");

} // namespace

class TstFrameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void fieldsByPosition_data();
    void fieldsByPosition();
    void partsOfAFrame_data();
    void partsOfAFrame();
    void frameStart_data();
    void frameStart();
    void deadZone_data();
    void deadZone();
};

void TstFrameDecoder::fieldsByPosition_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("unitWeight");

    QTest::newRow("0 JW-1") << 0 << 16 << at(3, 3) << at(4, 11) << at(12, 13) << "" << "";
    QTest::newRow("1 SI-1") << 1 << 15 << at(3, 3) << at(4, 10) << at(11, 12) << "" << "";
    QTest::newRow("3 fixed unit g") << 3 << 15 << at(3, 3) << at(4, 10) << "g" << "" << "";
    // Type 2: a 9-character weight, the unit one place later, the unit
    // weight from 28.
    QTest::newRow("2 JW-1C") << 2 << 37 << at(13, 13) << at(14, 22) << at(23, 24) << at(3, 9) << at(28, 34);
    // Type 4: the status one place later, an 8-character unit weight.
    QTest::newRow("4 PC-100") << 4 << 37 << at(14, 14) << at(15, 21) << at(22, 23) << at(3, 9) << at(27, 34);
    QTest::newRow("5 AC-100") << 5 << 36 << at(13, 13) << at(14, 21) << at(22, 23) << at(3, 9) << at(27, 33);
}

void TstFrameDecoder::fieldsByPosition()
{
    QFETCH(int, type);
    QFETCH(int, length);
    const FrameLayout &layout = *FrameLayouts::forType(type);
    QCOMPARE(layout.frameLength, length);
    const ScaleReading r = FrameDecoder::split(markedFrame(length), layout);
    QTEST(r.status, "status");
    QTEST(r.weight, "weight");
    QTEST(r.unit, "unit");
    QTEST(r.quantity, "quantity");
    QTEST(r.unitWeight, "unitWeight");
    QCOMPARE(r.counting, type == 2 || type == 4 || type == 5);
}

void TstFrameDecoder::partsOfAFrame_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("unit");

    QTest::newRow("blanks kept") << 0 << SohStx + "U  12.500kgabc" << "U" << "  12.500" << "kg";
    QTest::newRow("type 1 reads 11-12") << 1 << SohStx + "S 12.500kgxyz" << "S" << " 12.500" << "kg";
    QTest::newRow("type 3 ignores 11-12") << 3 << SohStx + "S 12.500kgxyz" << "S" << " 12.500" << "g";
    QTest::newRow("cut in the weight") << 0 << SohStx + "S  1" << "S" << "  1" << "";
    QTest::newRow("start only") << 0 << SohStx << "" << "" << "";
    QTest::newRow("longer than a frame") << 0 << SohStx + "S   1.000kg   \x01\x02S   2.000kg" << "S"
                                         << "   1.000" << "kg";
}

void TstFrameDecoder::partsOfAFrame()
{
    QFETCH(int, type);
    QFETCH(QString, chunk);
    const ScaleReading r = FrameDecoder::split(chunk, *FrameLayouts::forType(type));
    QTEST(r.status, "status");
    QTEST(r.weight, "weight");
    QTEST(r.unit, "unit");
}

void TstFrameDecoder::frameStart_data()
{
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<bool>("starts");

    QTest::newRow("frame") << SohStx + "S   1.000kg   " << true;
    QTest::newRow("start alone") << SohStx << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("SOH alone") << "\x01" << false;
    QTest::newRow("swapped") << "\x02\x01S" << false;
    QTest::newRow("AB first") << "AB" + SohStx + "S   1.000kg" << false;
    QTest::newRow("start at position 5") << "abcd" + SohStx + "S   1.000" << false;
}

void TstFrameDecoder::frameStart()
{
    QFETCH(QString, chunk);
    QTEST(FrameDecoder::startsFrame(chunk), "starts");
}

void TstFrameDecoder::deadZone_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<float>("value");

    QTest::newRow("empty is 0") << "" << true << 0.0f;
    QTest::newRow("whole") << "5" << true << 5.0f;
    QTest::newRow("decimal comma") << "0,5" << true << 0.5f;
    QTest::newRow("blanks around") << " 2 " << true << 2.0f;
    QTest::newRow("full stop refused") << "1.5" << false << 0.0f;
    QTest::newRow("letters") << "abc" << false << 0.0f;
    QTest::newRow("beyond single precision") << QString(50, QLatin1Char('9')) << false << 0.0f;
}

void TstFrameDecoder::deadZone()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    const std::optional<float> zone = SettingsRules::deadZone(text);
    QCOMPARE(zone.has_value(), valid);
    if (valid)
        QTEST(*zone, "value");
}

QTEST_APPLESS_MAIN(TstFrameDecoder)
#include "tst_framedecoder.moc"
