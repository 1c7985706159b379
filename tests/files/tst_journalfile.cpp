#include "files/JournalFile.h"
#include "journal/JournalGrid.h"
#include "journal/JournalLayout.h"
#include "support/SmallFilesystem.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>
#include <memory>

using namespace Qt::StringLiterals;
using TestFiles::bytesOf;
using TestFiles::put;

// A save file that refuses every write once limit bytes are written, as a
// device that fails half way.
class FailingSaveFile : public QSaveFile
{
public:
    FailingSaveFile(const QString &name, qint64 limit) : QSaveFile(name), m_limit(limit) {}

protected:
    qint64 writeData(const char *data, qint64 len) override
    {
        const qint64 n = std::min(len, m_limit - m_written);
        if (n <= 0)
            return -1;
        m_written += n;
        return QSaveFile::writeData(data, n);
    }

private:
    qint64 m_limit;
    qint64 m_written = 0;
};

// The journal text file: the bytes the writer puts on disk, the rows the
// reader makes of bytes, and saves that fail without harming the old file.
class TestJournalFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SmallFilesystem> m_mounted;

    static void fill(JournalGrid &grid, bool counting, const QStringList &rows)
    {
        JournalLayout::apply(counting ? JournalLayout::counting() : JournalLayout::weighing(), grid);
        grid.addItems(rows);
    }
    // Every cell of the journal rows, column 0 first, one Tab-joined text a row.
    static QStringList cellsOf(const JournalGrid &grid)
    {
        QStringList rows;
        for (int r = 1; r < grid.Rows(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid.Cols(); ++c)
                cells.append(grid.TextMatrix(r, c));
            rows.append(cells.join(u'\t'));
        }
        return rows;
    }
    static QStringList read(const QString &path, bool counting)
    {
        const std::optional<QStringList> rows = JournalFile::readRows(path);
        if (!rows)
            return {u"<not opened>"_s};
        JournalGrid grid;
        fill(grid, counting, *rows);
        return cellsOf(grid);
    }
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup() { m_mounted.reset(); }

    void writes_data()
    {
        QTest::addColumn<bool>("counting");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty journal") << false << QStringList() << QByteArray("");
        QTest::newRow("weighing, Cyrillic note")
            << false
            << QStringList{u"1\t1\t  1,250\tkg\tS\t07.12.2026 10:00:01\tВес нетто"_s,
                           u"2\t2\t-0,005\tkg\tU\t07.12.2026 10:00:02\t"_s, u"3\t3\t\t\t\t\t"_s}
            << QByteArray("1\t  1,250\tkg\tS\t07.12.2026 10:00:01\t\xC2\xE5\xF1 \xED\xE5\xF2\xF2\xEE\r\n"
                          "2\t-0,005\tkg\tU\t07.12.2026 10:00:02\t\r\n"
                          "3\t\t\t\t\t\r\n");
        QTest::newRow("counting")
            << true << QStringList{u"1\t7\t 0,120\tkg\tS\t12\t0,010\t07.12.2026 10:00:01\tЁж"_s}
            << QByteArray("7\t 0,120\tkg\tS\t12\t0,010\t07.12.2026 10:00:01\t\xA8\xE6\r\n");
        QTest::newRow("text 1251 cannot hold") << false << QStringList{u"1\t1\t\t\t\t\t€ ✓ z"_s}
                                               << QByteArray("1\t\t\t\t\t\x88 ? z\r\n");
    }

    void writes()
    {
        QFETCH(bool, counting);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, bytes);
        JournalGrid grid;
        fill(grid, counting, rows);
        const QString path = m_dir->filePath(u"j.txt"_s);
        QVERIFY(put(path, "an older and longer journal\r\n"));
        const JournalFile::WriteResult result = JournalFile::write(grid, path, u"\t"_s);
        QVERIFY(result.ok);
        QCOMPARE(bytesOf(path), bytes);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"j.txt"_s});
    }

    // Notes as the editor stores them (pasted Tabs and line breaks become
    // blanks) keep one row per line, and every cell comes back.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("counting");
        QTest::newRow("weighing") << false;
        QTest::newRow("counting") << true;
    }

    void roundTrip()
    {
        QFETCH(bool, counting);
        JournalGrid grid;
        const int cols = counting ? 9 : 7;
        JournalLayout::apply(counting ? JournalLayout::counting() : JournalLayout::weighing(), grid);
        for (int r = 1; r <= 3; ++r) {
            QStringList cells{QString::number(r)};
            for (int c = 1; c < cols; ++c)
                cells.append(u" %1 ячейка %2 "_s.arg(r).arg(c));
            grid.AddItem(cells.join(u'\t'));
        }
        grid.setTextMatrix(2, cols - 1, u"вставлено\tс\r\nразрывом"_s);
        const QString path = m_dir->filePath(u"j.txt"_s);
        QVERIFY(JournalFile::write(grid, path, u"\t"_s).ok);
        QCOMPARE(bytesOf(path).count('\n'), 3);
        QCOMPARE(read(path, counting), cellsOf(grid));
        QCOMPARE(grid.TextMatrix(2, cols - 1), u"вставлено с  разрывом"_s);
    }

    void writesWithOtherSeparator()
    {
        JournalGrid grid;
        JournalLayout::apply(JournalLayout::weighing(), grid);
        grid.AddItem(u"1\t7\t1.000\tkg\tS\tt\tзаметка"_s);
        const QString path = m_dir->filePath(u"j.txt"_s);
        QVERIFY(JournalFile::write(grid, path, u"; "_s).ok);
        QCOMPARE(bytesOf(path), QByteArray("7; 1.000; kg; S; t; \xE7\xE0\xEC\xE5\xF2\xEA\xE0\r\n"));
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("counting");
        QTest::addColumn<QStringList>("rows"); // cells of columns 0..last
        QTest::newRow("empty file") << QByteArray() << false << QStringList();
        QTest::newRow("made on Windows")
            << QByteArray("12\t 0,500\tkg\tS\t01.02.2024 9:05:00\t\xEF\xE0\xF0\xF2\xE8\xFF \xB9" "5\r\n"
                          "13\t 0,750\tkg\tS\t01.02.2024 9:06:00\t\r\n")
            << false
            << QStringList{u"1\t12\t 0,500\tkg\tS\t01.02.2024 9:05:00\tпартия №5"_s,
                           u"2\t13\t 0,750\tkg\tS\t01.02.2024 9:06:00\t"_s};
        QTest::newRow("last line without line end, empty line inside")
            << QByteArray("1\ta\r\n\r\n3\tc") << false
            << QStringList{u"1\t1\ta\t\t\t\t"_s, u"2\t\t\t\t\t\t"_s, u"3\t3\tc\t\t\t\t"_s};
        // The reader takes the file in blocks of 64 KiB: here a line end
        // falls between two of them.
        QTest::newRow("CR LF across blocks") << QByteArray(65535, 'x') + "\r\n2\r\n" << false
                                             << QStringList{u"1\t"_s + QString(65535, u'x') + u"\t\t\t\t\t"_s,
                                                            u"2\t2\t\t\t\t\t"_s};
        // The journal takes the file in blocks of 1 MiB.
        QTest::newRow("line across 1 MiB blocks") << QByteArray(1024 * 1024 - 1, 'y') + "\r\n\xE6\r\n" << false
                                                  << QStringList{u"1\t"_s + QString(1024 * 1024 - 1, u'y') + u"\t\t\t\t\t"_s,
                                                                 u"2\t\u0436\t\t\t\t\t"_s};
        QTest::newRow("CR inside a line") << QByteArray("1\ta\rb\r\r\n") << false
                                          << QStringList{u"1\t1\ta b \t\t\t\t"_s};
        QTest::newRow("line ends of LF only") << QByteArray("1\n2\n") << false
                                              << QStringList{u"1\t1\t\t\t\t\t"_s, u"2\t2\t\t\t\t\t"_s};
        QTest::newRow("extra fields dropped") << QByteArray("1\t2\t3\t4\t5\t6\t7\t8\r\n") << false
                                              << QStringList{u"1\t1\t2\t3\t4\t5\t6"_s};
        QTest::newRow("counting file read as weighing")
            << QByteArray("7\t 0,120\tkg\tS\t12\t0,010\t07.12.2026 10:00:01\tnote\r\n") << false
            << QStringList{u"1\t7\t 0,120\tkg\tS\t12\t0,010"_s};
        QTest::newRow("weighing file read as counting")
            << QByteArray("7\t 0,120\tkg\tS\t07.12.2026 10:00:01\tnote\r\n") << true
            << QStringList{u"1\t7\t 0,120\tkg\tS\t07.12.2026 10:00:01\tnote\t\t"_s};
        QTest::newRow("NUL and the unassigned byte")
            << QByteArray("1\ta\0b\t\x98\r\n2\tok\r\n", 15) << false
            << QStringList{u"1\t1\ta\0b\t\u0098\t\t\t"_s, u"2\t2\tok\t\t\t\t"_s};
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, counting);
        QFETCH(QStringList, rows);
        const QString path = m_dir->filePath(u"j.txt"_s);
        QVERIFY(put(path, bytes));
        QCOMPARE(read(path, counting), rows);

        // Opening a file keeps its lines as bytes: the same rows.
        JournalGrid grid;
        int opened = 0;
        QVERIFY(JournalFile::readLines(
            path, [&] { fill(grid, counting, {}); ++opened; },
            [&grid](const QList<QByteArrayView> &lines) { grid.addFileLines(lines); }));
        QCOMPARE(opened, 1);
        QCOMPARE(cellsOf(grid), rows);
        // Saved again and read, the rows are the same.
        const QString again = m_dir->filePath(u"again.txt"_s);
        QVERIFY(JournalFile::write(grid, again, u"\t"_s).ok);
        QCOMPARE(read(again, counting), rows);
    }

    void unreadable()
    {
        QVERIFY(!JournalFile::readRows(m_dir->filePath(u"none.txt"_s)));
        QVERIFY(!JournalFile::readRows(m_dir->path()));
        QVERIFY(!JournalFile::readRows(QString()));
    }

    // A save that cannot finish reports the code and the cause, and leaves
    // the previous file as it was, with no temporary file beside it.
    void failures_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("description");
        QTest::newRow("missing folder") << u"missing"_s << 5
                                        << u"Не удалось создать файл: No such file or directory"_s;
        QTest::newRow("folder is a file") << u"file"_s << 5 << u"Не удалось создать файл: Not a directory"_s;
        QTest::newRow("read-only target") << u"readonly"_s << 5
                                          << u"Не удалось создать файл: файл доступен только для чтения"_s;
        QTest::newRow("write fails half way") << u"inject"_s << 2 << u"Не удалось записать файл"_s;
        QTest::newRow("read-only folder") << u"ro"_s << 5
                                          << u"Не удалось создать файл: файл доступен только для чтения"_s;
        QTest::newRow("read-only folder, new file") << u"ro new"_s << 5
                                                    << u"Не удалось создать файл: Read-only file system"_s;
        QTest::newRow("disk full") << u"full"_s << 4 << u"Не удалось записать файл: No space left on device"_s;
    }

    void failures()
    {
        QFETCH(QString, setup);
        QFETCH(int, code);
        QFETCH(QString, description);
        JournalGrid grid;
        QStringList rows;
        for (int i = 1; i <= 3000; ++i)
            rows.append(u"%1\t%1\t  1,250\tkg\tS\t07.12.2026 10:00:01\tпримечание к взвешиванию"_s.arg(i));
        fill(grid, false, rows);
        const QByteArray old = "1\t 9,999\tkg\tS\t01.01.2026 8:00:00\told\r\n";
        QString folder = m_dir->path();
        if (setup == u"missing") {
            folder = m_dir->filePath(u"none"_s);
        } else if (setup == u"file") {
            QVERIFY(put(m_dir->filePath(u"plain"_s), old));
            folder = m_dir->filePath(u"plain"_s);
        } else if (setup.startsWith(u"ro") || setup == u"full") {
            m_mounted = std::make_unique<SmallFilesystem>(m_dir->filePath(u"mnt"_s));
            if (!m_mounted->mount(u"size=64k"_s))
                QSKIP("mounting a small filesystem is not allowed here");
            folder = m_mounted->path();
        }
        const QString path = QDir(folder).filePath(u"j.txt"_s);
        const bool hasOld = setup != u"missing" && setup != u"file" && setup != u"ro new";
        if (hasOld)
            QVERIFY(put(path, old));
        if (setup == u"readonly")
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        if (setup.startsWith(u"ro"))
            QVERIFY(m_mounted->remountReadOnly());

        FailingSaveFile file(path, setup == u"inject" ? 70000 : std::numeric_limits<qint64>::max());
        const JournalFile::WriteResult result = JournalFile::write(grid, file, u"\t"_s);
        QVERIFY(!result.ok);
        QCOMPARE(result.code, code);
        QCOMPARE(result.description, description);
        if (hasOld) {
            QCOMPARE(bytesOf(path), old);
            QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{u"j.txt"_s});
        } else {
            QVERIFY(!QFile::exists(path));
        }
    }
};

QTEST_GUILESS_MAIN(TestJournalFile)
#include "tst_journalfile.moc"
