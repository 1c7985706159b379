#include "link/FrameBuilder.h"
#include "support/LinkRig.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

// Random byte strings, random settings and a journal edited between readings:
// the decoder and the recorder take anything without failing, and what they
// leave in the journal is well formed.
class TstRandomChunks : public QObject
{
    Q_OBJECT

    QRandomGenerator m_random;

    int below(int n) { return int(m_random.bounded(n)); }
    template <typename T>
    T pick(std::initializer_list<T> items) { return items.begin()[below(int(items.size()))]; }

    QByteArray randomBytes(int maxLength)
    {
        QByteArray b(below(maxLength + 1), '\0');
        for (char &c : b)
            c = char(below(256));
        return b;
    }

    // A frame of some type, mangled or not; or mere bytes.
    QByteArray randomChunk()
    {
        if (below(4) == 0)
            return randomBytes(80);
        const FrameLayout &layout = *FrameLayouts::forType(below(ScaleTypes::Count));
        FrameContent c;
        c.status = pick({QLatin1Char('S'), QLatin1Char('U'), QLatin1Char('\t')});
        c.weight = pick<QString>({"12.500", "-1.250", "0", "0.000", "abc", "", "1,5", "- 3", "9999999"});
        c.unit = pick<QString>({"kg", "g", "\t\r"});
        c.quantity = QString::number(below(1000));
        c.unitWeight = pick<QString>({"0.125", "", "x"});
        QByteArray f = FrameBuilder::build(layout, c, below(2)).value_or(QByteArray("\x01\x02"));
        switch (below(4)) {
        case 0: f.truncate(below(int(f.size()) + 1)); break;
        case 1: f += randomBytes(20); break;
        case 2: f[below(int(f.size()))] = char(below(256)); break;
        default: break;
        }
        return f;
    }

    void randomSettings(LinkRig &rig)
    {
        rig.settings.scaleType = pick<QString>({"0", "1", "2", "3", "4", "5", "6", "", " 1"});
        rig.settings.luft = pick<QString>({"0", "", "0,5", "5", "abc", "1.5", "-1", "0,001"});
        rig.settings.port = pick<QString>({"1", "2", "0", "x", "", "70000"});
        rig.settings.bellState = below(3);
        rig.settings.writeZeroState = below(3);
        rig.settings.unstableState = below(3);
        rig.note = QString::fromLatin1(randomBytes(6));
    }

    // What the operator and the other commands may do to the journal.
    void editJournal(LinkRig &rig)
    {
        JournalGrid &j = rig.journal;
        switch (below(6)) {
        case 0: j.setRows(below(4) + 1); break;
        case 1: j.setTextMatrix(below(j.Rows()), below(j.Cols()), QString::fromLatin1(randomBytes(4))); break;
        case 2: j.setCurrentCell(below(j.Rows()), below(j.Cols())); break;
        case 3: j.RemoveItem(below(j.Rows())); break;
        case 4: rig.setScaleType(below(ScaleTypes::Count)); break;
        default: break;
        }
    }

    static void checkJournal(const LinkRig &rig)
    {
        const JournalGrid &j = rig.journal;
        QVERIFY(j.Rows() >= 1);
        for (int r = 0; r < j.Rows(); ++r) {
            for (int c = 0; c < j.Cols(); ++c) {
                const QString cell = j.TextMatrix(r, c);
                QVERIFY(!cell.contains(QLatin1Char('\t')) && !cell.contains(QLatin1Char('\r'))
                        && !cell.contains(QLatin1Char('\n')));
            }
        }
    }

private slots:
    void anythingGoes()
    {
        const double seconds = qEnvironmentVariable("TAROVIK_RANDOM_SECONDS", QStringLiteral("1")).toDouble();
        const quint32 seed = qEnvironmentVariable("TAROVIK_RANDOM_SEED", QStringLiteral("4")).toUInt();
        m_random.seed(seed);
        QElapsedTimer clock;
        clock.start();
        qint64 chunks = 0, rows = 0;
        while (clock.elapsed() < seconds * 1000) {
            LinkRig rig(below(ScaleTypes::Count));
            rig.link.StartReading();
            for (int i = 0; i < 200; ++i, ++chunks) {
                if (below(5) == 0)
                    randomSettings(rig);
                if (below(8) == 0)
                    editJournal(rig);
                const int before = rig.journal.Rows();
                const QByteArray chunk = randomChunk();
                if (below(3) == 0) {
                    rig.line.setPortOpen(true);
                    rig.line.feed(chunk);
                    QCoreApplication::processEvents();
                } else {
                    rig.decode(chunk);
                }
                if (rig.journal.Rows() > before) {
                    ++rows;
                    QCOMPARE(rig.journal.TextMatrix(rig.journal.Rows() - 1, 0),
                             QString::number(rig.journal.Rows() - 1));
                }
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QStringLiteral("seed %1, chunk %2: %3")
                                         .arg(seed).arg(chunks).arg(QString::fromLatin1(chunk.toHex()))));
            }
            checkJournal(rig);
        }
        qInfo("%lld chunks, %lld rows recorded in %.1f s (seed %u)", chunks, rows, clock.elapsed() / 1000.0, seed);
        QVERIFY(rows > 0);
    }
};

QTEST_GUILESS_MAIN(TstRandomChunks)
#include "tst_randomchunks.moc"
