#include "link/FrameBuilder.h"
#include "support/FrameField.h"
#include "support/LinkRig.h"

#include <QtTest>

namespace {

QByteArray frameOf(int type, const QString &weight, QChar status = QLatin1Char('S'), bool enq = false)
{
    FrameContent c;
    c.status = status;
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    c.quantity = QStringLiteral("10");
    c.unitWeight = QStringLiteral("0.125");
    return *FrameBuilder::build(*FrameLayouts::forType(type), c, enq);
}

const QString DecodeFailure = QStringLiteral("Произошла ошибка!\r\nПроверте выбранный тип весов.");

} // namespace

// Decoding a chunk into the journal, and the whole way from the line.
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
    void everyTypeFromTheLine_data();
    void everyTypeFromTheLine();
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

void TstScaleLink::everyTypeFromTheLine_data()
{
    QTest::addColumn<int>("type");
    for (int t = 0; t < FrameLayouts::TypeCount; ++t)
        QTest::addRow("type %d", t) << t;
}

// Frames from the line, glued as they come: acknowledged when they carry
// ENQ, echoed, decoded by the type and recorded by the rules (dead zone 0,5;
// no zero or unstable readings).
void TstScaleLink::everyTypeFromTheLine()
{
    QFETCH(int, type);
    LinkRig rig(type);
    rig.settings.luft = QStringLiteral("0,5");
    rig.settings.writeZeroState = 0;
    rig.settings.unstableState = 0;
    rig.link.StartReading();
    const QList<QByteArray> frames = {
        frameOf(type, "0.000"), frameOf(type, "1.250", 'U', true), frameOf(type, "1.250", 'S', true),
        frameOf(type, "1.250"), frameOf(type, "1.500"),            frameOf(type, "-1.250", 'S', true),
        frameOf(type, "0.000")};
    QByteArray all;
    for (const QByteArray &f : frames)
        all += f;
    rig.line.feed(all);

    QTRY_COMPARE(rig.link.dataStream().count(), frames.size());
    QCOMPARE(rig.line.outputs().size(), 3);
    const FrameLayout &layout = *FrameLayouts::forType(type);
    QCOMPARE(rig.journal.Rows(), 3);
    const QString unit = type == 3 ? QStringLiteral("g") : QStringLiteral("kg");
    const QList<int> recorded = {2, 5};
    for (int r = 1; r <= 2; ++r) {
        const QByteArray &f = frames[recorded[r - 1]];
        QStringList cells{QString::number(r), QString::fromLatin1(fieldOf(f, layout.weight)), unit, "S"};
        if (layout.counting)
            cells << QString::fromLatin1(fieldOf(f, layout.quantity)) << QString::fromLatin1(fieldOf(f, layout.unitWeight));
        cells << "05.03.2024 09:05:07" << "";
        QCOMPARE(rig.row(r), cells.join(QLatin1Char('\t')));
    }
    QCOMPARE(rig.link.dataStream().index(0).data(DataStreamLog::RawRole).toString(),
             DataStreamLog::entry(QString::fromLatin1(frames.last()), QTime(9, 5, 7)));
}

QTEST_GUILESS_MAIN(TstScaleLink)
#include "tst_scalelink.moc"
