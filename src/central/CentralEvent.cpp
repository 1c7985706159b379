#include "central/CentralEvent.h"

#include "common/ScaleTypes.h"
#include "journal/JournalLayout.h"
#include "report/DecimalNumber.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace {

// The journal's column keys and the central journal's names for them.
QString centralName(const QString &key)
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("NomPP"), QStringLiteral("nom_pp")},
        {QStringLiteral("Weight"), QStringLiteral("weight_text")},
        {QStringLiteral("Unit"), QStringLiteral("unit")},
        {QStringLiteral("Stat"), QStringLiteral("stat")},
        {QStringLiteral("Kol"), QStringLiteral("kol_text")},
        {QStringLiteral("UnitWeight"), QStringLiteral("unit_weight_text")},
        {QStringLiteral("Time"), QStringLiteral("time_text")},
        {QStringLiteral("Prim"), QStringLiteral("note")},
    };
    return names.value(key);
}

QString reasonName(CentralEvent::Emptied reason)
{
    switch (reason) {
    case CentralEvent::Emptied::New: return QStringLiteral("new");
    case CentralEvent::Emptied::Open: return QStringLiteral("open");
    case CentralEvent::Emptied::Layout: return QStringLiteral("layout");
    case CentralEvent::Emptied::RestoreDeclined: return QStringLiteral("restore_declined");
    }
    return {};
}

void putDecimal(QJsonObject &o, const QString &name, const QJsonValue &cell)
{
    const QString exact = CentralJson::exactDecimal(cell.toString());
    if (!exact.isEmpty())
        o.insert(name, exact);
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
    QJsonObject o;
    o.insert(QStringLiteral("seq"), seq);
    const QDateTime time = stationTime.isValid() ? stationTime : QDateTime::currentDateTime();
    o.insert(QStringLiteral("station_time"), time.toUTC().toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("utc_offset"), time.offsetFromUtc());
    o.insert(QStringLiteral("os_user"), osUser);
    switch (kind) {
    case Kind::Recorded: {
        o.insert(QStringLiteral("kind"), QStringLiteral("recorded"));
        o.insert(QStringLiteral("scale_type"), scaleType);
        o.insert(QStringLiteral("journal_file"), journalFile);
        // Every cell the schema asks for is there, empty when the row has
        // none: a counting type's quantity columns, a weighing type's none.
        const ScaleType *type = ScaleTypes::at(scaleType);
        const QVector<JournalColumn> all =
            type && type->counting() ? JournalLayout::counting() : JournalLayout::weighing();
        for (const JournalColumn &column : all)
            o.insert(centralName(column.key), QString());
        for (qsizetype i = 0; i < columns.size() && i < cells.size(); ++i) {
            const QString name = centralName(columns[i].key);
            if (!name.isEmpty() && o.contains(name))
                o.insert(name, cells[i]);
        }
        putDecimal(o, QStringLiteral("weight"), o.value(QStringLiteral("weight_text")));
        if (o.contains(QStringLiteral("kol_text")))
            putDecimal(o, QStringLiteral("quantity"), o.value(QStringLiteral("kol_text")));
        break;
    }
    case Kind::NoteChanged:
        o.insert(QStringLiteral("kind"), QStringLiteral("note_changed"));
        o.insert(QStringLiteral("reading"), reading);
        o.insert(QStringLiteral("note_old"), noteOld);
        o.insert(QStringLiteral("note"), note);
        break;
    case Kind::Deleted: {
        o.insert(QStringLiteral("kind"), QStringLiteral("deleted"));
        QJsonArray ids;
        for (qint64 id : readings)
            ids.append(id);
        o.insert(QStringLiteral("readings"), ids);
        break;
    }
    case Kind::Emptied:
        o.insert(QStringLiteral("kind"), QStringLiteral("emptied"));
        o.insert(QStringLiteral("reason"), reasonName(reason));
        if (reason == Emptied::Open) {
            o.insert(QStringLiteral("journal_file"), journalFile);
            o.insert(QStringLiteral("row_count"), rowCount);
        }
        break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
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
