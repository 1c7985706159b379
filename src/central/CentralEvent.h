#pragma once

#include "journal/JournalLayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>


// One event of the station's journal as the central journal keeps it: what
// happened to a reading, when by the station's clock, and who was logged in.
// Its number is given when the outbox takes it, so toJson takes it apart.
struct CentralEvent {
    enum class Kind { Recorded, NoteChanged, Deleted, Emptied };
    enum class Emptied { New, Open, Layout, RestoreDeclined };

    Kind kind = Kind::Recorded;
    QDateTime stationTime; // local, UTC or with an offset: sent as UTC with its offset
    QString osUser;

    // Recorded: every cell of the row, by the journal's column keys.
    int scaleType = 0;
    QString journalFile; // also the file opened (Emptied, Open)
    QVector<JournalColumn> columns;
    QStringList cells;
    // NoteChanged: the reading (its recorded event's number) and the notes.
    qint64 reading = 0;
    QString noteOld;
    QString note;
    // Deleted
    QList<qint64> readings;
    // Emptied
    Emptied reason = Emptied::New;
    int rowCount = 0;

    static CentralEvent recorded(int scaleType, const QString &journalFile, const QVector<JournalColumn> &columns,
                                 const QStringList &cells);
    static CentralEvent noteChanged(qint64 reading, const QString &oldNote, const QString &newNote);
    static CentralEvent deleted(const QList<qint64> &readings);
    static CentralEvent emptied(Emptied reason, const QString &openedFile = {}, int rowCount = 0);

    // The object tarovik.append_events takes for this event under number
    // seq, compact UTF-8 JSON. Weight and quantity go as strings of the
    // exact decimal, where the cell reads as a number.
    QByteArray toJson(qint64 seq) const;
};

namespace CentralJson {
// The JSON array of a batch, from events' toJson.
QByteArray batch(const QList<QByteArray> &events);
// The decimal of a cell with a point ("-12.350"), empty when it is no number.
QString exactDecimal(QStringView cell);
} // namespace CentralJson
