#include "supervisor/SelectionReport.h"

#include "supervisor/SelectionQuery.h"
#include "supervisor/SupervisorTexts.h"

SelectionReport::SelectionReport(const ReadingFilter &filter, const QDateTime &now, const QStringList &header,
                                 PgConnection::Duration answerTimeout, int pageRows)
    : m_filter(filter), m_now(now), m_header(header), m_pageRows(pageRows), m_selection(SelectionQuery::parameters(filter, now)),
      m_db(PgConnection::Duration(5000), answerTimeout)
{
}

bool SelectionReport::open(const QString &conninfo)
{
    if (!m_db.open(conninfo)) {
        m_error = SupervisorTexts::messageFor(m_db.lastError());
        return false;
    }
    for (const char *sql : {"SET TimeZone = 'UTC'", "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"}) {
        const PgResult r = m_db.query(sql);
        if (!r.ok()) {
            m_error = SupervisorTexts::messageFor(r.error);
            return false;
        }
    }
    const PgResult count = SelectionQuery::count(m_db, m_selection);
    const PgResult totals = count.ok() ? SelectionQuery::totals(m_db, m_filter, m_now) : count;
    if (!totals.ok()) {
        m_error = SupervisorTexts::messageFor(totals.error);
        return false;
    }
    m_rowCount = int(std::min<qint64>(count.rows.value(0).value(0).toLongLong(), INT_MAX));
    m_totals = SelectionQuery::totalsOf(totals);
    return true;
}

QStringList SelectionReport::captions() const
{
    QStringList captions;
    for (int c = 0; c < CentralColumns::count(); ++c)
        captions << CentralColumns::caption(c);
    if (m_filter.withDeleted)
        captions.insert(1, SupervisorTexts::deletedCaption());
    return captions;
}

QString SelectionReport::cell(int row, int column) const
{
    if (row < 0 || row >= m_rowCount || (!(row >= m_first && row < m_first + m_page.size()) && !readFrom(row)))
        return QString();
    const CentralRow &r = m_page[row - m_first];
    if (m_filter.withDeleted) {
        if (column == 1)
            return r.deleted ? SupervisorTexts::yes() : QString();
        if (column > 1)
            --column;
    }
    return CentralColumns::cell(r, column);
}

bool SelectionReport::readFrom(int row) const
{
    if (!m_error.isEmpty())
        return false;
    // Forward from the page held, or from the first row (the cursor opened
    // anew) for a row before it.
    if (row < m_first || !m_cursorOpen) {
        const PgResult closed = m_cursorOpen ? SelectionQuery::closeCursor(m_db) : PgResult();
        const PgResult opened = closed.ok() ? SelectionQuery::openCursor(m_db, m_selection) : closed;
        if (!opened.ok()) {
            m_error = SupervisorTexts::messageFor(opened.error);
            return false;
        }
        m_cursorOpen = true;
        m_first = 0;
        m_page.clear();
    }
    while (row >= m_first + m_page.size()) {
        const PgResult r = SelectionQuery::fetch(m_db, m_pageRows);
        if (!r.ok() || r.rows.isEmpty()) {
            m_error = r.ok() ? SupervisorTexts::rowsMissing() : SupervisorTexts::messageFor(r.error);
            return false;
        }
        m_first += int(m_page.size());
        m_page = SelectionQuery::rowsOf(r);
    }
    return true;
}

QStringList SelectionReport::totalLines() const
{
    return SelectionTotalsText::lines(m_totals);
}
