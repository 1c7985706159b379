#include "supervisor/CentralReader.h"

#include "supervisor/SupervisorTexts.h"
#include "supervisor/SelectionQuery.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

namespace {

// {1,2} as the server writes a bigint[].
QList<qint64> numbersOf(const QString &array)
{
    QList<qint64> numbers;
    const QString inner = array.mid(1, array.size() - 2);
    for (const QString &item : inner.split(QLatin1Char(','), Qt::SkipEmptyParts))
        numbers.append(item.toLongLong());
    return numbers;
}


} // namespace

CentralReader::CentralReader(const QString &conninfo, Timeouts timeouts)
    : m_conninfo(conninfo), m_timeouts(timeouts), m_db(timeouts.connect, timeouts.answer),
      m_nextRetry(timeouts.firstRetry)
{
    qRegisterMetaType<ReadingFilter>();
    qRegisterMetaType<RowKey>();
    qRegisterMetaType<QList<CentralRow>>();
    qRegisterMetaType<QList<SelectionTotal>>();
    qRegisterMetaType<QList<HistoryEvent>>();
    qRegisterMetaType<QList<QPair<QString, qint64>>>();
    qRegisterMetaType<QList<QPair<QString, QString>>>();
}

CentralReader::~CentralReader() = default;

void CentralReader::start()
{
    if (m_started)
        return;
    m_started = true;
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, [this] {
        if (connectNow() && m_pageOwed)
            readPage(Newest, nullptr, m_pageRows);
    });
    connectNow();
}

bool CentralReader::connectNow()
{
    dropNotifier();
    if (!m_db.open(m_conninfo)) {
        lost(m_db.lastError());
        return false;
    }
    // Listening first: what is committed after it wakes us, what before it
    // the catch-up below reads.
    for (const char *sql : {"SET TimeZone = 'UTC'", "LISTEN tarovik_events"}) {
        const PgResult r = m_db.query(sql);
        if (!r.ok()) {
            lost(r.error);
            return false;
        }
    }
    const PgResult stations = m_db.query("SELECT station, last_seq, name FROM tarovik.station_list ORDER BY name");
    if (!stations.ok()) {
        lost(stations.error);
        return false;
    }
    m_notifier = new QSocketNotifier(qintptr(m_db.socket()), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CentralReader::onSocket);
    m_nextRetry = m_timeouts.firstRetry;
    emit stateChanged(true, QString());
    QList<QPair<QString, QString>> names;
    for (const QVector<QString> &s : stations.rows)
        names.append({s[0], s[2]});
    emit stationsRead(names);
    const bool first = !m_everConnected;
    m_everConnected = true;
    for (const QVector<QString> &s : stations.rows) {
        // At the first connection the pages read what is there; after a
        // reconnection what came meanwhile is read as live events are.
        if (first)
            m_seen[s[0]] = s[1].toLongLong();
        else if (s[1].toLongLong() > m_seen.value(s[0]))
            catchUp(s[0]);
    }
    onSocket();
    return m_db.isOpen();
}

void CentralReader::dropNotifier()
{
    // Later: this may run inside the notifier's own signal.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
    }
    m_notifier = nullptr;
}

void CentralReader::lost(const PgError &error)
{
    const QString message = SupervisorTexts::messageFor(error);
    dropNotifier();
    m_db.close();
    emit stateChanged(false, message);
    if (!m_retry->isActive()) {
        m_retry->start(m_nextRetry);
        m_nextRetry = std::min(m_nextRetry * 2, m_timeouts.lastRetry);
    }
}

bool CentralReader::ensureOnline()
{
    return m_db.isOpen() || (m_retry && !m_retry->isActive() && connectNow());
}

void CentralReader::onSocket()
{
    // A statement's answer may bring notifications along, which libpq then
    // holds without the socket waking us again: so this runs after every
    // read too, until none is left.
    while (m_db.isOpen()) {
        const QList<PgNotification> notes = m_db.takeNotifications();
        if (!m_db.isOpen()) {
            lost(m_db.lastError());
            return;
        }
        QStringList stations;
        for (const PgNotification &n : notes) {
            const QStringList parts = n.payload.split(QLatin1Char(' '));
            if (parts.size() == 2 && parts[1].toLongLong() > m_seen.value(parts[0]) && !stations.contains(parts[0]))
                stations.append(parts[0]);
        }
        if (stations.isEmpty())
            return;
        for (const QString &station : stations)
            catchUp(station);
    }
}

void CentralReader::catchUp(const QString &station)
{
    // The station's events above the last number read, a batch at a time:
    // the readings they name are read again as the selection shows them.
    for (;;) {
        const qint64 seen = m_seen.value(station);
        const PgResult events = m_db.query(
            "SELECT seq, kind, reading, readings FROM tarovik.event_log "
            "WHERE station = $1::uuid AND seq > $2::bigint ORDER BY seq LIMIT 2000",
            {station, QString::number(seen)});
        if (!events.ok()) {
            lost(events.error);
            return;
        }
        if (events.rows.isEmpty())
            return;
        QList<qint64> readings;
        for (const QVector<QString> &e : events.rows) {
            if (e[1] == QLatin1String("recorded"))
                readings.append(e[0].toLongLong());
            else if (e[1] == QLatin1String("note_changed"))
                readings.append(e[2].toLongLong());
            else if (e[1] == QLatin1String("deleted"))
                readings.append(numbersOf(e[3]));
        }
        if (m_generation >= 0 && !readings.isEmpty()) {
            const PgResult rows = SelectionQuery::readings(m_db, selectionParameters(), station, readings);
            if (!rows.ok()) {
                lost(rows.error);
                return;
            }
            QList<QPair<QString, qint64>> asked;
            for (qint64 r : readings)
                asked.append({station, r});
            emit readingsChanged(m_generation, SelectionQuery::rowsOf(rows), asked);
        }
        m_seen[station] = events.rows.constLast()[0].toLongLong();
        if (events.rows.size() < 2000)
            return;
    }
}

QStringList CentralReader::selectionParameters() const
{
    return SelectionQuery::parameters(m_filter, m_filterTime);
}

void CentralReader::select(const ReadingFilter &filter, int generation, int pageRows)
{
    m_filter = filter;
    m_filterTime = QDateTime::currentDateTime();
    m_generation = generation;
    m_pageRows = pageRows;
    m_pageOwed = true;
    if (ensureOnline())
        readPage(Newest, nullptr, pageRows);
    onSocket();
}

void CentralReader::fetchOlder(const RowKey &before, int generation, int pageRows)
{
    if (generation == m_generation && ensureOnline())
        readPage(Older, &before, pageRows);
    onSocket();
}

void CentralReader::fetchNewer(const RowKey &after, int generation, int pageRows)
{
    if (generation == m_generation && ensureOnline())
        readPage(Newer, &after, pageRows);
    onSocket();
}

bool CentralReader::readPage(int kind, const RowKey *key, int pageRows)
{
    // One row more tells whether there is more.
    const PgResult r = SelectionQuery::page(m_db, selectionParameters(), key, kind == Newer, pageRows + 1);
    if (!r.ok()) {
        lost(r.error);
        return false;
    }
    QList<CentralRow> rows = SelectionQuery::rowsOf(r);
    const bool more = rows.size() > pageRows;
    if (more)
        rows.removeLast();
    if (kind != Newer)
        std::reverse(rows.begin(), rows.end());
    if (kind == Newest)
        m_pageOwed = false;
    emit pageRead(m_generation, kind, rows, more);
    return true;
}

void CentralReader::readTotals(int generation)
{
    if (generation != m_generation || !ensureOnline())
        return;
    const PgResult r = SelectionQuery::totals(m_db, m_filter, m_filterTime);
    if (!r.ok()) {
        lost(r.error);
        return;
    }
    const QList<SelectionTotal> totals = SelectionQuery::totalsOf(r);
    emit totalsRead(generation, totals);
    onSocket();
}

void CentralReader::readHistory(const QString &station, qint64 reading)
{
    if (!ensureOnline())
        return;
    // The station's clock as it showed it: UTC moved by its own offset.
    const PgResult r = m_db.query(
        "SELECT seq, to_char((station_time AT TIME ZONE 'UTC') + make_interval(secs => utc_offset), "
        "'DD.MM.YYYY HH24:MI:SS'), station_name, os_user, db_user, kind, "
        "CASE kind WHEN 'note_changed' THEN note_old END, "
        "CASE kind WHEN 'recorded' THEN btrim(weight_text) || ' ' || btrim(unit) "
        "          WHEN 'note_changed' THEN note END "
        "FROM tarovik.reading_history($1::uuid, $2::bigint)",
        {station, QString::number(reading)});
    if (!r.ok()) {
        lost(r.error);
        return;
    }
    QList<HistoryEvent> events;
    for (const QVector<QString> &v : r.rows)
        events.append({v[0].toLongLong(), v[1], v[2], v[3], v[4], v[5], v[6], v[7]});
    emit historyRead(station, reading, events);
    onSocket();
}
