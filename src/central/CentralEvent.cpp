#include "central/CentralEvent.h"

#include "common/ScaleTypes.h"
#include "journal/JournalLayout.h"
#include "report/DecimalNumber.h"

#include <QTimeZone>

#include <utility>

namespace {

// The journal's column keys and the central journal's names for them.
const char *centralName(QStringView key)
{
    static constexpr std::pair<QLatin1StringView, const char *> names[] = {
        {QLatin1StringView("NomPP"), "nom_pp"},
        {QLatin1StringView("Weight"), "weight_text"},
        {QLatin1StringView("Unit"), "unit"},
        {QLatin1StringView("Stat"), "stat"},
        {QLatin1StringView("Kol"), "kol_text"},
        {QLatin1StringView("UnitWeight"), "unit_weight_text"},
        {QLatin1StringView("Time"), "time_text"},
        {QLatin1StringView("Prim"), "note"},
    };
    for (const auto &[journal, central] : names) {
        if (key == journal)
            return central;
    }
    return nullptr;
}

const char *reasonName(CentralEvent::Emptied reason)
{
    switch (reason) {
    case CentralEvent::Emptied::New: return "new";
    case CentralEvent::Emptied::Open: return "open";
    case CentralEvent::Emptied::Layout: return "layout";
    case CentralEvent::Emptied::RestoreDeclined: return "restore_declined";
    }
    return "";
}

// An object written out as it goes: one comes a reading, and QJsonObject's
// sorted inserts and QDateTime's formatting cost more than the rest of the
// reading's way into the journal.
class JsonObjectWriter
{
public:
    JsonObjectWriter() { m_out.reserve(640); }
    void put(const char *name, qint64 n)
    {
        key(name);
        m_out += QByteArray::number(n);
    }
    void put(const char *name, QStringView text)
    {
        key(name);
        string(text.toUtf8());
    }
    void put(const char *name, const char *latin1)
    {
        key(name);
        string(latin1);
    }
    void put(const char *name, const QList<qint64> &numbers)
    {
        key(name);
        m_out += '[';
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            if (i > 0)
                m_out += ',';
            m_out += QByteArray::number(numbers[i]);
        }
        m_out += ']';
    }
    QByteArray done() { return m_out + '}'; }

private:
    void key(const char *name)
    {
        m_out += m_out.isEmpty() ? '{' : ',';
        string(name);
        m_out += ':';
    }
    void string(QByteArrayView utf8)
    {
        m_out += '"';
        for (const char c : utf8) {
            if (c == '"' || c == '\\') {
                m_out += '\\';
                m_out += c;
            } else if (uchar(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                m_out += "\\u00";
                m_out += hex[uchar(c) >> 4];
                m_out += hex[uchar(c) & 15];
            } else {
                m_out += c;
            }
        }
        m_out += '"';
    }

    QByteArray m_out;
};

// "2026-12-09T07:42:12.123Z", with no formatting machinery: one a reading.
QByteArray isoUtc(qint64 msecsSinceEpoch)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC);
    const QDate d = utc.date();
    const QTime t = utc.time();
    if (d.year() < 0 || d.year() > 9999)
        return utc.toString(Qt::ISODateWithMs).toLatin1();
    QByteArray text("0000-00-00T00:00:00.000Z");
    const auto put = [&text](int at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + i] = char('0' + value % 10);
    };
    put(0, d.year(), 4);
    put(5, d.month(), 2);
    put(8, d.day(), 2);
    put(11, t.hour(), 2);
    put(14, t.minute(), 2);
    put(17, t.second(), 2);
    put(20, t.msec(), 3);
    return text;
}

} // namespace

CentralEvent CentralEvent::recorded(int scaleType, const QString &journalFile, const QVector<JournalColumn> &columns,
                                    const QStringList &cells)
{
    CentralEvent e;
    e.kind = Kind::Recorded;
    e.scaleType = scaleType;
    e.journalFile = journalFile;
    e.columns = columns;
    e.cells = cells;
    return e;
}

CentralEvent CentralEvent::noteChanged(qint64 reading, const QString &oldNote, const QString &newNote)
{
    CentralEvent e;
    e.kind = Kind::NoteChanged;
    e.reading = reading;
    e.noteOld = oldNote;
    e.note = newNote;
    return e;
}

CentralEvent CentralEvent::deleted(const QList<qint64> &readings)
{
    CentralEvent e;
    e.kind = Kind::Deleted;
    e.readings = readings;
    return e;
}

CentralEvent CentralEvent::emptied(Emptied reason, const QString &openedFile, int rowCount)
{
    CentralEvent e;
    e.kind = Kind::Emptied;
    e.reason = reason;
    e.journalFile = openedFile;
    e.rowCount = rowCount;
    return e;
}

QByteArray CentralEvent::toJson(qint64 seq) const
{
    JsonObjectWriter o;
    o.put("seq", seq);
    const QDateTime time = stationTime.isValid() ? stationTime : QDateTime::currentDateTime();
    o.put("station_time", QString::fromLatin1(isoUtc(time.toMSecsSinceEpoch())));
    o.put("utc_offset", time.offsetFromUtc());
    o.put("os_user", osUser);
    switch (kind) {
    case Kind::Recorded: {
        o.put("kind", "recorded");
        o.put("scale_type", scaleType);
        o.put("journal_file", journalFile);
        // Every cell the schema asks for is there, empty when the row has
        // none: a counting type's quantity columns, a weighing type's none.
        const ScaleType *type = ScaleTypes::at(scaleType);
        const bool counting = type && type->counting();
        static const QVector<JournalColumn> weighing = JournalLayout::weighing();
        static const QVector<JournalColumn> countingColumns = JournalLayout::counting();
        // The row's cell under a key, the last such column's.
        const auto cell = [this](QStringView key) {
            for (qsizetype i = qMin(columns.size(), cells.size()) - 1; i >= 0; --i) {
                if (columns[i].key == key)
                    return cells[i];
            }
            return QString();
        };
        for (const JournalColumn &column : counting ? countingColumns : weighing) {
            if (const char *name = centralName(column.key))
                o.put(name, cell(column.key));
        }
        if (const QString exact = CentralJson::exactDecimal(cell(u"Weight")); !exact.isEmpty())
            o.put("weight", exact);
        if (const QString exact = counting ? CentralJson::exactDecimal(cell(u"Kol")) : QString();
            !exact.isEmpty())
            o.put("quantity", exact);
        break;
    }
    case Kind::NoteChanged:
        o.put("kind", "note_changed");
        o.put("reading", reading);
        o.put("note_old", noteOld);
        o.put("note", note);
        break;
    case Kind::Deleted:
        o.put("kind", "deleted");
        o.put("readings", readings);
        break;
    case Kind::Emptied:
        o.put("kind", "emptied");
        o.put("reason", reasonName(reason));
        if (reason == Emptied::Open) {
            o.put("journal_file", journalFile);
            o.put("row_count", rowCount);
        }
        break;
    }
    return o.done();
}

namespace CentralJson {

QByteArray batch(const QList<QByteArray> &events)
{
    qsizetype size = 2;
    for (const QByteArray &e : events)
        size += e.size() + 1;
    QByteArray out;
    out.reserve(size);
    out.append('[');
    for (qsizetype i = 0; i < events.size(); ++i) {
        if (i > 0)
            out.append(',');
        out.append(events[i]);
    }
    out.append(']');
    return out;
}

QString exactDecimal(QStringView cell)
{
    const std::optional<DecimalNumber> n = DecimalNumber::read(cell);
    if (!n)
        return {};
    const bool negative = n->mantissa < 0;
    // The magnitude as digits, a point before the last `decimals` of them.
    QString digits = QString::number(negative ? -quint64(n->mantissa) : quint64(n->mantissa));
    if (n->decimals > 0) {
        if (digits.size() <= n->decimals)
            digits.prepend(QString(n->decimals - digits.size() + 1, u'0'));
        digits.insert(digits.size() - n->decimals, u'.');
    }
    return negative ? u'-' + digits : digits;
}

} // namespace CentralJson
