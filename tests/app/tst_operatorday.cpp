#include "app/frm1.h"
#include "common/AnsiText.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "link/DataStreamLog.h"
#include "link/QtSerialLine.h"
#include "link/ScaleLink.h"
#include "settings/frmSettings.h"
#include "support/FixedClock.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using Answer = UserMessages::Answer;

namespace {

constexpr int Timeout = 20000;

// Eight distinct weights, each sent twice: with a dead zone of 0,5 the
// first of each pair is recorded, the repeat is not. The first reading is
// unstable, the third a zero: both are recorded once the flags say so.
const QStringList Script = {"U:1.000*2/80/0.0125", "2.000*2/160/0.0125", "0.000*2/0/0",
                            "3.000*2/240/0.0125",  "4.000*2/320/0.0125", "5.000*2/400/0.0125",
                            "6.000*2/480/0.0125",  "7.000*2/560/0.0125"};
constexpr int Frames = 16;

struct Weighing {
    QString weight;
    QString status;
    QString quantity;
    QString unitWeight;
};

// What a counting scale of type 2 sends, field by field, padded as it pads them.
const QList<Weighing> Weighings = {
    {"    1.000", "U", "     80", " 0.0125"}, {"    2.000", "S", "    160", " 0.0125"},
    {"    0.000", "S", "      0", "      0"}, {"    3.000", "S", "    240", " 0.0125"},
    {"    4.000", "S", "    320", " 0.0125"}, {"    5.000", "S", "    400", " 0.0125"},
    {"    6.000", "S", "    480", " 0.0125"}, {"    7.000", "S", "    560", " 0.0125"},
};

} // namespace

// The operator's whole day on the real window, the real serial line and the
// virtual scale: settings, reception, notes, deletion, files, a restart.
class TestOperatorDay : public QObject
{
    Q_OBJECT

    TestWindow m_env;
    QProcess m_scale;

    template <typename W>
    static W *child(QObject &parent, const char *name)
    {
        W *w = parent.findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }

    frm1 &window() { return *m_env.window; }
    JournalGrid &journal() { return window().journal(); }
    JournalView &grid() { return *child<JournalView>(window(), "Grid1"); }

    // Scrolled into sight first, as an operator does.
    void clickCell(int row, int col)
    {
        grid().scrollTo(journal().indexOf(row, col));
        const QPoint at = grid().visualRect(journal().indexOf(row, col)).intersected(grid().viewport()->rect()).center();
        QTest::mouseMove(grid().viewport(), at);
        QTest::mouseClick(grid().viewport(), Qt::LeftButton, {}, at);
    }

    void clickRowHeader(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QHeaderView *rows = grid().verticalHeader();
        const QPoint at(rows->width() / 2, rows->sectionViewportPosition(row - 1) + rows->sectionSize(row - 1) / 2);
        QTest::mouseClick(rows->viewport(), Qt::LeftButton, modifiers, at);
    }

    QStringList column(int col)
    {
        QStringList cells;
        for (int r = 1; r < journal().Rows(); ++r)
            cells << journal().TextMatrix(r, col);
        return cells;
    }

    // The journal file line of a weighing: the cells of columns 1..8.
    static QString line(int nomPP, const QString &note)
    {
        const Weighing &w = Weighings[nomPP - 1];
        return QStringList{QString::number(nomPP), w.weight, "kg", w.status, w.quantity, w.unitWeight,
                           "05.03.2024 09:05:07", note}
            .join('\t');
    }

private slots:
    void cleanupTestCase()
    {
        if (m_scale.state() != QProcess::NotRunning) {
            m_scale.terminate();
            m_scale.waitForFinished(Timeout);
        }
    }

    void wholeDay()
    {
        // The scale is on COM1 before the program starts, so the scan finds it.
        m_scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                      {"--folder", m_env.folder.path(), "--port", "1", "--type", "2", "--enq", "--interval-ms",
                       "150", "--count", QString::number(Frames), "--stay", "--weights", Script.join(',')});
        QVERIFY(m_scale.waitForStarted(Timeout));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_env.folder.filePath("ports/COM1")).isSymLink(), Timeout);

        // First start: no Init.ini.
        QVERIFY(!QFileInfo::exists(m_env.ini()));
        m_env.start(std::make_unique<QtSerialLine>(m_env.folder.path()), std::make_unique<FixedClock>());
        QCOMPARE(child<QLabel>(window(), "lblCurFileName")->text(), QStringLiteral("Новый"));
        QCOMPARE(child<QLabel>(window(), "Label2")->text(), QStringLiteral("JW-1"));

        // The settings: a counting type, a dead zone with a comma, the flags.
        child<QAction>(window(), "mnuSettings")->trigger();
        frmSettings &settings = window().settingsDialog();
        QVERIFY(QTest::qWaitForWindowActive(&settings));
        QCOMPARE(settings.windowTitle(), QStringLiteral("Настройка"));
        QRadioButton *type2 = child<QRadioButton>(settings, "optTypeScale_2");
        QTest::mouseClick(type2, Qt::LeftButton, {}, QPoint(8, type2->height() / 2)); // on its circle
        QVERIFY(type2->isChecked());
        QLineEdit *luft = child<QLineEdit>(settings, "arrLuft_2");
        luft->setFocus();
        luft->selectAll();
        QTest::keyClicks(luft, QStringLiteral("0,5"));
        for (const char *flag : {"chkUnstablResult", "chkWriteZero", "chkShowStreamData"}) {
            QCheckBox *box = child<QCheckBox>(settings, flag);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
            QVERIFY(box->isChecked());
        }
        QCOMPARE(settings.liveSettings().luftText(), QStringLiteral("0,5"));
        QCOMPARE(settings.liveSettings().portText(), QStringLiteral("1"));
        QTest::mouseClick(child<QPushButton>(settings, "btnSave"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(settings, "btnExit"), Qt::LeftButton);
        QVERIFY(!settings.isVisible());
        QCOMPARE(child<QLabel>(window(), "Label2")->text(), QStringLiteral("JW-1C,  PC-100E"));
        QCOMPARE(journal().Cols(), 9);
        QVERIFY(child<QWidget>(window(), "txtChat")->isVisible());

        // Reception; a note typed into the note box goes into the rows that follow.
        window().tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_VERIFY_WITH_TIMEOUT(journal().Rows() > 2, Timeout);
        TestWindow::type(child<QLineEdit>(window(), "txtPrim"), QStringLiteral("партия 7"));
        const int beforeNote = journal().Rows() - 1;
        QTRY_COMPARE_WITH_TIMEOUT(window().scaleLink().dataStream().count(), Frames, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(journal().Rows(), 1 + int(Weighings.size()), Timeout);
        QVERIFY2(m_env.messages.messages().isEmpty(), qPrintable(m_env.messages.texts().join('|')));
        QStringList notes;
        for (int r = 1; r <= Weighings.size(); ++r) {
            const Weighing &w = Weighings[r - 1];
            QCOMPARE(journal().TextMatrix(r, 0), QString::number(r));
            QCOMPARE(journal().TextMatrix(r, 1), QString::number(r));
            QCOMPARE(journal().TextMatrix(r, 2), w.weight);
            QCOMPARE(journal().TextMatrix(r, 3), QStringLiteral("kg"));
            QCOMPARE(journal().TextMatrix(r, 4), w.status);
            QCOMPARE(journal().TextMatrix(r, 5), w.quantity);
            QCOMPARE(journal().TextMatrix(r, 6), w.unitWeight);
            QCOMPARE(journal().TextMatrix(r, 7), QStringLiteral("05.03.2024 09:05:07"));
            notes << (r > beforeNote ? QStringLiteral("партия 7") : QString());
        }
        QCOMPARE(column(8), notes);
        // The data-stream window: newest first, the last frame on top.
        const QString stream = window().scaleLink().dataStream().text();
        QVERIFY(stream.startsWith(QStringLiteral(">>\x01\x02")));
        QVERIFY(stream.section(QStringLiteral("\r\n"), 0, 0).contains(QStringLiteral("    7.000kg")));
        QVERIFY(stream.section(QStringLiteral("\r\n"), 0, 0).contains(QStringLiteral(";   количество байт:37   ")));
        QVERIFY(stream.section(QStringLiteral("\r\n"), Frames - 1, Frames - 1).contains(QStringLiteral("    1.000kg")));

        // A note typed into a cell is stored.
        const int noteCol = journal().columnWithCaption(QStringLiteral("Примечание"));
        QCOMPARE(noteCol, 8);
        clickCell(1, noteCol);
        QLineEdit *editor = child<QLineEdit>(window(), "Text1");
        QVERIFY(editor->isVisible());
        TestWindow::type(editor, QStringLiteral("проверено"));
        clickCell(4, 2);
        QCOMPARE(journal().TextMatrix(1, noteCol), QStringLiteral("проверено"));
        notes[0] = QStringLiteral("проверено");

        // A block of rows deleted: rows 2 and 3.
        clickRowHeader(2);
        clickRowHeader(3, Qt::ShiftModifier);
        m_env.messages.answer({Answer::Yes});
        window().tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QCOMPARE(m_env.messages.texts(), QStringList{"Удалить выделенные строки ?"});
        QCOMPARE(m_env.messages.messages().first().title, QStringLiteral("Удаление"));
        QCOMPARE(column(1), (QStringList{"1", "4", "5", "6", "7", "8"}));
        QCOMPARE(column(0), (QStringList{"1", "2", "3", "4", "5", "6"}));
        notes.removeAt(1);
        notes.removeAt(1);
        m_env.messages.clear();

        // "Сохранить как", "Создать", "Открыть" the file back.
        const QString path = m_env.folder.filePath(QStringLiteral("день.txt"));
        m_env.dialogs.choices = {path};
        child<QAction>(window(), "mnuSaveAs")->trigger();
        QCOMPARE(m_env.messages.texts(), QStringList{"Данные сохранены в файле " + path});
        QCOMPARE(m_env.messages.messages().first().title, QStringLiteral("Tarovik_RS232"));
        const QStringList before = column(1) + column(2) + column(8);
        window().tbr1_ButtonClick(QStringLiteral("tbrCreate"));
        QCOMPARE(child<QLabel>(window(), "lblCurFileName")->text(), QStringLiteral("Новый"));
        m_env.dialogs.choices = {path};
        window().tbr1_ButtonClick(QStringLiteral("tbrOpen"));
        QCOMPARE(child<QLabel>(window(), "lblCurFileName")->text(), path);
        QCOMPARE(column(1) + column(2) + column(8), before);
        QCOMPARE(column(0), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(m_env.dialogs.shown.last().request.folder, m_env.folder.path());

        // The journal file: Windows-1251, Tab-separated, CR LF after every line.
        QString expected;
        const int kept[] = {1, 4, 5, 6, 7, 8};
        for (int i = 0; i < 6; ++i)
            expected += line(kept[i], notes[i]) + QStringLiteral("\r\n");
        QCOMPARE(TestFiles::bytesOf(path), AnsiText::encode(expected));
        QVERIFY(TestFiles::bytesOf(path).contains("\xEF\xE0\xF0\xF2\xE8\xFF 7")); // "партия 7" in 1251

        // Stop reception, then "Выход".
        window().tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
        const QRect frame = window().frameGeometry();
        window().tbr1_ButtonClick(QStringLiteral("tbrExit"));
        QVERIFY(!window().isVisible());
        QVERIFY(m_env.messages.messages().size() == 1); // nothing unsaved: no question

        const auto twips = [](int pixels) { return QString::number(pixels * 15); };
        const QByteArray ini = "[UserSettings]\r\n"
                               "chkBell=0\r\nchkWriteZero=1\r\nchkUnstablResult=1\r\nchkShowStreamData=1\r\n"
                               "arrLuft_0=0\r\narrLuft_1=0\r\narrLuft_2=0,5\r\narrLuft_3=0\r\narrLuft_4=0\r\narrLuft_5=0\r\n"
                               "txtValTypeScale=2\r\n"
                               "frmTop=" + twips(frame.y()).toLatin1() + "\r\nfrmLeft=" + twips(frame.x()).toLatin1()
                               + "\r\nfrmHeight=" + twips(frame.height()).toLatin1() + "\r\nfrmWidth="
                               + twips(frame.width()).toLatin1() + "\r\n"
                               "[LastSettings]\r\nCommNom=1\r\n"
                               "[InitDirPlu]\r\nInitDirPlu=" + AnsiText::encode(m_env.folder.path()) + "\r\n";
        QCOMPARE(TestFiles::bytesOf(m_env.ini()), ini);

        // A restart brings back the settings, the geometry and the folder.
        m_env.start(std::make_unique<QtSerialLine>(m_env.folder.path()), std::make_unique<FixedClock>());
        frmSettings &again = window().settingsDialog();
        QCOMPARE(again.liveSettings().scaleTypeText(), QStringLiteral("2"));
        QVERIFY(child<QRadioButton>(again, "optTypeScale_2")->isChecked());
        QCOMPARE(again.liveSettings().luftText(), QStringLiteral("0,5"));
        QCOMPARE(again.liveSettings().writeZero(), 1);
        QCOMPARE(again.liveSettings().unstableResult(), 1);
        QCOMPARE(again.liveSettings().showStreamData(), 1);
        QCOMPARE(again.liveSettings().bell(), 0);
        QCOMPARE(again.liveSettings().portText(), QStringLiteral("1"));
        QCOMPARE(window().frameGeometry(), frame);
        QCOMPARE(journal().Cols(), 9);
        m_env.dialogs.choices = {std::nullopt};
        window().tbr1_ButtonClick(QStringLiteral("tbrOpen"));
        QCOMPARE(m_env.dialogs.shown.last().request.folder, m_env.folder.path());

        // Every frame carried ENQ and was answered.
        m_scale.terminate();
        QVERIFY(m_scale.waitForFinished(Timeout));
        QCOMPARE(m_scale.readAllStandardOutput().trimmed(), QByteArray("frames=16 acks=16"));
    }
};

QTEST_MAIN(TestOperatorDay)
#include "tst_operatorday.moc"
