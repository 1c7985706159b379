// A site: three stations, each the real main window with the real serial
// line on a pseudo-terminal fed by the virtual scale, the real outbox and
// sender, and one real PostgreSQL (the fixture's). Notes are changed, rows
// deleted and journals emptied while the readings stream in, and one fault
// after another meets the stations, in an order and at moments drawn from a
// fixed seed: connections killed by the server, a commit's answer cut on the
// line followed by a server that accepts and never answers, a wrong
// password, the right to insert taken away, a newer schema, an unknown host
// set in the settings, and the server stopped for a while. Each fault lasts
// until its station has shown it. At the end each station's events are 1..N
// in the central journal, and its readings since its last emptied journal
// are its own journal, cell by cell.
#include "app/frm1.h"
#include "central/CentralJournal.h"
#include "central/CentralSettings.h"
#include "central/CentralTexts.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/Recorder.h"
#include "link/ScaleLink.h"
#include "settings/IniTxt.h"
#include "station/Station.h"
#include "support/CentralServer.h"
#include "support/CuttingProxy.h"
#include "support/TestWindow.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {

constexpr int Timeout = 30000;

// A size the sanitizer build makes smaller through the environment.
int setting(const char *name, int otherwise)
{
    const int value = qEnvironmentVariableIntValue(name);
    return value > 0 ? value : otherwise;
}

// Notes as operators type them, with what a careless query would spoil.
QString note(int i)
{
    return QStringLiteral("партия %1 «a» \"b\" 'c' ő Ω 😀 ');--").arg(i);
}

struct SiteStation {
    TestWindow window;
    QProcess scale;
    QUuid uuid;
    QString role;
    QSet<QString> shown; // every reason the station gave for not sending
    int recorded = 0;            // readings recorded
    int deletedSinceEmptied = 0; // rows the test deleted from the current journal
    qint64 events = 0;           // the events the station numbered, by the test's count

    frm1 &w() { return *window.window; }
    CentralJournal &central() { return w().station().central(); }
    JournalGrid &journal() { return w().journal(); }

    // A recorded row from 1 to Rows() - 1 at random; 0 when none.
    int someRow(QRandomGenerator &random)
    {
        for (int tries = 0; tries < 10 && journal().Rows() > 1; ++tries) {
            const int row = 1 + int(random.bounded(journal().Rows() - 1));
            if (journal().readingId(row) != 0)
                return row;
        }
        return 0;
    }

    // The readings of the current journal, as JSON arrays [id, NomPP,
    // weight, unit, status, time, note], in order.
    QJsonArray ownReadings()
    {
        QJsonArray rows;
        for (int r = 1; r < journal().Rows(); ++r) {
            if (const qint64 id = journal().readingId(r)) {
                QJsonArray row{id};
                for (int c = 1; c < journal().Cols(); ++c)
                    row.append(journal().TextMatrix(r, c));
                rows.append(row);
            }
        }
        return rows;
    }

    QJsonArray centralReadings(bool deleted)
    {
        const QString json = superuser(
            QStringLiteral("SELECT coalesce(json_agg(json_build_array(reading, nom_pp, weight_text, unit, stat, "
                           "time_text, note) ORDER BY reading), '[]') FROM tarovik.readings "
                           "WHERE station = '%1' AND in_journal AND deleted = %2")
                .arg(uuid.toString(QUuid::WithoutBraces))
                .arg(deleted ? "true" : "false"));
        return QJsonDocument::fromJson(json.toUtf8()).array();
    }
};

// A fault of the run: started, then ended once over() holds.
struct Fault {
    QString name;
    std::function<void()> start;
    std::function<bool()> over;
    std::function<void()> end = [] {};
    bool started = false;
    bool ended = false;
};

void terminate(const QString &roles)
{
    superuser(QStringLiteral("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE usename LIKE '%1'")
                  .arg(roles));
}

} // namespace

class TstCentralSite : public QObject
{
    Q_OBJECT

private slots:
    void threeStationsThroughFaults();
};

void TstCentralSite::threeStationsThroughFaults()
{
    QVERIFY2(ready(), "the fixture's server is not there");
    const int readings = setting("TAROVIK_SITE_READINGS", 10000);
    CuttingProxy proxy(quint16(CentralServer::port()), false);
    std::vector<std::unique_ptr<SiteStation>> stations;
    for (int s = 0; s < 3; ++s) {
        auto st = std::make_unique<SiteStation>();
        const int port = s + 1;
        const QString password = QStringLiteral("весы %1").arg(s);
        const QString role = login(QStringLiteral("site"), QStringLiteral("IN ROLE tarovik_station"), password);
        st->role = role;
        const QString ini = st->window.ini();
        WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("txtValTypeScale"), QStringLiteral("0"));
        WriteIniValue(ini, QStringLiteral("UserSettings"), QStringLiteral("arrLuft_0"), QStringLiteral("0"));
        WriteIniValue(ini, QStringLiteral("LastSettings"), QStringLiteral("CommNom"), QString::number(port));
        CentralSettings central;
        central.enabled = true;
        central.connection.host = QStringLiteral("127.0.0.1");
        central.connection.port = s == 2 ? proxy.port() : CentralServer::port(); // the third through the proxy
        central.connection.user = role;
        central.connection.sslMode = QStringLiteral("disable");
        central.connection.stationName = QStringLiteral("Весы %1").arg(s + 1);
        QVERIFY(central.write(ini));
        QVERIFY(CentralSettings::writePassword(ini, central.connection, password));
        st->uuid = CentralSettings::read(ini).connection.station;
        QVERIFY(!st->uuid.isNull());

        st->scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                        {"--folder", st->window.folder.path(), "--port", QString::number(port), "--type", "0",
                         "--interval-ms", "5", "--count", QString::number(readings), "--stay", "--weights",
                         "1.000,2.000,3.000"});
        QVERIFY(st->scale.waitForStarted(Timeout));
        QTRY_VERIFY_WITH_TIMEOUT(
            QFileInfo::exists(st->window.folder.filePath(QStringLiteral("ports/COM%1").arg(port))), Timeout);
        frm1 &w = st->window.start(std::make_unique<QtSerialLine>(st->window.folder.path()));
        st->events = 1; // the journal the program starts with is empty
        SiteStation *raw = st.get();
        QObject::connect(&w.scaleLink().recorder(), &Recorder::recorded, [raw] { ++raw->recorded; });
        QObject::connect(&raw->central(), &CentralJournal::stateChanged, [raw] {
            if (const QString reason = raw->central().state().reason; !reason.isEmpty())
                raw->shown.insert(reason);
        });
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        stations.push_back(std::move(st));
    }

    // The faults, one after another.
    const QString allRoles = QStringLiteral("site_%1_%").arg(QCoreApplication::applicationPid());
    const auto showed = [&](int s, const QString &reason) { return stations.at(s)->shown.contains(reason); };
    const CentralSettings firstSettings = CentralSettings::read(stations.at(0)->window.ini());
    QProcess away;
    const int pauseSeconds = setting("TAROVIK_SITE_PAUSE_S", 20);
    // A fault made on the server: a statement, the stations' connections
    // killed so that they meet it, and the statement that takes it back.
    const auto onServer = [&](const QString &name, const QString &make, const QString &roles,
                              std::function<bool()> shown, const QString &undo) {
        const auto start = [=] {
            superuser(make);
            terminate(roles);
        };
        return Fault{name, start, std::move(shown), [=] { superuser(undo); }};
    };
    const QString first = stations.at(0)->role, second = stations.at(1)->role;
    const QString tooNew = CentralTexts::schemaTooNew(99, 1);
    QList<Fault> faults{
        {QStringLiteral("connections killed"), [&] { terminate(allRoles); }, [] { return true; }},
        {QStringLiteral("answer cut, then a silent server"), [&] { proxy.cutNext(true); },
         [&] { return proxy.cuts() == 1 && showed(2, CentralTexts::noAnswer(QStringLiteral("127.0.0.1"), proxy.port())); },
         [&] { proxy.release(); }},
        onServer(QStringLiteral("wrong password"), QStringLiteral("ALTER ROLE %1 PASSWORD 'не тот'").arg(first), first,
                 [&] { return showed(0, CentralTexts::wrongPassword(first)); },
                 QStringLiteral("ALTER ROLE %1 PASSWORD 'весы 0'").arg(first)),
        onServer(QStringLiteral("no right to insert"), QStringLiteral("REVOKE tarovik_station FROM %1").arg(second),
                 second, [&] { return showed(1, CentralTexts::noRight(second)); },
                 QStringLiteral("GRANT tarovik_station TO %1").arg(second)),
        onServer(QStringLiteral("a newer schema"), QStringLiteral("INSERT INTO tarovik.schema_versions VALUES (99)"),
                 allRoles, [&] { return showed(0, tooNew) && showed(1, tooNew); },
                 QStringLiteral("DELETE FROM tarovik.schema_versions WHERE version = 99")),
        {QStringLiteral("unknown host set"),
         [&] {
             CentralSettings wrong = firstSettings;
             wrong.connection.host = QStringLiteral("no-such-host.invalid");
             QVERIFY(wrong.write(stations.at(0)->window.ini()));
             emit stations.at(0)->w().station().centralSettingsChanged();
         },
         [&] { return showed(0, CentralTexts::hostUnknown(QStringLiteral("no-such-host.invalid"))); },
         [&] {
             QVERIFY(firstSettings.write(stations.at(0)->window.ini()));
             emit stations.at(0)->w().station().centralSettingsChanged();
         }},
        {QStringLiteral("server away"), [&] { pause(away, pauseSeconds); },
         [&] { return away.state() == QProcess::NotRunning; }},
    };
    QRandomGenerator random(29);
    std::shuffle(faults.begin(), faults.end(), random);
    // Each fault waits for its moment: a share of the readings, rising.
    QList<int> moments;
    for (qsizetype f = 0; f < faults.size(); ++f)
        moments.append(int(10 + f * 70 / faults.size() + random.bounded(5)));

    // While the readings stream in: notes changed, rows deleted, a journal
    // emptied by New, and the faults.
    int notes = 0;
    qsizetype fault = 0;
    const auto allRecorded = [&] {
        return std::all_of(stations.begin(), stations.end(), [&](const auto &st) { return st->recorded >= readings; });
    };
    QDeadlineTimer deadline(10 * 60 * 1000);
    while ((!allRecorded() || fault < faults.size()) && !deadline.hasExpired()) {
        QTest::qWait(50);
        SiteStation &st = *stations.at(random.bounded(3));
        const int done = st.recorded * 100 / readings; // per cent of its readings
        const quint32 roll = random.bounded(100);
        if (roll < 10) {
            if (const int row = st.someRow(random)) {
                st.journal().setTextMatrix(row, st.journal().Cols() - 1, note(++notes));
                ++st.events;
            }
        } else if (roll < 14) {
            if (const int row = st.someRow(random); row > 0 && row < st.journal().Rows() - 1) {
                st.journal().setCurrentCell(row, 1);
                st.journal().setSelectionCorner(row, 1);
                st.window.messages.answer({UserMessages::Answer::Yes});
                st.w().tbr1_ButtonClick(QStringLiteral("tbrClear"));
                ++st.events;
                ++st.deletedSinceEmptied;
            }
        } else if (roll == 14 && done > 30 && done < 60) {
            st.window.messages.answer({UserMessages::Answer::No}); // the rows are not saved
            st.w().tbr1_ButtonClick(QStringLiteral("tbrCreate"));
            ++st.events;
            st.deletedSinceEmptied = 0;
        }
        if (fault < faults.size()) {
            Fault &f = faults[fault];
            if (!f.started && (done >= moments.at(fault) || allRecorded())) {
                qInfo("%d%%: %s", done, qPrintable(f.name));
                f.started = true;
                f.start();
            } else if (f.started && f.over()) {
                qInfo("%d%%: %s over", done, qPrintable(f.name));
                f.end();
                f.ended = true;
                ++fault;
            }
        }
    }
    QVERIFY2(allRecorded(), "the stations did not record every reading in 10 minutes");
    for (const Fault &f : std::as_const(faults))
        QVERIFY2(f.ended, qPrintable(QStringLiteral("the fault \"%1\" was not met: %2")
                                         .arg(f.name, QStringList(stations.at(0)->shown.values()).join(" | "))));
    QCOMPARE(away.exitCode(), 0);

    for (const auto &st : stations) {
        st->events += st->recorded;
        QTRY_VERIFY2_WITH_TIMEOUT(st->central().state().kind == CentralJournal::State::Kind::Sent,
                                  qPrintable(st->central().state().reason), 120000);
        const QString uuid = st->uuid.toString(QUuid::WithoutBraces);
        // Every event the station numbered, once, with no gap.
        QCOMPARE(superuser(QStringLiteral("SELECT count(*) || ' ' || min(seq) || ' ' || max(seq) FROM tarovik.events "
                                          "WHERE station = '%1'").arg(uuid)),
                 QStringLiteral("%1 1 %1").arg(st->events));
        QCOMPARE(st->centralReadings(false), st->ownReadings());
        QCOMPARE(st->centralReadings(true).size(), st->deletedSinceEmptied);
        st->scale.kill();
        st->scale.waitForFinished(Timeout);
    }
}

QTEST_MAIN(TstCentralSite)
#include "tst_centralsite.moc"
