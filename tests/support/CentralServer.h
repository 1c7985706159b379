#pragma once
// The central journal's test server, which a CTest fixture starts
// (scripts/pg-test-server.sh start; its folder in TAROVIK_PG_FOLDER): its
// address, statements as its superuser, logins of the tests' own, the
// server stopped for a while, and stations appending as a sender does.
#include "central/CentralSender.h"
#include "central/CentralTexts.h"
#include "central/PgConnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTest>
#include <QUuid>

#include <memory>

namespace CentralServer {

using namespace std::chrono_literals;

inline QString folder() { return qEnvironmentVariable("TAROVIK_PG_FOLDER"); }

// The server's environment, from the shell assignments its start wrote.
inline QProcessEnvironment environment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QFile f(folder() + QStringLiteral("/env"));
    if (f.open(QIODevice::ReadOnly)) {
        const QString line = QString::fromUtf8(f.readAll()).trimmed().remove(QStringLiteral("export "));
        for (const QString &pair : line.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype eq = pair.indexOf(u'=');
            env.insert(pair.left(eq), pair.mid(eq + 1).remove(u'\''));
        }
    }
    return env;
}

inline int port() { return environment().value(QStringLiteral("PGPORT")).toInt(); }

// A login's connection string over the server's Unix socket, which needs no password.
inline QString conninfo(const QString &user)
{
    const QProcessEnvironment env = environment();
    return QStringLiteral("host=%1 port=%2 dbname=tarovik user=%3").arg(env.value("PGHOST"), env.value("PGPORT"), user);
}

// A statement as the superuser: its rows unaligned, or psql's "ERROR: ...".
inline QString superuser(const QString &sql)
{
    QProcess psql;
    psql.setProcessEnvironment(environment());
    psql.start(QStringLiteral("psql"), {"-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-c", sql});
    psql.waitForFinished(30000);
    return QString::fromUtf8(psql.readAllStandardOutput() + psql.readAllStandardError()).trimmed();
}

// The server answers with the journal's schema, and the supervisors' login
// "viewer" is there (the tests of one fixture share it).
inline bool ready()
{
    return superuser("SELECT tarovik.schema_version()") == QLatin1String("1")
        && superuser("DO $$BEGIN CREATE ROLE viewer LOGIN IN ROLE tarovik_viewer; "
                     "EXCEPTION WHEN duplicate_object OR unique_violation THEN NULL; END$$")
               .isEmpty();
}

// A login of the test's own, named prefix_<pid>_<n>, with membership such
// as "IN ROLE tarovik_station", a password when one is given and, when
// passFile is, a pgpass file that gives it filePassword. Its name, or the
// server's error.
inline QString login(const QString &prefix, const QString &membership, const QString &password = {},
                     const QString &passFile = {}, const QString &filePassword = {})
{
    static int made = 0;
    const QString role = QStringLiteral("%1_%2_%3").arg(prefix).arg(QCoreApplication::applicationPid()).arg(++made);
    const QString withPassword = password.isEmpty() ? QString() : QStringLiteral("PASSWORD '%1'").arg(QString(password).replace("'", "''"));
    const QString error = superuser(QStringLiteral("CREATE ROLE %1 LOGIN %2 %3").arg(role, withPassword, membership));
    if (!error.isEmpty())
        return error;
    QFile pass(passFile);
    if (!passFile.isEmpty()
        && !(pass.open(QIODevice::WriteOnly) && pass.write(QStringLiteral("*:*:*:%1:%2\n").arg(role, filePassword).toUtf8()) > 0
             && pass.setPermissions(QFile::ReadOwner | QFile::WriteOwner)))
        return pass.errorString();
    return role;
}

// Stops the server for a while and starts it again, in the background.
inline void pause(QProcess &process, int seconds)
{
    process.start(QStringLiteral(PG_SERVER_SCRIPT), {QStringLiteral("pause"), folder(), QString::number(seconds)});
}

// A fault a station meets on its way to the server, arranged in c:
// "host" (a name no one knows), "refused" (a port nobody listens on),
// "silent" (silent accepts and never answers), "tls" (TLS the server has
// not); "password" and "right" (a wrong password, a login outside the
// stations' role) are the test's to arrange. The operator's words for it;
// empty for any other fault.
inline QString arrangeFault(const QString &fault, CentralConnection &c, QTcpServer &silent)
{
    if (fault == QLatin1String("host")) {
        c.host = QStringLiteral("no-such-host.invalid");
        return CentralTexts::hostUnknown(c.host);
    }
    if (fault == QLatin1String("refused") || fault == QLatin1String("silent")) {
        if (!silent.listen(QHostAddress::LocalHost))
            return silent.errorString();
        c.port = silent.serverPort();
        if (fault == QLatin1String("silent"))
            return CentralTexts::noAnswer(c.host, c.port);
        silent.close();
        return CentralTexts::connectionRefused(c.host, c.port);
    }
    if (fault == QLatin1String("tls")) {
        c.sslMode = QStringLiteral("require");
        return CentralTexts::tlsFailed();
    }
    if (fault == QLatin1String("password"))
        return CentralTexts::wrongPassword(c.user);
    return fault == QLatin1String("right") ? CentralTexts::noRight(c.user) : QString();
}

inline QDateTime today(int hour, int minute = 0)
{
    return QDateTime(QDate::currentDate(), QTime(hour, minute));
}

// A station: its own login bound to its UUID, appending as a sender does.
struct Appender {
    QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString name;
    QString role = login(QStringLiteral("st"), QStringLiteral("IN ROLE tarovik_station"));
    std::unique_ptr<PgConnection> db = std::make_unique<PgConnection>(5000ms, 5000ms);
    qint64 seq = 0;

    explicit Appender(const QString &stationName) : name(stationName)
    {
        reconnect();
        QVERIFY(db->query("SELECT tarovik.last_committed($1::uuid, $2)", {uuid, name}).ok());
    }
    void reconnect() { QVERIFY2(db->open(conninfo(role)), qPrintable(role + ' ' + db->lastError().detail)); }

    QJsonObject event(const QDateTime &at, const QString &kind)
    {
        return {{"seq", ++seq}, {"station_time", at.toUTC().toString(Qt::ISODateWithMs)},
                {"utc_offset", at.offsetFromUtc()}, {"os_user", "оператор"}, {"kind", kind}};
    }
    // Records a reading; returns its id (the number of its event).
    qint64 record(const QDateTime &at, const QString &weight, const QString &unit, const QString &note = {})
    {
        QJsonObject e = event(at, QStringLiteral("recorded"));
        for (const auto &[key, value] :
             {std::pair<const char *, QJsonValue>{"scale_type", 0}, {"journal_file", ""}, {"nom_pp", QString::number(seq)},
              {"weight_text", weight}, {"unit", unit}, {"stat", "S"},
              {"time_text", at.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))}, {"note", note}, {"weight", weight.trimmed()}})
            e.insert(QLatin1String(key), value);
        send(e);
        return seq;
    }
    void changeNote(qint64 reading, const QString &from, const QString &to)
    {
        QJsonObject e = event(QDateTime::currentDateTime(), QStringLiteral("note_changed"));
        e.insert("reading", reading);
        e.insert("note_old", from);
        e.insert("note", to);
        send(e);
    }
    void remove(qint64 reading)
    {
        QJsonObject e = event(QDateTime::currentDateTime(), QStringLiteral("deleted"));
        e.insert("readings", QJsonArray{reading});
        send(e);
    }
    void send(const QJsonObject &event)
    {
        const PgResult r = db->query("SELECT tarovik.append_events($1::uuid, $2::jsonb)",
                                     {uuid, QString::fromUtf8(QJsonDocument(QJsonArray{event}).toJson(QJsonDocument::Compact))});
        QVERIFY2(r.ok(), qPrintable(r.error.detail));
        QCOMPARE(r.rows.value(0).value(0).toLongLong(), seq);
    }
};

} // namespace CentralServer

using namespace CentralServer;
