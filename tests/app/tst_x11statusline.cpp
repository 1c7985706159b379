#include "app/QtUserMessages.h"
#include "app/frm1.h"
#include "journal/JournalGrid.h"
#include "link/LinkTexts.h"
#include "link/ScaleLink.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeSerialLine.h"
#include "support/XServer.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

// The status bar's news of the line on a real X server under a window
// manager, with a scale whose line goes away and comes back.
class TestX11StatusLine : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir; // a program folder a test, with no journal to restore
    QtUserMessages m_messages;
    FakeFileDialogs m_dialogs;
    FakeSerialLine *m_line = nullptr;
    std::unique_ptr<frm1> m_window;

    frm1 &start()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        auto line = std::make_unique<FakeSerialLine>();
        m_line = line.get();
        m_line->setExistingPorts({1});
        MainWindowServices services;
        services.programFolder = m_dir->path();
        services.commPort = std::move(line);
        services.messages = &m_messages;
        services.fileDialogs = &m_dialogs;
        m_window = std::make_unique<frm1>(std::move(services));
        m_messages.showOver(m_window.get());
        m_window->show();
        if (!QTest::qWaitForWindowActive(m_window.get(), XServer::WindowTimeoutMs))
            qFatal("the main window did not show");
        return *m_window;
    }
    // A JW-1 frame: SOH STX, status, eight weight characters, the unit, three more.
    void read(const char *weight, const char *unit)
    {
        m_window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1%2   ").arg(QLatin1String(weight), 8).arg(QLatin1String(unit)));
    }
    // The status bar shows its message left of its first line, whole.
    bool messageWhole() const
    {
        const QStatusBar *bar = m_window->statusBar();
        const int room = m_window->findChild<QLabel *>(QStringLiteral("lblReception"))->x();
        return room > bar->fontMetrics().horizontalAdvance(bar->currentMessage());
    }

    static QMessageBox *linkBrokenBox()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->isVisible() && box->text() == LinkTexts::linkBroken())
                return box;
        }
        return nullptr;
    }

private slots:
    void cleanup()
    {
        m_window.reset();
        for (QWidget *w : QApplication::topLevelWidgets())
            w->close();
    }

    // The line's news keeps its room beside long totals, and stays while
    // readings are recorded right after it.
    void lineNewsKeepsItsRoomAndTime()
    {
        frm1 &w = start();
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        for (const char *unit : {"kg", " g", "lb"})
            read("1021.995", unit);
        m_line->setExistingPorts({});
        m_line->loseDevice();
        QCOMPARE(w.statusBar()->currentMessage(), LinkTexts::lineLost());
        QTRY_VERIFY2(messageWhole(), qPrintable(QString::number(w.findChild<QLabel *>(QStringLiteral("lblReception"))->x())));

        m_line->setExistingPorts({1});
        QTRY_COMPARE(w.scaleLink().linkState(), LineKeeper::State::Receiving);
        read("1034.567", "kg");
        read("1045.678", "kg");
        QCOMPARE(w.journal().Rows(), 6);
        QCOMPARE(w.statusBar()->currentMessage(), LinkTexts::lineBack());
        QTRY_VERIFY(messageWhole());
    }

    // "Разрав связи с весами!" goes when the line is back by itself.
    void lineLostBoxGoesWhenTheLineIsBack()
    {
        frm1 &w = start();
        w.tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        m_line->setExistingPorts({});
        m_line->loseDevice();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = linkBrokenBox()) && box->isVisible());
        m_line->setExistingPorts({1});
        QTRY_COMPARE(w.scaleLink().linkState(), LineKeeper::State::Receiving);
        QTRY_VERIFY(!linkBrokenBox());
    }
};

TAROVIK_X11_TEST_MAIN(TestX11StatusLine, true)
#include "tst_x11statusline.moc"
