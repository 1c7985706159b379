#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "recovery/JournalRecovery.h"

#include "common/AnsiText.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A journal laid out for a scale type with its recovery in a folder of its own.
struct Rig {
    QTemporaryDir folder;
    JournalGrid journal;
    JournalRecovery::Session session{2, QStringLiteral("/data/day.txt"), QStringLiteral("/data/day.txt")};
    QStringList failures;
    std::unique_ptr<JournalRecovery> recovery;

    explicit Rig(const QString &path = QString())
    {
        JournalLayout::apply(JournalLayout::forType(session.scaleType, {}), journal);
        recovery = make(path.isEmpty() ? folder.path() : path);
    }

    std::unique_ptr<JournalRecovery> make(const QString &path)
    {
        return std::make_unique<JournalRecovery>(
            path, JournalRecovery::Surroundings{journal, [this] { return session; },
                                                [this](const QString &text) { failures << text; }});
    }

    void record(const QString &weight, const QString &note = QString())
    {
        // Numbered as the central journal numbers a reading.
        journal.AddItem(QStringLiteral("%1\t%1\t%2\tkg\tS\t10\t0.125\t05.03.2024 09:05:07\t%3")
                            .arg(journal.Rows())
                            .arg(weight, note),
                        1000 + journal.Rows());
        recovery->changed();
    }

    void storeNote(int row, const QString &note)
    {
        journal.setTextMatrix(row, journal.columnWithCaption(JournalLayout::noteCaption()), note);
        recovery->changed();
    }

    QStringList rows() const
    {
        QStringList r;
        for (int i = 1; i < journal.Rows(); ++i)
            r << journal.dataText(i);
        return r;
    }

    QList<qint64> ids() const
    {
        QList<qint64> r;
        for (int i = 1; i < journal.Rows(); ++i)
            r << journal.readingId(i);
        return r;
    }
    static QList<qint64> idsOf(const RecoveredJournal &j)
    {
        QList<qint64> r;
        for (const RecoveredJournal::StoredRow &row : j.storedRows)
            r << row.id;
        return r;
    }

    QByteArray file() const
    {
        QFile f(recovery->path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The size of the journal's own file: its rows' cells, one byte a
    // character, and CR LF.
    qint64 journalFileSize() const
    {
        qint64 bytes = 0;
        for (int i = 1; i < journal.Rows(); ++i)
            bytes += journal.dataCells(i).size() + 2;
        return bytes;
    }
};

} // namespace

class TstJournalRecovery : public QObject
{
    Q_OBJECT

private slots:
    void everyChangeComesBack();
    void restoredRowsKeepTheirBytes();
    void nothingWhileSaved();
    void resetLeavesNothing();
    void cutAtEveryByteOffset();
    void damagedBytes_data();
    void damagedBytes();
    void adoptedFileGoesOn();
    void restoredAsTheRowsWere_data();
    void checksum_data();
    void utf16Length_data();
    void utf16Length();
    void checksum();
    void checksumOfLongRuns_data();
    void checksumOfLongRuns();
    void restoredAsTheRowsWere();
    void compactedWhenLarge();
    void firstChangeTakesTheBase_data();
    void firstChangeTakesTheBase();
    void withinTwiceTheJournalFile_data();
    void withinTwiceTheJournalFile();
    void cellOfEitherKind_data();
    void cellOfEitherKind();
    void firstVersionFileReads();
    void secondCopyKeepsOff();
    void unwritable_data();
    void unwritable();
};

// Rows, notes, deletions (the last one leaving an empty row), file name and
// label come back as the journal holds them.
void TstJournalRecovery::everyChangeComesBack()
{
    Rig rig;
    rig.journal.AddItem(QStringLiteral("1\t1\t0.500\tkg\tS\t1\t0.5\tt\tloaded")); // saved before: not a change
    rig.record(QStringLiteral("1.000"), QStringLiteral("партия 7"));
    rig.record(QStringLiteral("2.000"));
    rig.storeNote(3, QStringLiteral("поддон №2"));
    rig.record(QStringLiteral("3.000"));
    rig.journal.RemoveItems(2, 1);
    rig.session.label = QStringLiteral("Новый");
    rig.recovery->sessionChanged();
    rig.record(QStringLiteral("4.000"), QStringLiteral("конец"));

    std::optional<RecoveredJournal> back = readRecovery(rig.file());
    QVERIFY(back);
    QCOMPARE(back->rows(), rig.rows());
    QCOMPARE(Rig::idsOf(*back), rig.ids());
    QCOMPARE(back->rows().size(), 4);
    // Restored, the rows are the same readings.
    JournalGrid again;
    JournalLayout::apply(JournalLayout::forType(2, {}), again);
    back->addTo(again);
    for (int r = 1; r < again.Rows(); ++r)
        QCOMPARE(again.readingId(r), rig.journal.readingId(r));
    QVERIFY(back->rows()[1].endsWith(QStringLiteral("\tподдон №2")));
    QCOMPARE(back->scaleType, 2);
    QCOMPARE(back->columns, rig.journal.Cols() - 1);
    QCOMPARE(back->fileName, QStringLiteral("/data/day.txt"));
    QCOMPARE(back->label, QStringLiteral("Новый"));
    QCOMPARE(back->validLength, rig.file().size());
    QCOMPARE(back->gridRows().first(), QStringLiteral("1\t") + rig.rows().first());

    // Every row deleted: one empty row stays, as the grid keeps it.
    rig.journal.setRows(rig.journal.Rows() + 1);
    rig.journal.RemoveItems(1, rig.journal.Rows() - 2);
    QCOMPARE(readRecovery(rig.file())->rows(), rig.rows());
    QCOMPARE(rig.rows().size(), 1);
}

// The rows the code page holds refer to the bytes read, which each journal
// read from them keeps: the reader's buffer reused, another journal gone,
// the bytes stay; a cell edited on the way goes to a copy of its row.
void TstJournalRecovery::restoredRowsKeepTheirBytes()
{
    Rig rig;
    rig.record(QStringLiteral("1.000"), QStringLiteral("партия 7"));
    rig.record(QStringLiteral("2.000"));
    rig.record(QStringLiteral("3.000"));
    rig.storeNote(2, QStringLiteral("поддон №2")); // a cell record
    const QStringList rows = rig.rows();

    QByteArray bytes = rig.file();
    const QByteArray unchanged(bytes.constData(), bytes.size()); // a copy of its own
    std::optional<RecoveredJournal> back = readRecovery(bytes);
    std::optional<RecoveredJournal> again = readRecovery(bytes);
    QVERIFY(back && again);
    QCOMPARE(back->rows(), rows);
    QCOMPARE(bytes, unchanged);
    bytes.fill('x'); // the reader's buffer used again
    QCOMPARE(back->rows(), rows);
    back.reset();
    bytes = QByteArray();
    QCOMPARE(again->rows(), rows);
}

void TstJournalRecovery::nothingWhileSaved()
{
    Rig rig;
    rig.journal.AddItem(QStringLiteral("1\t1\t0.500"));
    rig.journal.setTextMatrix(1, 2, QStringLiteral("x"));
    QVERIFY(!QFile::exists(rig.recovery->path()));
    QVERIFY(!rig.recovery->pending());
}

// After a save (or the operator's "Нет") nothing is left; the next change
// starts again from the whole journal.
void TstJournalRecovery::resetLeavesNothing()
{
    Rig rig;
    rig.record(QStringLiteral("1.000"));
    QVERIFY(rig.recovery->pending());
    rig.recovery->reset();
    QVERIFY(!QFile::exists(rig.recovery->path()));
    QVERIFY(!rig.recovery->pending());
    rig.journal.AddItem(QStringLiteral("2\t2\t2.000")); // not a change of its own
    QVERIFY(!QFile::exists(rig.recovery->path()));
    rig.record(QStringLiteral("3.000"));
    QCOMPARE(rig.recovery->pending()->rows(), rig.rows());
    QCOMPARE(rig.rows().size(), 3);
}

// A file cut at any byte gives the journal of the last change wholly before
// the cut, and nothing before the first change is whole.
void TstJournalRecovery::cutAtEveryByteOffset()
{
    Rig rig;
    // Rows opened from a file make the journal large enough for the changes
    // below to stay records of their own (the file is not written anew).
    for (int i = 0; i < 10; ++i)
        rig.journal.AddItem(QStringLiteral("%1\t%1\t0.500\tkg\tS\t1\t0.5\t05.03.2024 09:00:00\tутро").arg(i + 1));
    QList<qint64> ends;
    QList<QStringList> states;
    auto step = [&] {
        ends << rig.file().size();
        states << rig.rows();
    };
    rig.record(QStringLiteral("1.000"), QStringLiteral("а"));
    step();
    rig.record(QStringLiteral("2.000"));
    step();
    rig.storeNote(1, QStringLiteral("бв"));
    step();
    rig.storeNote(3, QStringLiteral("✓ сухо")); // outside the code page: UTF-8
    step();
    rig.storeNote(3, QStringLiteral("вновь"));
    step();
    rig.journal.RemoveItems(2, 1);
    step();
    rig.record(QStringLiteral("5.000"));
    step();
    const QByteArray whole = rig.file();
    QCOMPARE(ends.last(), whole.size());

    for (qint64 cut = 0; cut <= whole.size(); ++cut) {
        const std::optional<RecoveredJournal> back = readRecovery(whole.left(cut));
        qsizetype last = -1;
        for (qsizetype i = 0; i < ends.size(); ++i) {
            if (ends[i] <= cut)
                last = i;
        }
        if (last < 0) {
            // Only the first change's journal, wholly there, counts.
            QVERIFY2(!back, qPrintable(QString::number(cut)));
            continue;
        }
        QVERIFY2(back, qPrintable(QString::number(cut)));
        QVERIFY2(back->rows() == states[last], qPrintable(QStringLiteral("cut at %1 of %2").arg(cut).arg(whole.size())));
        QCOMPARE(back->validLength, ends[last]);
    }
}

void TstJournalRecovery::damagedBytes_data()
{
    QTest::addColumn<quint64>("seed");
    for (quint64 seed = 1; seed <= 8; ++seed)
        QTest::addRow("seed %llu", seed) << seed;
}

// A byte changed anywhere: every change before it comes back, none after.
void TstJournalRecovery::damagedBytes()
{
    QFETCH(quint64, seed);
    Rig rig;
    QList<qint64> ends;
    QList<QStringList> states;
    for (int i = 0; i < 6; ++i) {
        rig.record(QString::number(i) + QStringLiteral(".000"), QStringLiteral("примечание %1").arg(i));
        ends << rig.file().size();
        states << rig.rows();
    }
    QByteArray bytes = rig.file();
    QRandomGenerator random(seed);
    const qsizetype at = random.bounded(qsizetype(RecoveryFormat::header().size()), bytes.size());
    bytes[at] = char(bytes[at] ^ (1 + random.bounded(255)));
    const std::optional<RecoveredJournal> back = readRecovery(bytes);
    qsizetype whole = -1;
    for (qsizetype i = 0; i < ends.size(); ++i) {
        if (ends[i] <= at)
            whole = i;
    }
    if (whole < 0)
        QVERIFY(!back);
    else
        QCOMPARE(back->rows(), states[whole]);
}

// A restored journal's file goes on from its last whole change.
void TstJournalRecovery::adoptedFileGoesOn()
{
    QTemporaryDir folder;
    QStringList before;
    qint64 whole = 0;
    {
        Rig rig(folder.path());
        rig.record(QStringLiteral("1.000"));
        rig.record(QStringLiteral("2.000"));
        before = rig.rows();
        whole = rig.file().size();
    }
    QFile torn(QDir(folder.path()).filePath(JournalRecovery::fileName()));
    QVERIFY(torn.open(QIODevice::Append));
    torn.write("\x20\0\0\0garbage", 11);
    torn.close();

    Rig rig(folder.path());
    const std::optional<RecoveredJournal> back = rig.recovery->pending();
    QVERIFY(back);
    QCOMPARE(back->rows(), before);
    QCOMPARE(back->validLength, whole);
    rig.journal.addItems(back->gridRows());
    rig.recovery->adopt(*back);
    rig.journal.AddItem(QStringLiteral("3\t3\t3.000"));
    rig.recovery->changed();
    QCOMPARE(readRecovery(rig.file())->rows(), rig.rows());
    QCOMPARE(rig.rows().size(), 3);
}

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ino_t inode(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

} // namespace

void TstJournalRecovery::firstChangeTakesTheBase_data()
{
    QTest::addColumn<QString>("before"); // what the journal goes through before its first change
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("taken"); // the base written beforehand becomes the recovery file
    QTest::newRow("base written, then a reading") << "wait" << "reading" << true;
    QTest::newRow("base being written, then a reading") << "one turn" << "reading" << true;
    QTest::newRow("base written, then saved as another file, then a reading") << "wait, rename" << "reading" << true;
    QTest::newRow("base written, rows appended after it, then a reading") << "wait, append" << "reading" << true;
    QTest::newRow("base written, then a note") << "wait" << "note" << false;
    QTest::newRow("base written, then rows deleted") << "wait" << "delete" << false;
    QTest::newRow("base written, then another layout") << "wait, relayout" << "reading" << false;
    QTest::newRow("no turn of the event loop, then a reading") << "" << "reading" << false;
}

// A journal that was opened or saved gets its recovery file's start written
// while nothing is unsaved; whatever happens before its first change, the
// file then holds the journal as it is.
void TstJournalRecovery::firstChangeTakesTheBase()
{
    QFETCH(QString, before);
    QFETCH(QString, change);
    QFETCH(bool, taken);
    Rig rig;
    // Enough rows for several slices of the base.
    for (int i = 1; i <= 40000; ++i)
        rig.journal.AddItem(QStringLiteral("%1\t%1\t%2.500\tkg\tS\t3\t0.5\t05.03.2024 09:05:07\tпартия %1").arg(i).arg(i % 90));
    // Rows from the 20,000th on are readings of this station (a restored journal).
    QList<qint64> ids;
    for (qint64 i = 1; i <= 20001; ++i)
        ids << (i % 3 ? i : 0);
    rig.journal.setReadingIds(20000, ids);
    const QString next = rig.folder.filePath(JournalRecovery::baseFileName());
    if (before.startsWith(QLatin1String("wait"))) {
        QTRY_VERIFY(readRecovery(bytesOf(next))); // written to its end
    } else if (before == QLatin1String("one turn")) {
        QDeadlineTimer deadline(5000);
        while (!QFile::exists(next) && !deadline.hasExpired())
            QCoreApplication::processEvents();
        QVERIFY(!readRecovery(bytesOf(next))); // begun, not ended
    }
    if (before.endsWith(QLatin1String("append"))) {
        for (int i = 1; i <= 20000; ++i)
            rig.journal.AddItem(QStringLiteral("%1\t%1\t1.250\tkg\tS\t3\t0.5\tt\tдобавлено").arg(i));
        QTest::qWait(100); // written after the base's row count, as changes
    }
    if (before.endsWith(QLatin1String("rename")))
        rig.session.fileName = QStringLiteral("/data/other.txt");
    if (before.endsWith(QLatin1String("relayout"))) {
        rig.session.scaleType = 0;
        JournalLayout::apply(JournalLayout::forType(0, {}), rig.journal);
        rig.journal.AddItem(QStringLiteral("1\t1\t7.000\tkg\tS\tt\tafter"));
    }
    // A second name keeps the base's inode from being reused by a file
    // written anew.
    const QString probe = next + QStringLiteral(".probe");
    const ino_t base = ::link(QFile::encodeName(next).constData(), QFile::encodeName(probe).constData()) == 0
        ? inode(probe)
        : 0;

    if (change == QLatin1String("reading"))
        rig.record(QStringLiteral("9.750"), QStringLiteral("новая"));
    else if (change == QLatin1String("note"))
        rig.storeNote(17, QStringLiteral("правка"));
    else {
        rig.journal.RemoveItems(5, 3);
        rig.recovery->changed();
    }

    QCOMPARE(base != 0 && inode(rig.recovery->path()) == base, taken);
    QVERIFY(!QFile::exists(next));
    const std::optional<RecoveredJournal> back = readRecovery(rig.file());
    QVERIFY(back);
    QCOMPARE(back->rows(), rig.rows());
    QCOMPARE(Rig::idsOf(*back), rig.ids());
    QCOMPARE(back->fileName, rig.session.fileName);
    QCOMPARE(back->scaleType, rig.session.scaleType);
    QCOMPARE(back->columns, rig.journal.Cols() - 1);
    QVERIFY(rig.failures.isEmpty());
    // Closed with changes unsaved: the base of a next journal is not left behind.
    rig.recovery.reset();
    QVERIFY(!QFile::exists(next));
}

// Many note edits: the file is written anew from the journal and stays
// within twice the journal file's size.
void TstJournalRecovery::compactedWhenLarge()
{
    Rig rig;
    for (int i = 0; i < 50; ++i)
        rig.record(QStringLiteral("%1.000").arg(i));
    qint64 journalBytes = 0;
    for (const QString &row : rig.rows())
        journalBytes += row.size() + 2;
    for (int i = 0; i < 2000; ++i)
        rig.storeNote(1 + i % 50, QStringLiteral("правка %1 %2").arg(i).arg(QString(i % 7 * 10, QLatin1Char('x'))));
    // Then notes shorter than before: the journal shrinks.
    for (int i = 0; i < 50; ++i)
        rig.storeNote(1 + i, QString());
    journalBytes = 0;
    for (const QString &row : rig.rows())
        journalBytes += row.size() + 2;
    QVERIFY2(rig.file().size() <= 2 * journalBytes + journalBytes / 8,
             qPrintable(QStringLiteral("%1 > 2 x %2").arg(rig.file().size()).arg(journalBytes)));
    QCOMPARE(readRecovery(rig.file())->rows(), rig.rows());
    QCOMPARE(Rig::idsOf(*readRecovery(rig.file())), rig.ids());
    QVERIFY(rig.failures.isEmpty());
}

void TstJournalRecovery::withinTwiceTheJournalFile_data()
{
    QTest::addColumn<QString>("note");
    QTest::newRow("cyrillic") << QStringLiteral("Партия №17, склад «Восточный», поддон ёЁ");
    QTest::newRow("latin") << QStringLiteral("lot 17, east store, pallet 4");
    QTest::newRow("partly outside the code page") << QStringLiteral("Müller, поддон 2×3, ø 12 мм, годен ✓ 😀");
}

// Rows recorded with notes, then thousands of note edits, longer and shorter,
// and deletions, a restart that restores, shorter notes: after every change the file stays within twice the
// journal's own file (a file of more than a few rows: the file's head is
// about a hundred bytes), and whenever it is written anew it has the size
// the journal it holds gives.
void TstJournalRecovery::withinTwiceTheJournalFile()
{
    QFETCH(QString, note);
    Rig rig;
    qint64 largest = 0;
    int rewrites = 0;
    qint64 previous = 0;
    // What is wrong after a change, if anything.
    const auto check = [&]() -> QString {
        const qint64 size = rig.file().size();
        const qint64 journal = rig.journalFileSize();
        largest = std::max(largest, size);
        const bool rewritten = size < previous;
        previous = size;
        if (rewritten) {
            ++rewrites;
            if (size != readRecovery(rig.file())->freshFileSize())
                return QStringLiteral("written anew: %1 bytes, not %2").arg(size).arg(readRecovery(rig.file())->freshFileSize());
        }
        if (rig.journal.Rows() > 10 && size > 2 * journal)
            return QStringLiteral("%1 > 2 x %2").arg(size).arg(journal);
        return {};
    };
    // The first n characters, never half a surrogate pair.
    const auto left = [](const QString &text, qsizetype n) {
        return text.left(n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate() ? n - 1 : n);
    };
    for (int i = 0; i < 200; ++i) {
        rig.record(QStringLiteral("%1.500").arg(i), left(note, i % (note.size() + 1)));
        const QString problem = check();
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("row %1: ").arg(i) + problem));
    }
    for (int i = 0; i < 3000; ++i) {
        // Long, short and empty notes in turn: the journal grows and shrinks.
        const int row = 1 + (i * 7) % (rig.journal.Rows() - 1);
        rig.storeNote(row, i % 3 == 0 ? QString() : left(note + QLatin1Char(' ') + note, i % (2 * note.size())));
        QString problem = check();
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("edit %1: ").arg(i) + problem));
        if (i % 100 == 99) {
            rig.journal.RemoveItems(row, 3);
            problem = check();
            QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("removal %1: ").arg(i) + problem));
        }
    }
    // A restart that restores the journal goes on measuring it.
    rig.recovery.reset();
    rig.recovery = rig.make(rig.folder.path());
    const std::optional<RecoveredJournal> back = rig.recovery->pending();
    QVERIFY(back);
    QCOMPARE(back->rows(), rig.rows());
    rig.recovery->adopt(*back);
    for (int i = 1; i < rig.journal.Rows(); ++i) {
        rig.storeNote(i, QStringLiteral("ок"));
        const QString problem = check();
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("short note %1: ").arg(i) + problem));
    }
    QVERIFY2(rewrites > 0, "many edits have the file written anew");
    QCOMPARE(readRecovery(rig.file())->rows(), rig.rows());
    QVERIFY(rig.failures.isEmpty());

    // The journal's own file is the size counted above.
    const QString saved = rig.folder.filePath(QStringLiteral("saved.txt"));
    QVERIFY(JournalFile::write(rig.journal, saved, QStringLiteral("\t")).ok);
    QCOMPARE(QFileInfo(saved).size(), rig.journalFileSize());
    qInfo("largest recovery file %lld bytes; journal file now %lld bytes, recovery file %lld bytes, %d rewrites",
          largest, rig.journalFileSize(), rig.file().size(), rewrites);
}

void TstJournalRecovery::cellOfEitherKind_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("note");
    const QString reading = QStringLiteral("  12.500\tkg\tS\t10\t0.125\t05.03.2024 09:05:07\t");
    QTest::newRow("code page into code page") << reading + QStringLiteral("утро") << QStringLiteral("поддон №2");
    QTest::newRow("outside into code page") << reading + QStringLiteral("утро") << QStringLiteral("2×3 ✓");
    QTest::newRow("code page into outside") << reading + QStringLiteral("ø 12") << QStringLiteral("поддон «А»");
    QTest::newRow("outside into outside") << reading + QStringLiteral("ø 12") << QStringLiteral("😀");
    QTest::newRow("empty into outside") << reading + QStringLiteral("ø 12") << QString();
}

// Rows and cells each in the code page when it holds them, in UTF-8 when
// not; a cell of either kind stored into a row of either kind reads back.
void TstJournalRecovery::cellOfEitherKind()
{
    QFETCH(QString, row);
    QFETCH(QString, note);
    QByteArray codePage;
    const QByteArray rowRecord = RecoveryFormat::row(row), cellRecord = RecoveryFormat::cell(0, 6, note);
    QCOMPARE(rowRecord.front(), AnsiText::encodeExactly(row, codePage) ? RecoveryFormat::Row : RecoveryFormat::WideRow);
    QCOMPARE(cellRecord.front(), AnsiText::encodeExactly(note, codePage) ? RecoveryFormat::Cell : RecoveryFormat::WideCell);
    if (rowRecord.front() == RecoveryFormat::Row)
        QCOMPARE(rowRecord.size(), 1 + row.size()); // one byte a character

    QByteArray file = RecoveryFormat::header();
    RecoveryFormat::appendRecord(file, RecoveryFormat::session(2, 8, QString(), QString()));
    RecoveryFormat::appendRecord(file, rowRecord);
    RecoveryFormat::appendRecord(file, RecoveryFormat::whole(1));
    RecoveryFormat::appendRecord(file, cellRecord);
    RecoveryFormat::appendRecord(file, RecoveryFormat::row(row)); // after the change, as it was
    const std::optional<RecoveredJournal> back = readRecovery(file);
    QVERIFY(back);
    QString expected = row;
    expected.truncate(row.lastIndexOf(QLatin1Char('\t')) + 1);
    QCOMPARE(back->rows(), (QStringList{expected + note, row}));

    JournalGrid restored, asText;
    for (JournalGrid *grid : {&restored, &asText})
        JournalLayout::apply(JournalLayout::forType(2, {}), *grid);
    back->addTo(restored);
    asText.addItems(back->gridRows());
    QCOMPARE(restored.TextMatrix(1, 7), note);
    QCOMPARE(restored.dataText(1), asText.dataText(1));
    QCOMPARE(restored.dataText(2), asText.dataText(2));
}

// A file of the first version (every text UTF-8) reads as it did.
void TstJournalRecovery::firstVersionFileReads()
{
    const auto record = [](QByteArray &out, char kind, const QByteArray &numbers, const QString &text) {
        RecoveryFormat::appendRecord(out, QByteArray(1, kind) + numbers + text.toUtf8());
    };
    const auto number = [](quint32 n) {
        QByteArray b(4, Qt::Uninitialized);
        qToLittleEndian(n, b.data());
        return b;
    };
    QByteArray file = RecoveryFormat::firstHeader();
    RecoveryFormat::appendRecord(file, RecoveryFormat::session(2, 8, QStringLiteral("/data/день.txt"), QStringLiteral("день")));
    record(file, 'A', {}, QStringLiteral("  1.000\tkg\tS\t1\t0.5\tt\tпартия 7"));
    record(file, 'A', {}, QStringLiteral("  2.000\tkg\tS\t1\t0.5\tt\t✓"));
    RecoveryFormat::appendRecord(file, RecoveryFormat::whole(2));
    record(file, 'C', number(0) + number(6), QStringLiteral("поддон ✓"));
    record(file, 'C', number(1) + number(6), QStringLiteral("сухо"));
    record(file, 'A', {}, QStringLiteral("  3.000\tkg\tS\t1\t0.5\tt\t"));
    const std::optional<RecoveredJournal> back = readRecovery(file);
    QVERIFY(back);
    QCOMPARE(back->rows(), (QStringList{QStringLiteral("  1.000\tkg\tS\t1\t0.5\tt\tподдон ✓"),
                                       QStringLiteral("  2.000\tkg\tS\t1\t0.5\tt\tсухо"),
                                       QStringLiteral("  3.000\tkg\tS\t1\t0.5\tt\t")}));
    QCOMPARE(back->fileName, QStringLiteral("/data/день.txt"));
    QCOMPARE(back->validLength, file.size());

    // The second version's: texts in the code page, no reading ids.
    QByteArray second = RecoveryFormat::secondHeader();
    RecoveryFormat::appendRecord(second, RecoveryFormat::session(2, 8, QString(), QString()));
    RecoveryFormat::appendRecord(second, RecoveryFormat::row(QStringLiteral("  1.000\tkg\tS\t1\t0.5\tt\tпартия 7")));
    RecoveryFormat::appendRecord(second, RecoveryFormat::whole(1));
    const std::optional<RecoveredJournal> secondBack = readRecovery(second);
    QVERIFY(secondBack);
    QCOMPARE(secondBack->rows(), QStringList{QStringLiteral("  1.000\tkg\tS\t1\t0.5\tt\tпартия 7")});
    QCOMPARE(Rig::idsOf(*secondBack), QList<qint64>{0});
}

// A second copy with the same settings folder never reads, writes or
// removes the first one's file.
void TstJournalRecovery::secondCopyKeepsOff()
{
    Rig rig;
    rig.record(QStringLiteral("1.000"));
    const QByteArray first = rig.file();
    JournalGrid other;
    JournalLayout::apply(JournalLayout::forType(0, {}), other);
    JournalRecovery second(rig.folder.path(), {other, [] { return JournalRecovery::Session{}; }, {}});
    QVERIFY(second.heldByAnotherCopy());
    QVERIFY(!rig.recovery->heldByAnotherCopy());
    QVERIFY(!second.pending());
    other.AddItem(QStringLiteral("1\t1\t9.000"));
    second.changed();
    second.reset();
    QCOMPARE(rig.file(), first);
    // Once the first copy is gone, a copy started then keeps the recovery.
    rig.recovery.reset();
    JournalRecovery third(rig.folder.path(), {other, [] { return JournalRecovery::Session{}; }, {}});
    QVERIFY(!third.heldByAnotherCopy());
    QCOMPARE(third.pending()->rows().size(), 1);
}

void TstJournalRecovery::unwritable_data()
{
    QTest::addColumn<bool>("folderMissing");
    QTest::newRow("the file's name is a folder") << false;
    QTest::newRow("the settings folder is gone") << true;
}

// Told once, and the journal goes on without it.
void TstJournalRecovery::unwritable()
{
    QFETCH(bool, folderMissing);
    QTemporaryDir base;
    const QString folder = folderMissing ? base.filePath(QStringLiteral("gone")) : base.path();
    if (!folderMissing)
        QVERIFY(QDir(folder).mkdir(JournalRecovery::fileName()));
    Rig rig(folder);
    rig.record(QStringLiteral("1.000"));
    rig.record(QStringLiteral("2.000"));
    rig.storeNote(1, QStringLiteral("x"));
    QCOMPARE(rig.failures.size(), 1);
    QVERIFY(rig.failures.first().startsWith(QStringLiteral("Не удалось записать файл восстановления журнала")));
    QVERIFY(!rig.recovery->keeping());
    QCOMPARE(rig.rows().size(), 2);
    rig.recovery->reset();
    rig.record(QStringLiteral("3.000"));
    QCOMPARE(rig.failures.size(), 1);
}

// Restoring feeds rows the code page holds as its bytes and the others as
// text: the journal gets the rows, numbers and cells loading the text gives.
void TstJournalRecovery::restoredAsTheRowsWere_data()
{
    QTest::addColumn<QStringList>("rows");
    const QString reading = QStringLiteral("  12.500\tkg\tS\t10\t0.125\t05.03.2024 09:05:07\t");
    QTest::newRow("latin") << QStringList{reading, reading + QStringLiteral("lot 7")};
    QTest::newRow("cyrillic") << QStringList{reading + QStringLiteral("поддон №2 АЯая"), reading + QStringLiteral("Ёлка ёж")};
    QTest::newRow("outside the code page between")
        << QStringList{reading + QStringLiteral("а"), reading + QStringLiteral("箱 ✓"), reading + QStringLiteral("б"),
                       reading + QStringLiteral("€ ‰"), reading + QStringLiteral("😀")};
    QTest::newRow("outside the code page first and last")
        << QStringList{reading + QStringLiteral("✓"), reading, reading + QStringLiteral("✓")};
    QTest::newRow("short and long rows") << QStringList{QStringLiteral("1.0"), reading + QStringLiteral("a\tb\tc\td")};
}

void TstJournalRecovery::restoredAsTheRowsWere()
{
    QFETCH(QStringList, rows);
    QByteArray file = RecoveryFormat::header();
    RecoveryFormat::appendRecord(file, RecoveryFormat::session(2, 8, QString(), QString()));
    for (const QString &row : rows)
        RecoveryFormat::appendRecord(file, RecoveryFormat::row(row));
    RecoveryFormat::appendRecord(file, RecoveryFormat::whole(rows.size()));
    const std::optional<RecoveredJournal> back = readRecovery(file);
    QVERIFY(back);
    QCOMPARE(back->rows(), rows);

    JournalGrid asText, restored;
    for (JournalGrid *grid : {&asText, &restored})
        JournalLayout::apply(JournalLayout::forType(2, {}), *grid);
    asText.addItems(back->gridRows());
    back->addTo(restored);
    QCOMPARE(restored.Rows(), int(rows.size()) + 1);
    for (int r = 1; r < restored.Rows(); ++r) {
        QCOMPARE(restored.dataCells(r).toString(), asText.dataCells(r).toString());
        for (int c = 0; c < restored.Cols(); ++c)
            QCOMPARE(restored.TextMatrix(r, c), asText.TextMatrix(r, c));
    }
    QCOMPARE(restored.TextMatrix(int(rows.size()), 0), QString::number(rows.size()));
}

// The records' CRC-32 is the common one (of zip, PNG and zlib): short
// lengths around a machine word, and a row's record.
void TstJournalRecovery::checksum_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("empty") << QByteArray() << 0u;
    QTest::newRow("one byte") << QByteArray("a") << 0xE8B7BE43u;
    QTest::newRow("seven") << QByteArray("1234567") << 0x5003699Fu;
    QTest::newRow("eight") << QByteArray("12345678") << 0x9AE0DAAFu;
    QTest::newRow("nine") << QByteArray("123456789") << 0xCBF43926u;
    QTest::newRow("sentence") << QByteArray("The quick brown fox jumps over the lazy dog") << 0x414FA339u;
    QTest::newRow("high bytes") << QByteArray("\xC0\xFF\x80\x00\x01\xFE\x7F\x98\xA8\xB8", 10) << 0xDE218602u;
    const QByteArray note = QByteArray("\xCF\xE0\xF0\xF2\xE8\xFF \xB9" "1, \xF1\xEA\xEB\xE0\xE4 \xAB\xC2\xEE\xF1\xF2\xEE\xF7\xED\xFB\xE9\xBB");
    QTest::newRow("a row's record") << QByteArray("1\t  12.5\tkg\tS\t3\t0.125\t05.03.2024 9:05:07\t") + note
                                    << 0xFD3E3F50u;
}

void TstJournalRecovery::checksum()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, crc);
    QCOMPARE(RecoveryFormat::crc32(bytes), crc);
}

// Over the lengths and addresses at which the CRC folds whole blocks: a
// journal's records written whole, a view that starts at an odd address.
void TstJournalRecovery::checksumOfLongRuns_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("length");
    QTest::addColumn<quint32>("crc");
    const auto pattern = [](int length, int factor, int offset) {
        QByteArray bytes(length, Qt::Uninitialized);
        for (int i = 0; i < length; ++i)
            bytes[i] = char((i * factor + offset) % 256);
        return bytes;
    };
    QTest::newRow("1,000 bytes") << pattern(1000, 7, 3) << 0 << 1000 << 0x17BC2A46u;
    const QByteArray mebibyte = pattern(1 << 20, 131, 17);
    QTest::newRow("1 MiB") << mebibyte << 0 << int(mebibyte.size()) << 0xE4AEA02Du;
    QTest::newRow("4,099 bytes from an odd address") << mebibyte << 1 << 4099 << 0x71DED692u;
}

void TstJournalRecovery::checksumOfLongRuns()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, from);
    QFETCH(int, length);
    QFETCH(quint32, crc);
    QCOMPARE(RecoveryFormat::crc32(QByteArrayView(bytes).sliced(from, length)), crc);
}

// The journal's size is counted in characters from the rows' UTF-8.
void TstJournalRecovery::utf16Length_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << QStringLiteral("  12.500\tkg\tS\t10");
    QTest::newRow("cyrillic, long") << QStringLiteral("Партия №17, склад «Восточный» ёЁ");
    QTest::newRow("three bytes") << QStringLiteral("€‰✓箱 a");
    QTest::newRow("beyond the BMP") << QStringLiteral("a😀bc𝄞defgh😀");
}

void TstJournalRecovery::utf16Length()
{
    QFETCH(QString, text);
    for (qsizetype from = 0; from <= text.size(); ++from)
        QCOMPARE(::utf16Length(text.mid(from).toUtf8()), text.size() - from);
}

QTEST_GUILESS_MAIN(TstJournalRecovery)
#include "tst_journalrecovery.moc"
