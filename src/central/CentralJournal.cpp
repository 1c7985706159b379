#include "central/CentralJournal.h"

#include "central/CentralTexts.h"
#include "central/Outbox.h"
#include "common/Clock.h"
#include "journal/JournalGrid.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Read once: it is asked at every reading.
const QString &osUser()
{
    static const QString user = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return user;
}

// When the oldest event waiting was kept, by its own station time.
QDateTime keptAt(const OutboxFormat::Entry &entry)
{
    const QString time = QJsonDocument::fromJson(entry.json).object().value(QStringLiteral("station_time")).toString();
    return QDateTime::fromString(time, Qt::ISODateWithMs).toLocalTime();
}

} // namespace

CentralJournal::CentralJournal(const QString &folder, Surroundings surroundings, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_s(std::move(surroundings))
{
    m_stateTimer.setSingleShot(true);
    // Once a second: at line rate the state changes with every reading, and
    // each change repaints the status bar.
    m_stateTimer.setInterval(1000);
    connect(&m_stateTimer, &QTimer::timeout, this, &CentralJournal::stateChanged);
    connect(&m_s.journal, &JournalGrid::cellAboutToChange, this, &CentralJournal::onCellAboutToChange);
    connect(&m_s.journal, &QAbstractItemModel::dataChanged, this, &CentralJournal::onDataChanged);
    connect(&m_s.journal, &QAbstractItemModel::rowsAboutToBeRemoved, this, &CentralJournal::onRowsAboutToBeRemoved);
}

CentralJournal::~CentralJournal()
{
    // The sender first: it must not report to an outbox that is gone.
    m_sender.reset();
}

void CentralJournal::configure(bool on, const CentralConnection &connection, const CentralSender::Timing &timing)
{
    m_sender.reset();
    m_reason.clear();
    m_stopped = false;
    if (!on) {
        m_outbox.reset();
        changedState();
        return;
    }
    if (!m_outbox) {
        m_outbox = std::make_unique<Outbox>(m_folder);
        if (!m_outbox->keeping()) {
            m_stopped = true;
            m_reason = m_outbox->errorString();
            emit problem(m_reason);
            changedState();
            return;
        }
        const QList<OutboxFormat::Entry> first = m_outbox->pending(1);
        m_since = first.isEmpty() ? QDateTime() : keptAt(first.constFirst());
    }
    m_sender = std::make_unique<CentralSender>(connection, timing);
    connect(m_outbox.get(), &Outbox::appended, m_sender.get(),
            [sender = m_sender.get()](const OutboxFormat::Entry &e) { sender->kept(e.seq); });
    connect(m_sender.get(), &CentralSender::connected, this, [this](qint64 serverLast) {
        m_outbox->raiseFloor(serverLast);
        m_reason.clear();
        changedState();
    });
    connect(m_sender.get(), &CentralSender::committed, this, [this](qint64 seq) {
        m_outbox->acknowledge(seq);
        if (m_outbox->pendingCount() == 0)
            m_since = QDateTime();
        changedState();
        emit committed(seq);
    });
    connect(m_sender.get(), &CentralSender::failed, this, &CentralJournal::onFailed);
    m_sender->start(*m_outbox);
    changedState();
}

void CentralJournal::setColumns(const QVector<JournalColumn> &columns)
{
    m_columns = columns;
    m_noteColumn = -1;
    for (qsizetype c = 0; c < columns.size(); ++c) {
        if (columns.at(c).key == QLatin1String("Prim"))
            m_noteColumn = int(c) + 1;
    }
}

qint64 CentralJournal::record(const QStringList &cells)
{
    return on() ? keep(CentralEvent::recorded(m_s.scaleType(), m_s.journalFile(), m_columns, cells)) : 0;
}

void CentralJournal::emptied(CentralEvent::Emptied reason, const QString &openedFile, int rowCount)
{
    keep(CentralEvent::emptied(reason, openedFile, rowCount));
}

qint64 CentralJournal::keep(CentralEvent event)
{
    if (!m_outbox || !m_outbox->keeping())
        return 0;
    event.stationTime = m_s.clock.nowWithOffset();
    event.osUser = osUser();
    const qint64 seq = m_outbox->append(event);
    if (seq == 0) {
        m_stopped = true;
        m_reason = m_outbox->errorString();
        emit problem(m_reason);
    } else if (!m_since.isValid()) {
        m_since = event.stationTime;
    }
    changedState();
    return seq;
}

void CentralJournal::onCellAboutToChange(int row, int col)
{
    m_changingRow = -1;
    if (!on() || col != m_noteColumn || m_s.journal.readingId(row) == 0)
        return;
    m_changingRow = row;
    m_oldNote = m_s.journal.TextMatrix(row, col);
}

void CentralJournal::onDataChanged(const QModelIndex &topLeft, const QModelIndex &, const QList<int> &roles)
{
    const int row = JournalGrid::gridRow(topLeft);
    if (m_changingRow != row || (!roles.isEmpty() && !roles.contains(Qt::DisplayRole)))
        return;
    m_changingRow = -1;
    const QString note = m_s.journal.TextMatrix(row, m_noteColumn);
    if (note != m_oldNote)
        keep(CentralEvent::noteChanged(m_s.journal.readingId(row), m_oldNote, note));
}

void CentralJournal::onRowsAboutToBeRemoved(const QModelIndex &, int first, int last)
{
    if (!on())
        return;
    QList<qint64> ids;
    for (int r = first; r <= last; ++r) {
        if (const qint64 id = m_s.journal.readingId(r + 1))
            ids.append(id);
    }
    if (!ids.isEmpty())
        keep(CentralEvent::deleted(ids));
}

void CentralJournal::onFailed(const QString &reason)
{
    const bool told = m_reason == reason;
    m_reason = reason;
    // Events the server will not take until a person looks: said at once.
    if (!told && reason == CentralTexts::numberReused())
        emit problem(reason);
    changedState();
}

CentralJournal::State CentralJournal::state() const
{
    State s;
    if (!m_outbox && !m_stopped)
        return s;
    s.waiting = m_outbox ? m_outbox->pendingCount() : 0;
    s.since = m_since;
    s.reason = m_reason;
    if (m_stopped)
        s.kind = State::Kind::Stopped;
    else if (!m_reason.isEmpty())
        s.kind = State::Kind::Unreachable;
    else
        s.kind = s.waiting > 0 ? State::Kind::Waiting : State::Kind::Sent;
    return s;
}

void CentralJournal::changedState()
{
    if (!m_stateTimer.isActive())
        m_stateTimer.start();
}
