// A recorded reading as the central journal's insert function takes it:
// every cell under its column's name, exact decimals. The other kinds and the
// batch are held by tst_centralsender, field by field, against the server.
#include "central/CentralEvent.h"
#include "journal/JournalLayout.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimeZone>

class TestCentralEvent : public QObject
{
    Q_OBJECT

private slots:
    void exactDecimal_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("exact");
        QTest::newRow("point") << "  12.350" << "12.350";
        QTest::newRow("comma") << "12,35" << "12.35";
        QTest::newRow("negative below one") << " -0.005" << "-0.005";
        QTest::newRow("whole") << "  150" << "150";
        QTest::newRow("no number") << "ERR" << "";
        QTest::newRow("empty") << "" << "";
    }
    void exactDecimal()
    {
        QFETCH(QString, cell);
        QFETCH(QString, exact);
        QCOMPARE(CentralJson::exactDecimal(cell), exact);
    }

    void recorded_data()
    {
        QTest::addColumn<int>("scaleType");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("expected"); // members beyond the common ones, as JSON
        QTest::newRow("weighing") << 0 << QStringList{"17", "  12.350", "kg", "S", "09.12.2026 11:15:02", "партия"}
                                  << "{\"kind\":\"recorded\",\"scale_type\":0,\"journal_file\":\"C:\\\\Журналы\\\\склад.txt\",\"nom_pp\":\"17\",\"weight_text\":\"  12.350\",\"unit\":\"kg\",\"stat\":\"S\",\"time_text\":\"09.12.2026 11:15:02\",\"note\":\"партия\",\"weight\":\"12.350\"}";
        QTest::newRow("a note a careless writer spoils")
            << 0 << QStringList{"18", "1", "kg", "S", "t", QStringLiteral("\"кав\" \\ \t\r\n\x01 ő 😀")}
            << "{\"kind\":\"recorded\",\"scale_type\":0,\"journal_file\":\"C:\\\\Журналы\\\\склад.txt\",\"nom_pp\":\"18\",\"weight_text\":\"1\",\"unit\":\"kg\",\"stat\":\"S\",\"time_text\":\"t\",\"note\":\"\\\"кав\\\" \\\\ \\t\\r\\n\\u0001 ő 😀\",\"weight\":\"1\"}";
        QTest::newRow("weight no number") << 1 << QStringList{"1", "------", "g", "U", "t", ""}
                                          << "{\"kind\":\"recorded\",\"scale_type\":1,\"journal_file\":\"C:\\\\Журналы\\\\склад.txt\",\"nom_pp\":\"1\",\"weight_text\":\"------\",\"unit\":\"g\",\"stat\":\"U\",\"time_text\":\"t\",\"note\":\"\"}";
        QTest::newRow("counting") << 2 << QStringList{"3", "1.5", "kg", "S", "40", "0.0375", "t", "n"}
                                  << "{\"kind\":\"recorded\",\"scale_type\":2,\"journal_file\":\"C:\\\\Журналы\\\\склад.txt\",\"nom_pp\":\"3\",\"weight_text\":\"1.5\",\"unit\":\"kg\",\"stat\":\"S\",\"kol_text\":\"40\",\"unit_weight_text\":\"0.0375\",\"time_text\":\"t\",\"note\":\"n\",\"weight\":\"1.5\",\"quantity\":\"40\"}";
        // A row with fewer cells than its columns (a damaged file's row) still
        // has every member the schema requires.
        QTest::newRow("short row") << 4 << QStringList{"9"}
                                   << "{\"kind\":\"recorded\",\"scale_type\":4,\"journal_file\":\"C:\\\\Журналы\\\\склад.txt\",\"nom_pp\":\"9\",\"weight_text\":\"\",\"unit\":\"\",\"stat\":\"\",\"kol_text\":\"\",\"unit_weight_text\":\"\",\"time_text\":\"\",\"note\":\"\"}";
    }
    void recorded()
    {
        QFETCH(int, scaleType);
        QFETCH(QStringList, cells);
        QFETCH(QString, expected);
        const auto columns = scaleType == 2 || scaleType == 4 ? JournalLayout::counting() : JournalLayout::weighing();
        CentralEvent e = CentralEvent::recorded(scaleType, QStringLiteral("C:\\Журналы\\склад.txt"), columns, cells);
        e.osUser = QStringLiteral("иванова");
        e.stationTime = QDateTime(QDate(2026, 12, 9), QTime(11, 15, 2, 120), QTimeZone(3 * 3600));
        QJsonObject got = QJsonDocument::fromJson(e.toJson(41)).object();
        QCOMPARE(got.take("seq").toInteger(), 41);
        QCOMPARE(got.take("station_time").toString(), QStringLiteral("2026-12-09T08:15:02.120Z"));
        QCOMPARE(got.take("utc_offset").toInt(), 10800);
        QCOMPARE(got.take("os_user").toString(), QStringLiteral("иванова"));
        QCOMPARE(got, QJsonDocument::fromJson(expected.toUtf8()).object());
    }
};

QTEST_GUILESS_MAIN(TestCentralEvent)
#include "tst_centralevent.moc"
