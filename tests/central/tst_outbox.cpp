// The outbox file: events kept until acknowledged, numbers that never fall,
// damage at the end cut off, one copy writing, compaction that keeps all.
#include "central/CentralEvent.h"
#include "central/Outbox.h"
#include "central/OutboxTail.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

CentralEvent note(int i)
{
    return CentralEvent::noteChanged(1, QStringLiteral("old %1").arg(i), QStringLiteral("новая «%1»").arg(i));
}

QList<qint64> numbers(const QList<OutboxFormat::Entry> &entries)
{
    QList<qint64> out;
    for (const OutboxFormat::Entry &e : entries)
        out.append(e.seq);
    return out;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The events the file holds above its acknowledgements, read on their own.
QList<OutboxFormat::Entry> fileEvents(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const OutboxFormat::Contents c = OutboxFormat::read(f);
    f.seek(OutboxFormat::header().size());
    return OutboxFormat::eventsAfter(f, c.acknowledged);
}

} // namespace

class TestOutbox : public QObject
{
    Q_OBJECT

private slots:
    // Steps: "a<n>" appends n events, "k<n>" acknowledges up to n, "f<n>"
    // raises the floor to n, "r" reopens the file.
    void keepsWhatIsNotCommitted_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<qint64>>("pending");
        QTest::addColumn<qint64>("next");
        // Each event is with the operating system when append returns,
        // before any sync: the file, read beside the open outbox, holds it.
        QTest::newRow("appended, still open") << QStringList{"a3"} << QList<qint64>{1, 2, 3} << qint64(4);
        QTest::newRow("appended, reopened") << QStringList{"a3", "r"} << QList<qint64>{1, 2, 3} << qint64(4);
        QTest::newRow("acknowledged part") << QStringList{"a5", "k3", "r"} << QList<qint64>{4, 5} << qint64(6);
        QTest::newRow("acknowledged all") << QStringList{"a5", "k5", "r", "a1"} << QList<qint64>{6} << qint64(7);
        QTest::newRow("old acknowledgement ignored") << QStringList{"a4", "k3", "k2", "r"} << QList<qint64>{4}
                                                     << qint64(5);
        // The server holds numbers the outbox lost (a power cut): new events
        // go above them, the ones kept are still sent.
        QTest::newRow("floor above") << QStringList{"a2", "f10", "a2", "r"} << QList<qint64>{1, 2, 11, 12}
                                     << qint64(13);
        QTest::newRow("floor below changes nothing") << QStringList{"a4", "f2", "r", "a1"}
                                                     << QList<qint64>{1, 2, 3, 4, 5} << qint64(6);
        QTest::newRow("floor, acknowledged across") << QStringList{"a2", "f10", "a2", "k2", "r"}
                                                    << QList<qint64>{11, 12} << qint64(13);
        QTest::newRow("floor with nothing kept") << QStringList{"f7", "r"} << QList<qint64>{} << qint64(8);
    }
    void keepsWhatIsNotCommitted()
    {
        QFETCH(QStringList, steps);
        QFETCH(QList<qint64>, pending);
        QFETCH(qint64, next);
        QTemporaryDir dir;
        auto box = std::make_unique<Outbox>(dir.path());
        int made = 0;
        for (const QString &step : steps) {
            const int n = step.mid(1).toInt();
            switch (step[0].toLatin1()) {
            case 'a':
                for (int i = 0; i < n; ++i)
                    QVERIFY(box->append(note(++made)) > 0);
                break;
            case 'k': box->acknowledge(n); break;
            case 'f': box->raiseFloor(n); break;
            case 'r':
                box.reset();
                box = std::make_unique<Outbox>(dir.path());
                break;
            }
        }
        QVERIFY2(box->keeping(), qPrintable(box->errorString()));
        QCOMPARE(numbers(box->pending()), pending);
        QCOMPARE(box->pendingCount(), pending.size());
        QCOMPARE(box->nextSeq(), next);
        // What is kept is what was written: the whole file reads back the same.
        const QList<OutboxFormat::Entry> read = fileEvents(box->path());
        QCOMPARE(numbers(read), pending);
        for (qsizetype i = 0; i < pending.size(); ++i)
            QCOMPARE(read[i].json, box->pending()[i].json);
    }

    // A crash in the middle of a record: the whole records before it count,
    // the rest is cut off, and numbering goes on from the last whole one.
    void damageAtTheEndCutOff_data()
    {
        QTest::addColumn<int>("cut"); // bytes off the end
        QTest::addColumn<QByteArray>("garbage");
        QTest::newRow("cut in the last record") << 5 << QByteArray();
        QTest::newRow("cut in its length") << 0 << QByteArray("\x10\x00", 2);
        QTest::newRow("bytes that fail the CRC") << 0 << QByteArray(40, '\x55');
    }
    void damageAtTheEndCutOff()
    {
        QFETCH(int, cut);
        QFETCH(QByteArray, garbage);
        QTemporaryDir dir;
        QString path;
        {
            Outbox box(dir.path());
            for (int i = 1; i <= 3; ++i)
                box.append(note(i));
            path = box.path();
        }
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(f.size() - cut));
            f.seek(f.size());
            f.write(garbage);
        }
        Outbox box(dir.path());
        const QList<qint64> whole = cut > 0 ? QList<qint64>{1, 2} : QList<qint64>{1, 2, 3};
        QCOMPARE(numbers(box.pending()), whole);
        QCOMPARE(box.append(note(9)), whole.last() + 1);
        QCOMPARE(numbers(fileEvents(path)), numbers(box.pending()));
    }

    // A file another copy holds, or one that is not an outbox: nothing
    // written, and the outbox says it keeps nothing.
    void leavesAFileNotItsOwn_data()
    {
        QTest::addColumn<bool>("foreign");
        QTest::newRow("held by a second copy") << false;
        QTest::newRow("not an outbox") << true;
    }
    void leavesAFileNotItsOwn()
    {
        QFETCH(bool, foreign);
        QTemporaryDir dir;
        const QString path = dir.filePath(Outbox::fileName());
        std::unique_ptr<Outbox> first;
        if (foreign) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[Central]\nsomething else\n") > 0);
        } else {
            first = std::make_unique<Outbox>(dir.path());
            first->append(note(1));
        }
        const QByteArray before = fileBytes(path);
        Outbox box(dir.path());
        QCOMPARE(box.heldByAnotherCopy(), !foreign);
        QVERIFY(!box.keeping());
        QVERIFY(!box.errorString().isEmpty());
        QCOMPARE(box.append(note(2)), 0);
        box.acknowledge(1);
        QCOMPARE(fileBytes(path), before);
    }

    // Acknowledged events leave the file once they are most of it; the
    // numbers, the floor and the events kept read back the same.
    void compactionKeepsEverythingPending()
    {
        QTemporaryDir dir;
        auto box = std::make_unique<Outbox>(dir.path());
        for (int i = 0; i < 400; ++i)
            box->append(note(i));
        box->raiseFloor(1000);
        for (int i = 0; i < 5; ++i)
            box->append(note(i));
        const qint64 large = box->fileSize();
        QVERIFY(large > Outbox::CompactFrom);
        box->acknowledge(395);
        QVERIFY2(box->fileSize() < large / 10, qPrintable(QString::number(box->fileSize())));
        const QList<qint64> kept{396, 397, 398, 399, 400, 1001, 1002, 1003, 1004, 1005};
        QCOMPARE(numbers(box->pending()), kept);
        box->append(note(7));
        box.reset();
        box = std::make_unique<Outbox>(dir.path());
        QCOMPARE(numbers(box->pending()), kept + QList<qint64>{1006});
        QCOMPARE(box->nextSeq(), 1007);
        QCOMPARE(box->acknowledged(), 395);
    }

    // After a long outage the file is not written anew while it would
    // still keep much (the window's thread would write it all), only once
    // the catch-up has sent nearly all.
    void compactionWaitsForACatchUp()
    {
        QTemporaryDir dir;
        Outbox box(dir.path());
        while (box.fileSize() < 3 * Outbox::CompactUpTo)
            box.append(note(int(box.nextSeq())));
        const qint64 last = box.nextSeq() - 1;
        const qint64 large = box.fileSize();
        box.acknowledge(last * 2 / 3);
        QVERIFY(box.fileSize() >= large); // a third of it, over CompactUpTo, is still to send
        box.acknowledge(last - 10);
        QVERIFY2(box.fileSize() < Outbox::CompactFrom, qPrintable(QString::number(box.fileSize())));
        QCOMPARE(box.pending().size(), 10);
        QCOMPARE(box.pending().first().seq, last - 9);
        QTRY_VERIFY(!QFile::exists(box.path() + QStringLiteral(".old"))); // the old file's name removed
    }

    // The sender's reading of the file: a batch not committed is read again
    // (the connection was lost), and once the outbox has written itself anew
    // the reading goes on in the new file.
    void tailReadsOnAcrossCompaction()
    {
        QTemporaryDir dir;
        Outbox box(dir.path());
        for (int i = 0; i < 400; ++i)
            box.append(note(i));
        const qint64 large = box.fileSize();
        OutboxTail tail(box.path(), box.acknowledged(), box.unsentFrom());
        QCOMPARE(numbers(tail.batch(3)), (QList<qint64>{1, 2, 3}));
        QCOMPARE(numbers(tail.batch(3)), (QList<qint64>{1, 2, 3}));
        QList<qint64> sent;
        const auto sendUpTo = [&](qint64 last) {
            while (tail.after() < last) {
                const QList<OutboxFormat::Entry> batch = tail.batch(int(qMin<qint64>(97, last - tail.after())));
                if (batch.isEmpty())
                    return;
                tail.committed();
                box.acknowledge(batch.constLast().seq);
                sent += numbers(batch);
            }
        };
        sendUpTo(395);
        QVERIFY(box.fileSize() < large / 2); // written anew meanwhile
        for (int i = 0; i < 3; ++i)
            box.append(note(i));
        sendUpTo(403);
        QCOMPARE(sent.size(), 403);
        QCOMPARE(sent.constLast(), 403);
        QVERIFY(std::is_sorted(sent.cbegin(), sent.cend()) && std::adjacent_find(sent.cbegin(), sent.cend()) == sent.cend());
    }
};

QTEST_GUILESS_MAIN(TestOutbox)
#include "tst_outbox.moc"
