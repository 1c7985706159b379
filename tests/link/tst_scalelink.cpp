#include "link/FrameBuilder.h"
#include "support/LinkRig.h"

#include <QtTest>

namespace {

QByteArray frameOf(int type, const QString &weight)
{
    FrameContent c;
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    return *FrameBuilder::build(*FrameLayouts::forType(type), c);
}

const QString DecodeFailure = QStringLiteral("Произошла ошибка!\r\nПроверте выбранный тип весов.");

} // namespace

// Decoding a chunk: frame start, dead zone, scale type.
class TstScaleLink : public QObject
{
    Q_OBJECT

private slots:
    void resynchronises_data();
    void resynchronises();
    void resynchronisingWithABadPortText();
    void deadZoneTextThatIsNoNumber_data();
    void deadZoneTextThatIsNoNumber();
    void unknownTypeDropsSilently();
    void emptyDeadZoneIsZero();
};

void TstScaleLink::resynchronises_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::newRow("AB") << QByteArray("AB");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("start at position 5") << QByteArray("abcd") + frameOf(0, "1.000").left(12);
}

void TstScaleLink::resynchronises()
{
    QFETCH(QByteArray, chunk);
    LinkRig rig;
    rig.settings.port = QStringLiteral("2");
    rig.link.StartReading();
    rig.line.clearLog();
    rig.decode(chunk);
    QCOMPARE(rig.line.log(), (QStringList{"Close", "CommPort=2", "Settings=9600,N,8,1", "InputLen=16",
                                          "RThreshold=16", "Open", "Input"}));
    QCOMPARE(rig.journal.Rows(), 1);
    QVERIFY(rig.messages.messages().isEmpty());
}

void TstScaleLink::resynchronisingWithABadPortText()
{
    LinkRig rig;
    rig.link.StartReading();
    rig.settings.port = QStringLiteral("x");
    rig.decode("AB");
    QVERIFY(!rig.line.portOpen());
    QCOMPARE(rig.messages.texts().size(), 1);
    QVERIFY(rig.messages.texts().first().startsWith(QStringLiteral("Неверный номер порта: «x».")));
}

void TstScaleLink::deadZoneTextThatIsNoNumber_data()
{
    QTest::addColumn<QString>("luft");
    QTest::addColumn<QString>("type");
    QTest::newRow("letters") << "abc" << "0";
    QTest::newRow("full stop") << "1.5" << "0";
    // The dead zone is taken before the type.
    QTest::newRow("unknown type too") << "abc" << "9";
}

void TstScaleLink::deadZoneTextThatIsNoNumber()
{
    QFETCH(QString, luft);
    QFETCH(QString, type);
    LinkRig rig;
    rig.link.StartReading();
    rig.settings.luft = luft;
    rig.settings.scaleType = type;
    rig.decode(frameOf(0, "1.000"));
    QVERIFY(!rig.line.portOpen());
    QCOMPARE(rig.messages.texts(), QStringList{DecodeFailure});
    QCOMPARE(rig.messages.messages().first().icon, UserMessages::Icon::Warning);
    QCOMPARE(rig.journal.Rows(), 1);
}

void TstScaleLink::unknownTypeDropsSilently()
{
    LinkRig rig;
    rig.link.StartReading();
    rig.settings.scaleType = QStringLiteral("7");
    rig.decode(frameOf(0, "1.000"));
    QCOMPARE(rig.journal.Rows(), 1);
    QVERIFY(rig.messages.messages().isEmpty());
    QVERIFY(rig.line.portOpen());
}

void TstScaleLink::emptyDeadZoneIsZero()
{
    LinkRig rig;
    rig.settings.luft = QString();
    rig.decode(frameOf(0, "1.000"));
    rig.decode(frameOf(0, "1.000"));
    QCOMPARE(rig.journal.Rows(), 3);
}

QTEST_GUILESS_MAIN(TstScaleLink)
#include "tst_scalelink.moc"
