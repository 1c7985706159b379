#include "settings/SettingsModel.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The live settings as the dialog edits them and the readers see them.
class TestSettingsModel : public QObject
{
    Q_OBJECT

    // Dead zones "0", "1", … "5" as stored, one per type; type 2 selected.
    static StoredSettings stored()
    {
        StoredSettings s;
        for (int i = 0; i < ScaleTypes::Count; ++i)
            s.luft[i] = QString::number(i);
        s.scaleType = 2;
        s.commNom = QStringLiteral("3");
        return s;
    }

private slots:
    void deadZoneInForce_data()
    {
        // An edit is a box and its text; then a type is selected (-1: none)
        // and the selected type's box left (validate).
        QTest::addColumn<int>("editedBox");
        QTest::addColumn<QString>("editedText");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("validate");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("inForce");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<float>("deadZone");

        QTest::newRow("loaded") << 0 << "0" << -1 << false << 2 << "2" << true << 2.0f;
        QTest::newRow("selection copies its box") << 0 << "0" << 4 << false << 4 << "4" << true << 4.0f;
        QTest::newRow("typing alone puts nothing in force") << 2 << "7" << -1 << false << 2 << "2" << true << 2.0f;
        QTest::newRow("leaving the box puts it in force") << 2 << "7" << -1 << true << 2 << "7" << true << 7.0f;
        QTest::newRow("full stop becomes comma on leaving") << 2 << "1.25" << -1 << true << 2 << "1,25" << true << 1.25f;
        QTest::newRow("selection copies as typed") << 5 << "1.5" << 5 << false << 5 << "1.5" << false << 0.0f;
        QTest::newRow("empty is zero") << 1 << "" << 1 << true << 1 << "" << true << 0.0f;
        QTest::newRow("other box edited, selected stays") << 4 << "9" << -1 << true << 2 << "2" << true << 2.0f;
        QTest::newRow("no such type") << 0 << "0" << 6 << false << 2 << "2" << true << 2.0f;
        QTest::newRow("negative type") << 0 << "0" << -2 << false << 2 << "2" << true << 2.0f;
        QTest::newRow("no number") << 3 << "," << 3 << true << 3 << "," << false << 0.0f;
    }

    void deadZoneInForce()
    {
        QFETCH(int, editedBox);
        QFETCH(QString, editedText);
        QFETCH(int, selected);
        QFETCH(bool, validate);
        SettingsModel m;
        m.load(stored());
        m.setLuft(editedBox, editedText);
        m.selectScaleType(selected);
        if (validate)
            m.validateLuft();

        QTEST(m.scaleTypeIndex(), "type");
        QCOMPARE(m.scaleTypeText(), QString::number(m.scaleTypeIndex()));
        QTEST(m.luftText(), "inForce");
        QFETCH(bool, isNumber);
        QCOMPARE(m.deadZone().has_value(), isNumber);
        if (isNumber)
            QTEST(*m.deadZone(), "deadZone");
        if (validate) // the box shows what was put in force
            QCOMPARE(m.luft(m.scaleTypeIndex()), m.luftText());
    }

    void port_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("number"); // 0: no port number

        QTest::newRow("listed") << "3" << 3;
        QTest::newRow("beyond the scan") << "32" << 32;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters") << "x" << 0;
    }

    void port()
    {
        QFETCH(QString, typed);
        QFETCH(int, number);
        SettingsModel m;
        m.load(stored());
        m.setPortText(typed);
        QCOMPARE(m.portText(), typed); // as typed, for messages and the status line
        QCOMPARE(m.portNumber().value_or(0), number);
        QCOMPARE(m.stored().commNom, typed);
    }

    // What "Сохранить" stores: exactly what the model holds, with the keys,
    // order and bytes of the settings file as loaded.
    void storesWhatItHolds()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("a.ini"));
        const QString second = dir.filePath(QStringLiteral("b.ini"));
        StoredSettings s = stored();
        s.bell = 1;
        s.showStreamData = 2;
        SettingsStore::save(first, s);

        SettingsModel m;
        m.load(SettingsStore::load(first));
        QCOMPARE(m.bell(), 1);
        QCOMPARE(m.writeZero(), 0);
        QCOMPARE(m.showStreamData(), 2);
        SettingsStore::save(second, m.stored());
        QFile a(first), b(second);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), a.readAll());

        m.setFlag(SettingsModel::WriteZero, 1);
        m.setFlag(SettingsModel::UnstableResult, 2);
        m.setFlag(SettingsModel::Bell, 0);
        m.setLuft(0, QStringLiteral("0,5"));
        m.selectScaleType(5);
        const StoredSettings out = m.stored();
        QCOMPARE(out.bell, 0);
        QCOMPARE(out.writeZero, 1);
        QCOMPARE(out.unstableResult, 2);
        QCOMPARE(out.showStreamData, 2);
        QCOMPARE(out.luft[0], QStringLiteral("0,5"));
        QCOMPARE(out.scaleType, 5);
        QCOMPARE(m.writeZero(), 1);
        QCOMPARE(m.unstableResult(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSettingsModel)
#include "tst_settingsmodel.moc"
