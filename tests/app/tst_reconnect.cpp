#include "app/QtUserMessages.h"
#include "link/LinkTexts.h"
#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeUserMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using State = LineKeeper::State;
const QString LinkBroken = QStringLiteral("Разрав связи с весами!");
constexpr int Timeout = 15000;
constexpr int Port = 4;

} // namespace

// Reception that survives the device going away: the main window, the real
// serial line and the virtual scale on a pseudo-terminal.
class TstReconnect : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    FakeUserMessages m_messages;
    FakeFileDialogs m_dialogs;

    std::unique_ptr<QProcess> startScale(const QStringList &args)
    {
        auto scale = std::make_unique<QProcess>();
        scale->start(QStringLiteral(VIRTUAL_SCALE_PATH),
                     args + QStringList{"--folder", m_dir.path(), "--port", QString::number(Port)});
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(m_dir.filePath(QStringLiteral("ports/COM4"))); }, Timeout))
            qFatal("the virtual scale did not link its port");
        return scale;
    }

    static qint64 framesSent(QProcess &scale)
    {
        if (!QTest::qWaitFor([&] { return scale.state() == QProcess::NotRunning; }, Timeout))
            qFatal("the virtual scale did not end");
        return scale.readAllStandardOutput().trimmed().split(' ').value(0).mid(7).toLongLong();
    }

private slots:
    void readingsAfterTheReturnAreRecorded();
    void warningDoesNotWait();
};

// The scale's line goes away in the middle of its stream and a new one is
// linked under the same ports/COM4 three seconds later: what it sends then is
// recorded with nobody clicking, after every earlier row.
void TstReconnect::readingsAfterTheReturnAreRecorded()
{
    WriteIniValue(m_dir.filePath(QStringLiteral("Init.ini")), QStringLiteral("UserSettings"),
                  QStringLiteral("chkWriteZero"), QStringLiteral("1"));
    MainWindowServices services;
    services.programFolder = m_dir.path();
    services.commPort = std::make_unique<QtSerialLine>(m_dir.path());
    services.messages = &m_messages;
    services.fileDialogs = &m_dialogs;
    frm1 w(std::move(services));
    w.show();
    QSignalSpy states(&w.scaleLink().keeper(), &LineKeeper::stateChanged);
    auto *status = w.findChild<QStatusBar *>(QStringLiteral("sbrChat"));

    auto scale = startScale({"--interval-ms", "20", "--weights", "1.000,2.000,3.000"});
    w.settingsDialog().findChild<QComboBox *>(QStringLiteral("lstCommNom"))->setEditText(QString::number(Port));
    w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
    QCOMPARE(w.scaleLink().linkState(), State::Receiving);
    QTRY_VERIFY_WITH_TIMEOUT(w.journal().Rows() > 10, Timeout);

    scale->terminate();
    const qint64 sent = framesSent(*scale);
    QTRY_COMPARE_WITH_TIMEOUT(w.scaleLink().linkState(), State::Waiting, Timeout);
    QCOMPARE(status->currentMessage(), LinkTexts::lineLost());
    QTRY_COMPARE_WITH_TIMEOUT(m_messages.texts(), QStringList{LinkBroken}, Timeout);
    QCOMPARE(w.journal().Rows() - 1, sent);

    QTest::qWait(3000);
    QCOMPARE(w.scaleLink().linkState(), State::Waiting);
    scale = startScale({"--count", "5", "--weights", "7.000"});
    QCOMPARE(framesSent(*scale), 5);
    QTRY_COMPARE_WITH_TIMEOUT(w.journal().Rows() - 1, sent + 5, Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(w.scaleLink().linkState(), State::Waiting, Timeout); // this scale went away again
    QList<State> seen;
    for (const QList<QVariant> &change : std::as_const(states))
        seen << change.at(0).value<State>();
    QCOMPARE(seen, (QList<State>{State::Receiving, State::Waiting, State::Receiving, State::Waiting}));

    const QStringList cycle{"1.000", "2.000", "3.000"};
    for (int r = 1; r < w.journal().Rows(); ++r) {
        QCOMPARE(w.journal().TextMatrix(r, 1), QString::number(r));
        QCOMPARE(w.journal().TextMatrix(r, 2).trimmed(), r <= sent ? cycle[(r - 1) % 3] : QStringLiteral("7.000"));
    }
    QCOMPARE(m_messages.texts(), (QStringList{LinkBroken, LinkBroken}));

    w.tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
    QCOMPARE(w.scaleLink().linkState(), State::Off);
}

// The warning about the lost line stays up while the program runs on, and
// a second loss while it is up does not stack another.
void TstReconnect::warningDoesNotWait()
{
    QWidget window;
    window.show();
    QtUserMessages messages(&window);
    messages.notify(LinkBroken, UserMessages::Icon::Warning);
    messages.notify(LinkBroken, UserMessages::Icon::Warning);
    const QList<QMessageBox *> boxes = window.findChildren<QMessageBox *>();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0]->isVisible());
    QVERIFY(!boxes[0]->isModal());
    QCOMPARE(boxes[0]->windowTitle(), UserMessages::applicationTitle());
    QCOMPARE(boxes[0]->icon(), QMessageBox::Warning);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    boxes[0]->buttons().first()->click();
    QTRY_VERIFY(window.findChildren<QMessageBox *>().isEmpty());
    messages.notify(LinkBroken, UserMessages::Icon::Warning);
    QCOMPARE(window.findChildren<QMessageBox *>().size(), 1);
}

QTEST_MAIN(TstReconnect)
#include "tst_reconnect.moc"
