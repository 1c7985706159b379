#pragma once
// What the supervisor's tests share: the fixture's server (a CTest fixture
// starts it, TAROVIK_PG_FOLDER names its folder), stations that append as a
// sender does, and a reader on its thread with the model over it.
#include "supervisor/CentralReader.h"
#include "central/PgConnection.h"
#include "supervisor/ReaderThread.h"
#include "supervisor/SupervisorModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUuid>

#include <memory>

using namespace std::chrono_literals;

namespace CentralFixture {

inline QString g_host, g_port; // the fixture's server
inline QString g_conninfo;      // its host and port as libpq takes them

inline QString conninfo(const QString &user)
{
    return g_conninfo + QStringLiteral(" dbname=tarovik user=") + user;
}

inline QDateTime today(int hour, int minute = 0)
{
    return QDateTime(QDate::currentDate(), QTime(hour, minute));
}

// A station: its own login role bound to its UUID, appending as a sender does.
struct Station {
    QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString name;
    std::unique_ptr<PgConnection> db = std::make_unique<PgConnection>(5000ms, 5000ms);
    qint64 seq = 0;

    explicit Station(const QString &stationName) : name(stationName)
    {
        const QString role = QStringLiteral("st_") + uuid.left(8);
        PgConnection admin(5000ms, 5000ms);
        QVERIFY(admin.open(conninfo(QStringLiteral("postgres"))));
        QVERIFY(admin.query(qPrintable(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE tarovik_station").arg(role))).ok());
        QVERIFY2(db->open(conninfo(role)), qPrintable(db->lastError().detail));
        QVERIFY(db->query("SELECT tarovik.last_committed($1::uuid, $2)", {uuid, name}).ok());
    }

    QJsonObject event(const QDateTime &at, const QString &kind)
    {
        return {{"seq", ++seq}, {"station_time", at.toUTC().toString(Qt::ISODateWithMs)},
                {"utc_offset", at.offsetFromUtc()}, {"os_user", "оператор"}, {"kind", kind}};
    }
    // Records a reading; returns its id (the number of its event).
    qint64 record(const QDateTime &at, const QString &weight, const QString &unit, const QString &note = {})
    {
        QJsonObject e = event(at, QStringLiteral("recorded"));
        e.insert("scale_type", 0);
        e.insert("journal_file", "");
        e.insert("nom_pp", QString::number(seq));
        e.insert("weight_text", weight);
        e.insert("unit", unit);
        e.insert("stat", "S");
        e.insert("time_text", at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
        e.insert("note", note);
        e.insert("weight", weight.trimmed());
        send({e});
        return seq;
    }
    void changeNote(qint64 reading, const QString &from, const QString &to)
    {
        QJsonObject e = event(QDateTime::currentDateTime(), QStringLiteral("note_changed"));
        e.insert("reading", reading);
        e.insert("note_old", from);
        e.insert("note", to);
        send({e});
    }
    void remove(qint64 reading)
    {
        QJsonObject e = event(QDateTime::currentDateTime(), QStringLiteral("deleted"));
        e.insert("readings", QJsonArray{reading});
        send({e});
    }
    void send(const QJsonArray &events)
    {
        const PgResult r = db->query("SELECT tarovik.append_events($1::uuid, $2::jsonb)",
                                     {uuid, QString::fromUtf8(QJsonDocument(events).toJson(QJsonDocument::Compact))});
        QVERIFY2(r.ok(), qPrintable(r.error.detail));
        QCOMPARE(r.rows.value(0).value(0).toLongLong(), seq);
    }
};

// A reader on its own thread and the model over it, as the window has them.
struct Viewer {
    ReaderThread thread;
    std::unique_ptr<SupervisorModel> model;

    explicit Viewer(ReaderTimeouts timeouts = {5000ms, 5000ms, 300ms, 1000ms}, int pageRows = 200, int maxRows = 2000,
                    const QString &connection = conninfo(QStringLiteral("viewer")))
        : thread(connection, timeouts),
          model(std::make_unique<SupervisorModel>(thread.reader(), pageRows, maxRows))
    {
    }
};

// Reads the fixture's address and makes the login "viewer"; false when
// the fixture's server is not there.
inline bool connectToServer()
{
    QFile env(qEnvironmentVariable("TAROVIK_PG_FOLDER") + QStringLiteral("/env"));
    if (!env.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(env.readAll());
    const auto value = [&](const QString &name) {
        const int at = text.indexOf(name + QStringLiteral("='")) + name.size() + 2;
        return text.mid(at, text.indexOf(QLatin1Char('\''), at) - at);
    };
    g_host = value("PGHOST");
    g_port = value("PGPORT");
    g_conninfo = QStringLiteral("host=%1 port=%2").arg(g_host, g_port);
    PgConnection admin(5000ms, 5000ms);
    if (!admin.open(conninfo(QStringLiteral("postgres"))))
        return false;
    // The tests of one fixture share it: the second finds it made (42710).
    const PgResult made = admin.query("CREATE ROLE viewer LOGIN IN ROLE tarovik_viewer");
    return made.ok() || made.error.sqlState == QLatin1String("42710");
}

} // namespace CentralFixture

using namespace CentralFixture;
