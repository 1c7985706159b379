#include "app/frm1.h"
#include "link/LinkTexts.h"
#include "journal/JournalGrid.h"
#include "link/FrameBuilder.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "pty/PseudoTerminal.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"
#include "support/FixedClock.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString LinkBroken = QStringLiteral("Разрав связи с весами!");
const QString PortClosed = QStringLiteral("Port is closed!");
constexpr int Timeout = 15000;

QByteArray frameOf(int type, const QString &weight, bool enq = false)
{
    FrameContent c;
    c.weight = weight;
    c.unit = QStringLiteral("kg");
    return *FrameBuilder::build(*FrameLayouts::forType(type), c, enq);
}

} // namespace

// The main window, the real serial line and a scale on a pseudo-terminal:
// the virtual scale, or one the test plays itself.
class TstScaleLinkEndToEnd : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeUserMessages m_messages;
    FakeFileDialogs m_dialogs;
    CountingBeeper *m_beeper = nullptr;

    std::unique_ptr<frm1> start(int type, const QString &luft)
    {
        const QString ini = m_dir->filePath(QStringLiteral("Init.ini"));
        const QList<QPair<QString, QString>> keys = {
            {"txtValTypeScale", QString::number(type)}, {"arrLuft_" + QString::number(type), luft},
            {"chkWriteZero", "0"}, {"chkUnstablResult", "0"}, {"chkBell", "1"}, {"chkShowStreamData", "1"}};
        for (const auto &k : keys)
            WriteIniValue(ini, QStringLiteral("UserSettings"), k.first, k.second);
        MainWindowServices services;
        services.programFolder = m_dir->path();
        services.commPort = std::make_unique<QtSerialLine>(m_dir->path());
        services.messages = &m_messages;
        services.fileDialogs = &m_dialogs;
        services.clock = std::make_unique<FixedClock>();
        auto beeper = std::make_unique<CountingBeeper>();
        m_beeper = beeper.get();
        services.beeper = std::move(beeper);
        auto w = std::make_unique<frm1>(std::move(services));
        w->show();
        if (!QTest::qWaitForWindowExposed(w.get()))
            qFatal("window not shown");
        return w;
    }

    static void startReadingOn(frm1 &w, int port)
    {
        w.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QString::number(port));
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    }

    // The virtual scale on port n of the test's folder, once its link is there.
    std::unique_ptr<QProcess> startScale(int port, const QStringList &args)
    {
        auto scale = std::make_unique<QProcess>();
        scale->start(QStringLiteral(VIRTUAL_SCALE_PATH),
                     args + QStringList{"--folder", m_dir->path(), "--port", QString::number(port)});
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(m_dir->filePath(QStringLiteral("ports/COM%1").arg(port))); },
                             Timeout))
            qFatal("the virtual scale did not link its port");
        return scale;
    }

    // The frames the scale reports it sent, once it has ended. The program
    // goes on receiving meanwhile.
    static qint64 framesSent(QProcess &scale, qint64 *acks = nullptr)
    {
        if (!QTest::qWaitFor([&] { return scale.state() == QProcess::NotRunning; }, Timeout))
            qFatal("the virtual scale did not end");
        const QList<QByteArray> counts = scale.readAllStandardOutput().trimmed().split(' ');
        if (counts.size() != 2)
            return -1;
        if (acks)
            *acks = counts[1].mid(5).toLongLong();
        return counts[0].mid(7).toLongLong();
    }

    static QStringList weights(const frm1 &w)
    {
        QStringList list;
        for (int r = 1; r < w.journal().Rows(); ++r)
            list << w.journal().TextMatrix(r, 2).trimmed();
        return list;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
    }

    void everyTypeFromTheVirtualScale_data();
    void everyTypeFromTheVirtualScale();
    void resynchronisationAndDeviceLoss();
    void scaleGoneMidStream();
    void linkRemovedWhileOpen();
    void splitAndGluedFrames();
    void twiceLineRate();
    void mainWindowOperations();
};

void TstScaleLinkEndToEnd::everyTypeFromTheVirtualScale_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("enq");
    for (int t = 0; t < ScaleTypes::Count; ++t)
        QTest::addRow("type %d", t) << t << (t % 2 == 0);
}

// Dead zone 0,5, neither zero nor unstable readings recorded: of twelve
// frames three become rows.
void TstScaleLinkEndToEnd::everyTypeFromTheVirtualScale()
{
    QFETCH(int, type);
    QFETCH(bool, enq);
    auto w = start(type, QStringLiteral("0,5"));
    w->findChild<QLineEdit *>(QStringLiteral("txtPrim"))->setText(QStringLiteral("партия\t7"));
    const QStringList args = {"--type", QString::number(type), "--count", "12", "--weights",
                              "0.000*2,U:1.250*2/10/0.125,1.250*3/10/0.125,1.252/11/0.114,2.500*2/20/0.125,"
                              "-1.250/5/0.250,0.000"};
    const QStringList enqArg = enq ? QStringList{"--enq"} : QStringList{};

    QProcess print;
    print.start(QStringLiteral(VIRTUAL_SCALE_PATH), args + enqArg + QStringList{"--print"});
    QVERIFY(print.waitForFinished(Timeout));
    const QByteArray frames = print.readAllStandardOutput();
    const int length = FrameLayouts::forType(type)->frameLength;
    QCOMPARE(frames.size(), 12 * length);

    QProcess scale;
    scale.start(QStringLiteral(VIRTUAL_SCALE_PATH), args + enqArg + QStringList{"--folder", m_dir->path(), "--port", "7"});
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_dir->filePath(QStringLiteral("ports/COM7"))), Timeout);
    startReadingOn(*w, 7);
    QVERIFY2(m_messages.messages().isEmpty(), qPrintable(m_messages.texts().join('|')));

    DataStreamLog &log = w->scaleLink().dataStream();
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 12, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(scale.state(), QProcess::NotRunning, Timeout);
    QCOMPARE(scale.readAllStandardOutput().trimmed(),
             QByteArray("frames=12 acks=") + (enq ? "12" : "0"));

    // Echoed chunk by chunk, newest first.
    QString echo;
    for (int i = 0; i < 12; ++i)
        echo.prepend(DataStreamLog::entry(QString::fromLatin1(frames.mid(i * length, length)), QTime(9, 5, 7)));
    QCOMPARE(log.text(), echo);
    auto *txtChat = w->findChild<QAbstractItemView *>(QStringLiteral("txtChat"));
    QVERIFY(txtChat->isVisible());
    QCOMPARE(txtChat->model(), &log);
    txtChat->selectionModel()->select(log.index(0), QItemSelectionModel::Select);
    txtChat->selectionModel()->select(log.index(1), QItemSelectionModel::Select);
    QTest::keySequence(txtChat, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), log.index(0).data().toString() + '\n' + log.index(1).data().toString());

    const FrameLayout &layout = *FrameLayouts::forType(type);
    const JournalGrid &j = w->journal();
    QCOMPARE(weights(*w), (QStringList{"1.250", "2.500", "-1.250"}));
    const QStringList quantities = {"10", "20", "5"};
    const QStringList unitWeights = {"0.125", "0.125", "0.250"};
    for (int r = 1; r <= 3; ++r) {
        QStringList cells{QString::number(r), QString::number(r), j.TextMatrix(r, 2), type == 3 ? "g" : "kg", "S"};
        QCOMPARE(j.TextMatrix(r, 2).size(), layout.weight.length);
        if (layout.counting)
            cells << quantities[r - 1].rightJustified(layout.quantity.length)
                  << unitWeights[r - 1].rightJustified(layout.unitWeight.length);
        cells << "05.03.2024 09:05:07" << "партия 7";
        QStringList row;
        for (int c = 0; c < j.Cols(); ++c)
            row << j.TextMatrix(r, c);
        QCOMPARE(row, cells);
    }
    QCOMPARE(m_beeper->beeps, 3);

    // The scale is gone with its line: a warning, the status bar says the
    // program waits for it, and the journal stays.
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.texts(), QStringList{LinkBroken}, Timeout);
    QCOMPARE(w->findChild<QStatusBar *>(QStringLiteral("sbrChat"))->currentMessage(), LinkTexts::lineLost());
    QCOMPARE(j.Rows(), 4);
}

// A garbage chunk costs the frame it spoiled and nothing after it; a line
// pulled out is reported and reception starts again once it is back.
void TstScaleLinkEndToEnd::resynchronisationAndDeviceLoss()
{
    auto w = start(0, QStringLiteral("0"));
    auto scale = std::make_unique<PseudoTerminal>();
    QVERIFY(scale->linkAs(m_dir->path(), 8));
    startReadingOn(*w, 8);
    QVERIFY(m_messages.messages().isEmpty());
    DataStreamLog &log = w->scaleLink().dataStream();

    QVERIFY(scale->write(frameOf(0, "1.000", true)));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 2, Timeout);
    QByteArray answers;
    QTRY_COMPARE_WITH_TIMEOUT(answers += scale->readAvailable(), QByteArray("\x06"), Timeout);

    QVERIFY(scale->write("AB" + frameOf(0, "2.000")));
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 2, Timeout); // handled: the port was reopened
    QVERIFY(scale->write(frameOf(0, "3.000") + frameOf(0, "4.000") + frameOf(0, "5.000")));
    QTRY_COMPARE_WITH_TIMEOUT(log.count(), 5, Timeout);
    QCOMPARE(weights(*w), (QStringList{"1.000", "3.000", "4.000", "5.000"}));
    QVERIFY(log.text().contains(QStringLiteral(">>AB\x01\x02S   2.000kg ;   количество байт:16")));
    QCOMPARE(answers + scale->readAvailable(), QByteArray("\x06"));

    scale->closeMaster();
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.texts(), QStringList{LinkBroken}, Timeout);
    QCOMPARE(w->journal().Rows(), 5);

    auto back = std::make_unique<PseudoTerminal>();
    QVERIFY(back->linkAs(m_dir->path(), 8));
    scale = std::move(back);
    w->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QCOMPARE(m_messages.texts(), QStringList{LinkBroken}); // no "Port is closed!"
    QVERIFY(scale->write(frameOf(0, "6.000")));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 6, Timeout);
    QCOMPARE(w->journal().TextMatrix(5, 1), QStringLiteral("5"));

    w->tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    QVERIFY(scale->write(frameOf(0, "7.000")));
    QTest::qWait(50);
    QCOMPARE(w->journal().Rows(), 6);
}

// The scale stops in the middle of its stream (its line hangs up, its link
// goes): every frame it sent is a row, the loss is reported, a start while it
// is gone finds no port, and once it is back reception goes on.
void TstScaleLinkEndToEnd::scaleGoneMidStream()
{
    auto w = start(0, QStringLiteral("0"));
    auto scale = startScale(9, {"--interval-ms", "20", "--weights", "1.000,2.000,3.000"});
    startReadingOn(*w, 9);
    QTRY_VERIFY_WITH_TIMEOUT(w->journal().Rows() > 10, Timeout);
    scale->terminate();
    const qint64 sent = framesSent(*scale);
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.texts(), QStringList{LinkBroken}, Timeout);
    QCOMPARE(w->journal().Rows() - 1, sent);
    QCOMPARE(w->scaleLink().dataStream().count(), sent);
    const QStringList cycle{"1.000", "2.000", "3.000"};
    const QStringList recorded = weights(*w);
    for (int i = 0; i < recorded.size(); ++i)
        QCOMPARE(recorded[i], cycle[i % 3]);

    w->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QCOMPARE(m_messages.texts(), (QStringList{LinkBroken, PortClosed}));

    scale = startScale(9, {"--count", "4", "--weights", "7.000"});
    w->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QCOMPARE(framesSent(*scale), 4);
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows() - 1, sent + 4, Timeout);
    QCOMPARE(w->journal().TextMatrix(w->journal().Rows() - 1, 1), QString::number(sent + 4));
}

// A port link removed while the port is open takes nothing away: the device
// is still there. Only the next start misses it.
void TstScaleLinkEndToEnd::linkRemovedWhileOpen()
{
    auto w = start(0, QStringLiteral("0"));
    PseudoTerminal scale;
    QVERIFY(scale.linkAs(m_dir->path(), 5));
    startReadingOn(*w, 5);
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("ports/COM5"))));
    QVERIFY(scale.write(frameOf(0, "1.000")));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 2, Timeout);
    w->tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    w->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QCOMPARE(m_messages.texts(), QStringList{PortClosed});
    QVERIFY(scale.linkAs(m_dir->path(), 5));
    w->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QVERIFY(scale.write(frameOf(0, "2.000")));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 3, Timeout);
    QCOMPARE(m_messages.texts(), QStringList{PortClosed});
}

// Frames that come in pieces are whole once their last byte is there; frames
// that come together are taken one by one; an ENQ in every frame gets one ACK
// for each.
void TstScaleLinkEndToEnd::splitAndGluedFrames()
{
    auto w = start(0, QStringLiteral("0"));
    PseudoTerminal scale;
    QVERIFY(scale.linkAs(m_dir->path(), 6));
    startReadingOn(*w, 6);
    const QByteArray a = frameOf(0, "1.000", true), b = frameOf(0, "2.000", true), c = frameOf(0, "3.000", true);

    QVERIFY(scale.write(a.left(5)));
    QTest::qWait(30);
    QVERIFY(scale.write(a.mid(5, 6)));
    QTest::qWait(30);
    QCOMPARE(w->journal().Rows(), 1);
    QVERIFY(scale.write(a.mid(11) + b + c.left(9)));
    QTest::qWait(30);
    QVERIFY(scale.write(c.mid(9) + a + b + c));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 7, Timeout);
    QCOMPARE(weights(*w), (QStringList{"1.000", "2.000", "3.000", "1.000", "2.000", "3.000"}));
    QByteArray answers;
    QTRY_COMPARE_WITH_TIMEOUT(answers += scale.readAvailable(), QByteArray(6, FrameLayouts::ACK), Timeout);
    QCOMPARE(w->scaleLink().dataStream().count(), 6);
    QVERIFY(m_messages.messages().isEmpty());
}

// A scale that sends twice as fast as the line could carry, ENQ in every
// frame: each frame echoed, answered and recorded once, in order.
void TstScaleLinkEndToEnd::twiceLineRate()
{
    auto w = start(0, QStringLiteral("0"));
    const QStringList cycle{"1.001", "1.002", "1.003", "1.004", "1.005", "1.006", "1.007"};
    auto scale = startScale(3, {"--interval-ms", "8", "--count", "500", "--enq", "--weights", cycle.join(',')});
    startReadingOn(*w, 3);
    qint64 acks = 0;
    QCOMPARE(framesSent(*scale, &acks), 500);
    QCOMPARE(acks, 500);
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 501, Timeout);
    QCOMPARE(w->scaleLink().dataStream().count(), 500);
    const QStringList recorded = weights(*w);
    for (int i = 0; i < recorded.size(); ++i)
        QCOMPARE(recorded[i], cycle[i % cycle.size()]);
}

void TstScaleLinkEndToEnd::mainWindowOperations()
{
    auto w = start(3, QStringLiteral("0"));
    w->ReadFrom_Unit(QString::fromLatin1(frameOf(3, "2.000")));
    QCOMPARE(w->journal().Rows(), 2);
    QCOMPARE(w->journal().TextMatrix(1, 3), QStringLiteral("g"));

    QCOMPARE(w->PreparePort(99), int(SerialLine::ErrInvalidPortNumber));
    PseudoTerminal scale;
    QVERIFY(scale.linkAs(m_dir->path(), 4));
    QCOMPARE(w->PreparePort(4), 0);
    QVERIFY(scale.write(frameOf(3, "3.000")));
    QTRY_COMPARE_WITH_TIMEOUT(w->journal().Rows(), 3, Timeout);
    QVERIFY(m_messages.messages().isEmpty());
}

QTEST_MAIN(TstScaleLinkEndToEnd)
#include "tst_scalelink_e2e.moc"
