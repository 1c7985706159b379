#include "common/ScaleTypes.h"
#include "journal/JournalLayout.h"

#include <QtTest>

#include <set>

class TstScaleTypes : public QObject
{
    Q_OBJECT

private slots:
    // Each row is the type of its index; every field lies inside the frame,
    // after SOH STX and clear of the others; counting types carry quantity
    // and unit weight, weighing types neither.
    void everyRowIsASoundFrame()
    {
        std::set<QString> names;
        for (int i = 0; i < ScaleTypes::Count; ++i) {
            const ScaleType *type = ScaleTypes::at(i);
            QVERIFY(type);
            QCOMPARE(type->index, i);
            QVERIFY2(names.insert(type->name).second, qPrintable(type->name));
            const FrameLayout &f = type->frame;
            QCOMPARE(f.quantity.present(), type->counting());
            QCOMPARE(f.unitWeight.present(), type->counting());
            QVERIFY(f.unit.present() != !f.fixedUnit.isEmpty());
            std::vector<bool> taken(f.frameLength + 1, false);
            for (const FrameField &field : {f.status, f.weight, f.unit, f.quantity, f.unitWeight}) {
                if (!field.present())
                    continue;
                QVERIFY(field.position > 2);
                QVERIFY(field.length > 0);
                QVERIFY(field.position + field.length - 1 <= f.frameLength);
                for (int p = field.position; p < field.position + field.length; ++p) {
                    QVERIFY2(!taken[p], qPrintable(QStringLiteral("type %1, position %2").arg(i).arg(p)));
                    taken[p] = true;
                }
            }
        }
        QVERIFY(!ScaleTypes::at(-1));
        QVERIFY(!ScaleTypes::at(ScaleTypes::Count));
    }

    // The journal takes its column set from the row's counting flag.
    void journalColumnsFollowTheCountingFlag()
    {
        for (int i = 0; i < ScaleTypes::Count; ++i) {
            const QVector<JournalColumn> expected =
                ScaleTypes::at(i)->counting() ? JournalLayout::counting() : JournalLayout::weighing();
            QCOMPARE(JournalLayout::forType(i, {}).size(), expected.size());
        }
    }

    // The two readings of the stored text: compared as text only "0".."5"
    // name a type, while the number is read from any whole number.
    void typeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("asText");
        QTest::addColumn<int>("asNumber");
        QTest::newRow("0") << "0" << 0 << 0;
        QTest::newRow("5") << "5" << 5 << 5;
        QTest::newRow("6") << "6" << -1 << 6;
        QTest::newRow("leading blank") << " 1" << -1 << 1;
        QTest::newRow("trailing blank") << "2 " << -1 << 2;
        QTest::newRow("leading zero") << "01" << -1 << 1;
        QTest::newRow("twelve") << " 12" << -1 << 12;
        QTest::newRow("negative") << "-1" << -1 << -1;
        QTest::newRow("empty") << "" << -1 << 0;
        QTest::newRow("word") << "abc" << -1 << 0;
        QTest::newRow("fraction") << "1,5" << -1 << 0;
        QTest::newRow("full-width digit") << QStringLiteral("\uff11") << -1 << 0;
    }

    void typeText()
    {
        QFETCH(QString, text);
        QFETCH(int, asText);
        QFETCH(int, asNumber);
        QCOMPARE(ScaleTypes::fromText(text), asText);
        QCOMPARE(ScaleTypes::numberFromText(text), asNumber);
    }
};

QTEST_APPLESS_MAIN(TstScaleTypes)
#include "tst_scaletypes.moc"
