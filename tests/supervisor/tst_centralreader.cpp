// The supervisor's reader and model against a real server: what a filter
// selects and in which order, live rows, late rows, paging by key, a
// reading's history, exact totals, and a server that goes away and comes back.
#include "report/TotalsText.h"
#include "supervisor/CentralReader.h"
#include "supervisor/ReaderThread.h"
#include "supervisor/SelectionReport.h"
#include "supervisor/SelectionTotalsText.h"
#include "supervisor/SupervisorModel.h"
#include "supervisor/ViewerConnection.h"
#include "support/CentralServer.h"

#include <QRandomGenerator>
#include <QSignalSpy>

#include <QTcpServer>

#include <libpq-fe.h>

#include <map>

Q_DECLARE_METATYPE(CentralConnection)

namespace {

// A reader on its own thread and the model over it, as the window has them.
struct Viewer {
    ReaderThread thread;
    std::unique_ptr<SupervisorModel> model;

    explicit Viewer(ReaderTimeouts timeouts = {5000ms, 5000ms, 300ms, 1000ms}, int pageRows = 200, int maxRows = 2000,
                    const QString &connection = conninfo(QStringLiteral("viewer")))
        : thread(connection, timeouts), model(std::make_unique<SupervisorModel>(thread.reader(), pageRows, maxRows))
    {
    }
};

// Each row as "station name/number", in the model's order.
QStringList labels(const SupervisorModel &model)
{
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r)
        out << model.data(model.index(r, 0), Qt::DisplayRole).toString() + QLatin1Char('/')
                   + model.data(model.index(r, 1), Qt::DisplayRole).toString();
    return out;
}

ReadingFilter only(const QStringList &stations)
{
    ReadingFilter f;
    f.stations = stations;
    return f;
}

// thousandths as the server writes a numeric of scale 3
QString decimal(qint64 thousandths)
{
    return QStringLiteral("%1%2.%3").arg(thousandths < 0 ? "-" : "").arg(std::abs(thousandths) / 1000)
        .arg(std::abs(thousandths) % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

class tst_CentralReader : public QObject
{
    Q_OBJECT

    std::unique_ptr<Appender> m_a, m_b, m_c;
    QTcpServer m_silent;

private slots:
    void initTestCase()
    {
        QVERIFY(ready());

        // Three stations' readings, yesterday and today, one deleted.
        m_a = std::make_unique<Appender>(QStringLiteral("Весы 1"));
        m_b = std::make_unique<Appender>(QStringLiteral("Весы 2"));
        m_c = std::make_unique<Appender>(QStringLiteral("Весы 3"));
        m_a->record(today(15).addDays(-1), QStringLiteral("  1.000"), QStringLiteral("kg"), QStringLiteral("партия 7"));
        m_a->record(today(9), QStringLiteral("  2.500"), QStringLiteral("kg"));
        m_a->record(today(21), QStringLiteral("  0.125"), QStringLiteral(" g"), QStringLiteral("Брак"));
        m_b->record(today(8, 30), QStringLiteral(" 10.000"), QStringLiteral("kg"), QStringLiteral("ПАРТИЯ 8"));
        const qint64 gone = m_b->record(today(10), QStringLiteral("  3.300"), QStringLiteral("kg"));
        m_b->remove(gone);
        m_c->record(today(9, 30), QStringLiteral("  7.000"), QStringLiteral("kg"), QStringLiteral("x"));
        m_c->record(today(20, 30), QStringLiteral("  1.500"), QStringLiteral("kg"), QStringLiteral("Партия 9"));
    }

    void filters_data()
    {
        QTest::addColumn<ReadingFilter>("filter");
        QTest::addColumn<QStringList>("expected");
        const QStringList abc{m_a->uuid, m_b->uuid, m_c->uuid};
        ReadingFilter f = only(abc);
        QTest::newRow("three stations in station time") << f
            << QStringList{"Весы 1/1", "Весы 2/1", "Весы 1/2", "Весы 3/1", "Весы 3/2", "Весы 1/3"};
        f.withDeleted = true;
        QTest::newRow("deleted ones shown") << f
            << QStringList{"Весы 1/1", "Весы 2/1", "Весы 1/2", "Весы 3/1", "Весы 2/2", "Весы 3/2", "Весы 1/3"};
        f = only({m_a->uuid, m_c->uuid});
        QTest::newRow("two stations") << f << QStringList{"Весы 1/1", "Весы 1/2", "Весы 3/1", "Весы 3/2", "Весы 1/3"};
        f = only(abc);
        f.period = ReadingFilter::Period::Today;
        QTest::newRow("today") << f << QStringList{"Весы 2/1", "Весы 1/2", "Весы 3/1", "Весы 3/2", "Весы 1/3"};
        f.period = ReadingFilter::Period::Range;
        f.from = today(8);
        f.to = today(20);
        QTest::newRow("from 08:00 to 20:00") << f << QStringList{"Весы 2/1", "Весы 1/2", "Весы 3/1"};
        f = only(abc);
        f.noteContains = QStringLiteral("партия");
        QTest::newRow("note contains, any case") << f << QStringList{"Весы 1/1", "Весы 2/1", "Весы 3/2"};
        f.noteContains = QStringLiteral("%");
        QTest::newRow("a pattern character is text") << f << QStringList{};
        f = only(abc);
        f.unit = QStringLiteral("g");
        QTest::newRow("unit") << f << QStringList{"Весы 1/3"};
    }

    void filters()
    {
        QFETCH(ReadingFilter, filter);
        QFETCH(QStringList, expected);
        Viewer viewer;
        QSignalSpy reset(viewer.model.get(), &QAbstractItemModel::modelReset);
        viewer.model->select(filter);
        QVERIFY(reset.wait(5000));
        QCOMPARE(labels(*viewer.model), expected);
    }

    void shifts_data()
    {
        QTest::addColumn<QList<QTime>>("starts");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        const QList<QTime> twoShifts{QTime(8, 0), QTime(20, 0)};
        const QDate d(2026, 12, 9);
        QTest::newRow("day shift") << twoShifts << QDateTime(d, QTime(10, 0))
                                   << QDateTime(d, QTime(8, 0)) << QDateTime(d, QTime(20, 0));
        QTest::newRow("at its start") << twoShifts << QDateTime(d, QTime(8, 0))
                                      << QDateTime(d, QTime(8, 0)) << QDateTime(d, QTime(20, 0));
        QTest::newRow("night, evening") << twoShifts << QDateTime(d, QTime(23, 0))
                                        << QDateTime(d, QTime(20, 0)) << QDateTime(d.addDays(1), QTime(8, 0));
        QTest::newRow("night, after midnight") << twoShifts << QDateTime(d, QTime(3, 0))
                                               << QDateTime(d.addDays(-1), QTime(20, 0)) << QDateTime(d, QTime(8, 0));
        QTest::newRow("three shifts, set unsorted") << QList<QTime>{QTime(22, 0), QTime(6, 0), QTime(14, 0)}
                                                    << QDateTime(d, QTime(13, 59))
                                                    << QDateTime(d, QTime(6, 0)) << QDateTime(d, QTime(14, 0));
    }

    void shifts()
    {
        QFETCH(QList<QTime>, starts);
        QFETCH(QDateTime, now);
        ReadingFilter f;
        f.period = ReadingFilter::Period::Shift;
        f.shiftStarts = starts;
        const auto [from, to] = f.interval(now);
        QTEST(from, "from");
        QTEST(to, "to");
    }

    void live_late_rows_and_history()
    {
        Appender d(QStringLiteral("Весы 4"));
        Appender late(QStringLiteral("Весы 5"));
        const qint64 first = d.record(today(11), QStringLiteral("  4.000"), QStringLiteral("kg"));
        Viewer viewer;
        QSignalSpy stations(viewer.model.get(), &SupervisorModel::stationsRead);
        viewer.model->select(only({d.uuid, late.uuid}));
        QTRY_COMPARE(labels(*viewer.model), QStringList{"Весы 4/1"});
        // The stations to choose from, with their names.
        QCOMPARE(stations.size(), 1);
        const auto known = stations.first().at(0).value<QList<QPair<QString, QString>>>();
        QVERIFY(known.contains(qMakePair(d.uuid, QStringLiteral("Весы 4"))));
        QVERIFY(known.contains(qMakePair(m_a->uuid, QStringLiteral("Весы 1"))));

        // Committed by a station: shown without a refresh.
        d.record(today(11, 30), QStringLiteral("  4.500"), QStringLiteral("kg"));
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 4/1", "Весы 4/2"}));
        // A station back after a day offline: its rows where they happened.
        late.record(today(10).addDays(-1), QStringLiteral("  1.000"), QStringLiteral("kg"));
        late.record(today(11, 15), QStringLiteral("  1.100"), QStringLiteral("kg"));
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 5/1", "Весы 4/1", "Весы 5/2", "Весы 4/2"}));
        // A note changed twice and a row deleted at a station follow too.
        d.changeNote(first, QString(), QStringLiteral("первая"));
        QTRY_COMPARE(viewer.model->data(viewer.model->index(1, 8), Qt::DisplayRole).toString(), QStringLiteral("первая"));
        d.changeNote(first, QStringLiteral("первая"), QStringLiteral("вторая «2»\t"));
        d.remove(first);
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 5/1", "Весы 5/2", "Весы 4/2"}));

        // Shown again with the deleted ones, struck through; its history,
        // the audit trail: every event in order with old and new values.
        ReadingFilter withDeleted = only({d.uuid});
        withDeleted.withDeleted = true;
        viewer.model->select(withDeleted);
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 4/1", "Весы 4/2"}));
        QVERIFY(viewer.model->data(viewer.model->index(0, 0), SupervisorModel::DeletedRole).toBool());
        QSignalSpy history(viewer.model.get(), &SupervisorModel::historyReady);
        viewer.model->requestHistory(0);
        QVERIFY(history.wait(5000));
        QStringList got;
        for (const HistoryEvent &e : history.first().at(2).value<QList<HistoryEvent>>())
            got << QStringLiteral("%1|%2|%3|%4|%5|%6").arg(e.seq).arg(e.kind, e.oldValue, e.newValue, e.osUser, e.stationName);
        QCOMPARE(got, (QStringList{"1|recorded||4.000 kg|оператор|Весы 4",
                                   "3|note_changed||первая|оператор|Весы 4",
                                   "4|note_changed|первая|вторая «2»\t|оператор|Весы 4",
                                   "5|deleted|||оператор|Весы 4"}));
    }

    void pages_by_key()
    {
        Appender s(QStringLiteral("Весы 6"));
        QStringList all;
        for (int i = 1; i <= 23; ++i) {
            s.record(today(6).addSecs(60 * i), QStringLiteral("1.0"), QStringLiteral("kg"));
            all << QStringLiteral("Весы 6/%1").arg(i);
        }
        // Pages of 4, at most 8 rows held: the newest page first, then
        // older pages up to the first reading, then newer ones back.
        Viewer viewer({}, 4, 8);
        viewer.model->select(only({s.uuid}));
        QTRY_COMPARE(labels(*viewer.model), all.mid(19));
        QStringList seen = labels(*viewer.model);
        int most = 0;
        while (viewer.model->hasOlder()) {
            const QString top = labels(*viewer.model).first();
            viewer.model->fetchOlder();
            QTRY_VERIFY(labels(*viewer.model).first() != top);
            const QStringList now = labels(*viewer.model);
            seen = now.mid(0, now.indexOf(top)) + seen;
            most = std::max(most, viewer.model->rowCount());
        }
        QCOMPARE(seen, all);
        QCOMPARE(most, 8);
        QVERIFY(viewer.model->hasNewer());
        while (viewer.model->hasNewer()) {
            const QString bottom = labels(*viewer.model).last();
            viewer.model->fetchNewer();
            QTRY_VERIFY(labels(*viewer.model).last() != bottom);
        }
        QCOMPARE(labels(*viewer.model), all.mid(15));

        // An export reads every row, page by page in the same order, from
        // one snapshot: a reading committed after it is not among them.
        SelectionReport report(only({s.uuid}), QDateTime::currentDateTime(), {}, 5000ms, 4);
        QVERIFY2(report.open(conninfo(QStringLiteral("viewer"))), qPrintable(report.error()));
        s.record(today(6, 30), QStringLiteral("1.0"), QStringLiteral("kg"));
        QCOMPARE(report.rowCount(), 23);
        QStringList exported;
        for (int r = 0; r < report.rowCount(); ++r)
            exported << report.cell(r, 0) + QLatin1Char('/') + report.cell(r, 1);
        QCOMPARE(exported, all);
        QCOMPARE(report.cell(0, 1), QStringLiteral("1")); // from the start again
        QVERIFY(report.complete());
        QCOMPARE(report.totals().first().sum, QStringLiteral("23.0"));
        // The server gone while rows are read: the report is incomplete.
        QVERIFY(!superuser("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE usename = 'viewer'").isEmpty());
        QCOMPARE(report.cell(22, 1), QString());
        QVERIFY(!report.complete());
    }

    void totals()
    {
        // Two stations, two units, weights drawn from a fixed seed; summed
        // here in thousandths, apart from the server.
        Appender h(QStringLiteral("Весы 8"));
        Appender i(QStringLiteral("Весы 9"));
        QRandomGenerator random(20261209);
        struct Sum { qint64 n = 0, sum = 0, min = LLONG_MAX, max = LLONG_MIN; double squares = 0; };
        std::map<QString, Sum> expected; // "station|unit"
        for (Appender *s : {&h, &i}) {
            for (int k = 0; k < 40; ++k) {
                const qint64 w = random.bounded(-500, 100000);
                const QString unit = k % 3 ? QStringLiteral("kg") : QStringLiteral("g");
                const qint64 id = s->record(today(5).addSecs(k), decimal(w), unit);
                if (k == 7) { // deleted: out of the totals
                    s->remove(id);
                    continue;
                }
                for (const QString &key : {s->name + '|' + unit, QStringLiteral("|") + unit}) {
                    Sum &e = expected[key];
                    ++e.n;
                    e.sum += w;
                    e.min = std::min(e.min, w);
                    e.max = std::max(e.max, w);
                    e.squares += double(w) * double(w);
                }
            }
        }
        Viewer viewer;
        viewer.model->select(only({h.uuid, i.uuid}));
        QSignalSpy totals(viewer.model.get(), &SupervisorModel::totalsReady);
        viewer.model->requestTotals();
        QVERIFY(totals.wait(5000));
        const auto rows = totals.first().at(0).value<QList<SelectionTotal>>();
        QCOMPARE(rows.size(), int(expected.size()));
        for (const SelectionTotal &t : rows) {
            const QString key = t.stationName + '|' + t.unit;
            QVERIFY2(expected.count(key), qPrintable(key));
            const Sum &e = expected[key];
            QCOMPARE(t.readings, e.n);
            QCOMPARE(t.sum, decimal(e.sum));
            QCOMPARE(t.min, decimal(e.min));
            QCOMPARE(t.max, decimal(e.max));
            const double mean = double(e.sum) / e.n / 1000;
            QVERIFY(std::abs(t.mean.toDouble() - mean) < 1e-6);
            const double variance = (e.squares / 1e6 - e.n * mean * mean) / (e.n - 1);
            QVERIFY2(std::abs(t.stddev.toDouble() - std::sqrt(variance)) < 1e-5, qPrintable(t.stddev));
        }
        // Worded as a station words its "Итого:", a line a station and
        // one over both.
        const QStringList text = SelectionTotalsText::lines(rows);
        QCOMPARE(text.size(), 3);
        const QStringList owners{h.name, i.name, QStringLiteral("Все выбранные")};
        for (int k = 0; k < 3; ++k) {
            QVERIFY2(text[k].startsWith(owners[k] + QStringLiteral(": Итого: ")), qPrintable(text[k]));
            for (const QString &unit : {QStringLiteral("g"), QStringLiteral("kg")}) {
                const Sum &e = expected[(k < 2 ? owners[k] : QString()) + '|' + unit];
                const QString figures = unit + QStringLiteral(": ") + TotalsText::rows(e.n) + QStringLiteral(", сумма ")
                    + decimal(e.sum).replace('.', ',') + ' ' + unit;
                QVERIFY2(text[k].contains(figures), qPrintable(text[k] + " / " + figures));
            }
        }
    }

    // The central settings as libpq's connection string: every value reads
    // back as it was, blanks, quotes and backslashes too.
    void connection_string_data()
    {
        QTest::addColumn<CentralConnection>("connection");
        CentralConnection plain;
        plain.host = QStringLiteral("db.example");
        plain.user = QStringLiteral("supervisor");
        QTest::newRow("plain") << plain;
        CentralConnection odd = plain;
        odd.host = QStringLiteral("/tmp/a folder");
        odd.user = QStringLiteral("o'brien");
        odd.sslMode = QStringLiteral("verify-full");
        odd.sslRootCert = QStringLiteral("C:\\certs\\root ca.crt");
        odd.passFile = QStringLiteral("/home/x/it's \\Central.pgpass");
        QTest::newRow("blanks, quotes, backslashes") << odd;
    }

    void connection_string()
    {
        QFETCH(CentralConnection, connection);
        char *error = nullptr;
        PQconninfoOption *options = PQconninfoParse(ViewerConnection::conninfo(connection).toUtf8().constData(), &error);
        QVERIFY2(options, error);
        QMap<QString, QString> read;
        for (PQconninfoOption *o = options; o->keyword; ++o) {
            if (o->val)
                read.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
        }
        PQconninfoFree(options);
        const QMap<QString, QString> given{{"host", connection.host}, {"port", QString::number(connection.port)},
                                           {"dbname", connection.database}, {"user", connection.user},
                                           {"sslmode", connection.sslMode}, {"sslrootcert", connection.sslRootCert},
                                           {"passfile", connection.passFile}};
        for (auto it = given.begin(); it != given.end(); ++it)
            QCOMPARE(read.value(it.key()), it.value());
    }

    void not_readable_data()
    {
        QTest::addColumn<QString>("connection");
        QTest::addColumn<QString>("message");
        // A port that accepts connections (the kernel completes them) and
        // never answers.
        QVERIFY(m_silent.listen(QHostAddress::LocalHost));
        QTest::newRow("a server that never answers")
            << QStringLiteral("host=127.0.0.1 port=%1 dbname=tarovik user=viewer").arg(m_silent.serverPort())
            << QStringLiteral("Центральная база не отвечает.");
        QTest::newRow("a login that is no viewer") << conninfo(login(QStringLiteral("outsider"), QString()))
            << QStringLiteral("Нет права читать центральный журнал: роль должна входить в tarovik_viewer.");
    }

    // The reader says why it cannot read, and the window's thread goes on.
    void not_readable()
    {
        QFETCH(QString, connection);
        // Timeouts well inside the moment the thread is given to end.
        Viewer viewer({100ms, 100ms, 5000ms, 5000ms}, 200, 2000, connection);
        QSignalSpy state(viewer.model.get(), &SupervisorModel::stateChanged);
        viewer.model->select(ReadingFilter{});
        QVERIFY(state.wait(5000));
        QCOMPARE(state.first().at(0).toBool(), false);
        QTEST(state.first().at(1).toString(), "message");
        QCOMPARE(viewer.model->rowCount(), 0);
    }

    void server_stopped_and_started()
    {
        Appender s(QStringLiteral("Весы 10"));
        s.record(today(4), QStringLiteral("  1.000"), QStringLiteral("kg"));
        // Connecting again every 2 s: an event committed before the reader
        // listens again reaches it only by catching up.
        Viewer viewer({2000ms, 2000ms, 2000ms, 2000ms});
        QSignalSpy state(viewer.model.get(), &SupervisorModel::stateChanged);
        viewer.model->select(only({s.uuid}));
        QTRY_COMPARE(viewer.model->rowCount(), 1);

        // The server stopped for 3 s and started again, in the background.
        QProcess away;
        pause(away, 3);
        QVERIFY(away.waitForStarted());
        QTRY_VERIFY(!state.isEmpty() && !state.last().at(0).toBool());
        QVERIFY(state.last().at(1).toString().contains(QStringLiteral("центральн"), Qt::CaseInsensitive));
        QCOMPARE(labels(*viewer.model), QStringList{"Весы 10/1"}); // kept while away

        QVERIFY(away.waitForFinished(60000));
        QVERIFY2(away.exitCode() == 0, away.readAllStandardError().constData());
        s.reconnect();
        s.record(today(4, 5), QStringLiteral("  2.000"), QStringLiteral("kg"));
        QTRY_VERIFY_WITH_TIMEOUT(!state.isEmpty() && state.last().at(0).toBool(), 10000);
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 10/1", "Весы 10/2"}));
        // And it listens again.
        s.record(today(4, 10), QStringLiteral("  3.000"), QStringLiteral("kg"));
        QTRY_COMPARE(labels(*viewer.model), (QStringList{"Весы 10/1", "Весы 10/2", "Весы 10/3"}));
    }
};

QTEST_GUILESS_MAIN(tst_CentralReader)
#include "tst_centralreader.moc"
