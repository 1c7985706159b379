#include "app/frm1.h"

#include "files/FileCommands.h"
#include "journal/JournalGrid.h"
#include "link/FrameBuilder.h"
#include "link/FrameLayout.h"
#include "link/JournalTime.h"
#include "link/QtSerialLine.h"
#include "report/TimeReader.h"
#include "settings/IniTxt.h"
#include "settings/frmSettings.h"
#include "station/ChartWindow.h"
#include "station/ReportCommands.h"
#include "support/TestFiles.h"
#include "support/TestWindow.h"
#include "support/WorkbookRows.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QPrintDialog>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QChart>
#include <QValueAxis>
#include <QApplication>
#include <QWheelEvent>
#include <QChartView>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTimer>
#include <QSet>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

#include <atomic>
#include <thread>

using Answer = UserMessages::Answer;

// The station's additions on the real main window: the totals in the status
// bar and the menu items after the designed ones, with the reports they
// write read back by other programs (pdftotext, openpyxl, LibreOffice).
class TestStation : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestWindow> m_env;
    frm1 *m_window = nullptr;

    QString totals() const { return m_window->findChild<QLabel *>(QStringLiteral("lblTotals"))->text(); }

    // A JW-1 frame: SOH STX, status, eight weight characters, the unit, three more.
    void read(const char *weight, const char *unit = "kg")
    {
        m_window->ReadFrom_Unit(QStringLiteral("\x01\x02S%1%2   ").arg(QLatin1String(weight), 8).arg(QLatin1String(unit)));
    }

    void readThree()
    {
        read("1.000");
        read("2.500");
        read("0.750");
    }

    // The colour a label's text is drawn in, as the operator sees it: the
    // hue most of its coloured pixels have.
    enum class Ink { None, Green, Red };
    static Ink inkOf(QWidget *label)
    {
        const QImage image = label->grab().toImage();
        int green = 0, red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                green += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
                red += c.red() > c.green() + 40 && c.red() > c.blue() + 40;
            }
        }
        return green > 2 * red ? Ink::Green : red > 2 * green ? Ink::Red : Ink::None;
    }

    QStringList captions(const char *menu) const
    {
        QStringList out;
        for (QAction *a : m_window->menuBar()->findChild<QMenu *>(QLatin1String(menu))->actions())
            out << a->text();
        return out;
    }

    // Runs a menu item of the real window, as a click on it would.
    void trigger(const char *name)
    {
        QAction *a = m_window->menuBar()->findChild<QAction *>(QLatin1String(name));
        QVERIFY2(a, name);
        QVERIFY(a->isEnabled());
        a->trigger();
    }

    static QString run(const QString &program, const QStringList &args, const QStringList &env = {})
    {
        QProcess p;
        if (!env.isEmpty()) {
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            for (const QString &kv : env)
                e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
            p.setProcessEnvironment(e);
        }
        p.start(program, args);
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            qWarning() << program << p.readAllStandardError();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    QString exportTo(const char *item, const QString &name)
    {
        const QString path = m_env->folder.filePath(name);
        m_env->dialogs.choices = {path};
        trigger(item);
        return path;
    }

    // What an export holds, as text.
    static QString exportedText(const QString &path)
    {
        if (path.endsWith(QLatin1String(".pdf")))
            return run(QStringLiteral("pdftotext"), {path, "-"});
        return QString::fromUtf8(QJsonDocument(workbookRows(path)).toJson());
    }

    // Rows of whole weights, 0.000 to 6.000.
    void addRows(int count)
    {
        QStringList rows;
        for (int i = 1; i <= count; ++i)
            rows << QStringLiteral("%1\t%1\t%2.000\tkg\tS\t07.12.2026 10:00:00\t").arg(i).arg(i % 7);
        m_window->journal().addItems(rows);
    }

    ReportCommands &reports() const
    {
        auto *r = m_window->findChild<ReportCommands *>(QStringLiteral("reportCommands"));
        if (!r)
            qFatal("no report commands");
        return *r;
    }

    // Holds the job at its first step until "Отмена" of its progress dialog
    // is clicked.
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_clicked{false};
    void cancelOnceStarted()
    {
        m_started = m_clicked = false;
        reports().watchSteps([this] {
            m_started = true;
            for (int waited = 0; !m_clicked && waited < 10000; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, this] {
            auto *progress = m_window->findChild<QProgressDialog *>(QStringLiteral("dlgProgress"));
            if (!m_started || !progress || !progress->isVisible())
                return;
            auto *cancel = progress->findChild<QPushButton *>();
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
            QTest::mouseClick(cancel, Qt::LeftButton);
            m_clicked = true;
            poll->deleteLater();
        });
        poll->start(20);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestWindow>();
        m_window = &m_env->start();
    }

    void menuItemsAfterTheDesignedOnes()
    {
        QCOMPARE(captions("mnuFile"), (QStringList{"Создать", "Открыть", "Добавить из ...", "Сохранить как",
                                                   "Печать...", "Экспорт в PDF...", "Экспорт в Excel..."}));
        QCOMPARE(captions("mnuServ").first(), QStringLiteral("Настройки"));
    }

    void totalsFollowReadingsSelectionAndDeletion()
    {
        QCOMPARE(totals(), QStringLiteral("Итого: 0 строк"));
        readThree();
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: 3 строки, сумма 4,250 kg")));
        JournalGrid &grid = m_window->journal();
        grid.setCurrentCell(2, 1);
        grid.setSelectionCorner(3, grid.Cols() - 1);
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: выделено 2 строки, сумма 3,250 kg")));
        m_env->messages.answer({UserMessages::Answer::Yes});
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: 1 строка, сумма 1,000 kg")));
    }

    // With room in the status bar the totals' text fits its label; the label
    // keeps its size while texts a little shorter or longer come, so that the
    // status bar is not laid out again for every text, and gives room back
    // once texts shrink.
    void totalsLabelFitsItsText()
    {
        m_window->resize(1200, m_window->height());
        auto &label = *m_window->findChild<QLabel *>(QStringLiteral("lblTotals"));
        const auto fits = [&label] {
            return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width();
        };
        QSet<int> widths;
        const char *weights[] = {"1.000", "22.500", "0.750", "1.5", "333.250"};
        for (int n = 0; n < 15; ++n) {
            read(weights[n % 5]);
            QTRY_VERIFY(totals().contains(QString::number(n + 1) + QLatin1Char(' ')));
            QVERIFY2(fits(), qPrintable(totals()));
            widths << label.width();
        }
        QVERIFY2(widths.size() <= 3, qPrintable(QString::number(widths.size())));
        const int streaming = label.width();
        JournalGrid &grid = m_window->journal();
        grid.setCurrentCell(1, 1);
        grid.setSelectionCorner(2, grid.Cols() - 1);
        QTRY_VERIFY(totals().startsWith(QStringLiteral("Итого: выделено 2 строки")));
        QVERIFY(fits());
        m_env->messages.answer({UserMessages::Answer::Yes});
        grid.setCurrentCell(1, 1);
        grid.setSelectionCorner(grid.Rows() - 1, grid.Cols() - 1);
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QTRY_COMPARE(totals(), QStringLiteral("Итого: 0 строк"));
        QTRY_VERIFY(label.width() < streaming);
        QVERIFY(fits());
    }

    // The date and time and the longest weight, unit, status, quantity and
    // unit weight a scale of the type sends show whole in the font in use;
    // the note keeps its designed width.
    void columnsShowWholeFields_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("unitWeight");
        QTest::newRow("JW-1") << 0 << "1021.995" << QString() << QString();
        QTest::newRow("JW-1C") << 2 << "-1234.567" << "9999999" << "888.888";
        QTest::newRow("PC-100") << 4 << "1054.91" << "1234567" << "1054.917";
    }

    void columnsShowWholeFields()
    {
        QFETCH(int, type);
        QFETCH(QString, weight);
        QFETCH(QString, quantity);
        QFETCH(QString, unitWeight);
        m_window->settingsDialog().findChild<QRadioButton *>(QStringLiteral("optTypeScale_%1").arg(type))->click();
        const std::optional<QByteArray> frame = FrameBuilder::build(
            *FrameLayouts::forType(type), {QLatin1Char('S'), weight, QStringLiteral("lb"), quantity, unitWeight});
        QVERIFY(frame);
        m_window->ReadFrom_Unit(QString::fromLatin1(*frame));
        JournalGrid &grid = m_window->journal();
        QCOMPARE(grid.Rows(), 2);
        auto *view = m_window->findChild<QTableView *>(QStringLiteral("Grid1"));
        const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        for (int c = 1; c < grid.Cols() - 1; ++c) {
            const QString text = grid.TextMatrix(1, c);
            QVERIFY2(view->columnWidth(c - 1) - 2 * margin >= view->fontMetrics().horizontalAdvance(text),
                     qPrintable(QStringLiteral("column %1: \"%2\" in %3 px").arg(c).arg(text).arg(view->columnWidth(c - 1))));
        }
        QVERIFY(grid.ColWidth(grid.columnWithCaption(QStringLiteral("Время"))) >= 1600);
        QCOMPARE(grid.ColWidth(grid.Cols() - 1), 2000);
    }

    // A width the operator sets is kept for its column set across a restart
    // and a layout of the other set.
    void operatorColumnWidthsKeptPerColumnSet()
    {
        auto *view = m_window->findChild<QTableView *>(QStringLiteral("Grid1"));
        view->horizontalHeader()->resizeSection(1, 150); // "Вес "
        const int twips = m_window->journal().ColWidth(2);
        QCOMPARE(twips, 150 * 15);
        QTRY_COMPARE(ReadIniValue(m_env->ini(), QStringLiteral("ColumnWidths"), QStringLiteral("weighing_Weight"), {}),
                 QString::number(twips));
        m_window = &m_env->start();
        QCOMPARE(m_window->journal().ColWidth(2), twips);
        m_window->InitGrid(2);
        QVERIFY(m_window->journal().ColWidth(2) >= 800 && m_window->journal().ColWidth(2) != twips);
        m_window->InitGrid(0);
        QCOMPARE(m_window->journal().ColWidth(2), twips);
    }

    void receptionFieldAndDeadZoneTip()
    {
        // The line lost while receiving: the field says the program waits.
        m_window->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        m_env->line->loseDevice();
        QTRY_VERIFY(m_window->findChild<QLabel *>(QStringLiteral("lblReception"))->text().endsWith(
            QStringLiteral("| связь потеряна, ожидание")));
        m_window->tbr1_ButtonClick(QStringLiteral("tbrStopRead"));

        auto *reception = m_window->findChild<QLabel *>(QStringLiteral("lblReception"));
        QCOMPARE(reception->text(), QStringLiteral("Прием: выключен | COM1 | JW-1"));
        m_window->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_COMPARE(reception->text(), QStringLiteral("Прием: включен | COM1 | JW-1"));
        m_window->tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
        QTRY_VERIFY(reception->text().startsWith(QStringLiteral("Прием: выключен")));
        // The designed message pane is still the recorder's.
        m_window->ShowText(QStringLiteral("сообщение"));
        QCOMPARE(m_window->statusBar()->currentMessage(), QStringLiteral("сообщение"));
        for (QLineEdit *box : m_window->settingsDialog().findChildren<QLineEdit *>()) {
            if (box->objectName().startsWith(QLatin1String("arrLuft_")))
                QVERIFY(box->toolTip().contains(QStringLiteral("0,05 — это 50 г")));
        }
    }

    void boardShowsTheLatestReadingAndTheSilence()
    {
        QCOMPARE(captions("mnuServ"), (QStringList{"Настройки", "Табло", "График", "Центральная база...", "Все весы"}));
        trigger("mnuBoard");
        auto *board = m_window->findChild<QWidget *>(QStringLiteral("frmBoard"));
        QVERIFY(board && board->isVisible());
        QCOMPARE(board->windowTitle(), QStringLiteral("Табло"));
        auto *weight = board->findChild<QWidget *>(QStringLiteral("lblBoardWeight"));
        auto text = [board](const char *name) { return board->findChild<QLabel *>(QLatin1String(name))->text(); };
        QCOMPARE(weight->accessibleName(), QStringLiteral("Нет данных"));
        readThree();
        QTRY_COMPARE(weight->accessibleName(), QStringLiteral("0,750"));
        QCOMPARE(text("lblBoardUnit"), QStringLiteral("kg"));
        QVERIFY(text("lblBoardStable").contains(QStringLiteral("Стабильно")));
        auto *stable = board->findChild<QLabel *>(QStringLiteral("lblBoardStable"));
        QCOMPARE(inkOf(stable), Ink::Green);
        // One decimal separator on the board: the big digits', the totals'.
        QCOMPARE(text("lblBoardLastRow"), QStringLiteral("Последняя запись: № 3, вес 0,750 kg"));
        QVERIFY(text("lblBoardTotals").startsWith(QStringLiteral("Итого: 3 строки, сумма 4,250 kg")));
        // An unstable reading not recorded is shown all the same.
        m_window->ReadFrom_Unit(QStringLiteral("\x01\x02U   3.300kg   "));
        QTRY_VERIFY(text("lblBoardStable").contains(QStringLiteral("Нестабильно")));
        QCOMPARE(inkOf(stable), Ink::Red);
        QCOMPARE(weight->accessibleName(), QStringLiteral("3,300"));
        // Reception on and nothing decoded for two seconds.
        m_window->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_COMPARE_WITH_TIMEOUT(weight->accessibleName(), QStringLiteral("Нет данных"), 4000);
        read("1.500");
        QTRY_COMPARE(weight->accessibleName(), QStringLiteral("1,500"));
        // F11 switches to full screen and back.
        QTest::keyClick(board, Qt::Key_F11);
        QVERIFY(board->windowState() & Qt::WindowFullScreen);
        QTest::keyClick(board, Qt::Key_F11);
        QVERIFY(!(board->windowState() & Qt::WindowFullScreen));
    }

    // The chart follows the journal, a line a unit on its own weight axis;
    // the wheel zooms around the pointer.
    void chartFollowsTheJournal()
    {
        m_window->journal().addItems({QStringLiteral("1\t1\t1.000\tkg\tS\t07.12.2026 10:00:00\t"),
                                      QStringLiteral("2\t2\t2.500\tkg\tS\t07.12.2026 10:00:05\t"),
                                      QStringLiteral("3\t3\t0.750\tkg\tS\t07.12.2026 10:00:10\t")});
        trigger("mnuChart");
        auto *window = m_window->findChild<ChartWindow *>(QStringLiteral("frmChart"));
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("График"));
        auto points = [window] {
            return static_cast<QLineSeries *>(window->chart().series().value(0))->points();
        };
        QCOMPARE(points().size(), 3);
        QCOMPARE(points().at(1).y(), 2.5);
        // In a small window the time labels show whole.
        window->resize(420, 300);
        QTest::qWait(2 * ChartWindow::FollowMs + 100);
        QChart &chart = window->chart();
        auto *time = qobject_cast<QDateTimeAxis *>(chart.axes(Qt::Horizontal).value(0));
        QVERIFY(time);
        const int label = QFontMetrics(time->labelsFont()).horizontalAdvance(time->min().toString(time->format()));
        QVERIFY2((time->tickCount() - 1) * label <= chart.plotArea().width(),
                 qPrintable(QStringLiteral("%1 labels of %2 px in %3 px").arg(time->tickCount()).arg(label).arg(chart.plotArea().width())));
        // The wheel zooms in around the pointer; then reset to the whole journal.
        auto *view = window->findChild<QChartView *>(QStringLiteral("chartView"));
        const QPointF inChart(chart.plotArea().left() + chart.plotArea().width() / 5, chart.plotArea().center().y());
        const QPoint at = view->mapFromScene(chart.mapToScene(inChart));
        const double before = chart.mapToValue(inChart).x();
        const auto span = [time] { return double(time->max().toMSecsSinceEpoch() - time->min().toMSecsSinceEpoch()); };
        const double whole = span();
        QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &wheel);
        QVERIFY2(span() < whole, qPrintable(QString::number(span() / whole)));
        QVERIFY2(std::abs(chart.mapToValue(inChart).x() - before) < span() / 100,
                 qPrintable(QString::number((chart.mapToValue(inChart).x() - before) / span())));
        window->findChild<QPushButton *>(QStringLiteral("btnChartReset"))->click();
        QCOMPARE(span(), whole);
        QCOMPARE(points().size(), 3);
        m_env->messages.answer({UserMessages::Answer::Yes});
        m_window->journal().setCurrentCell(1, 1);
        m_window->tbr1_ButtonClick(QStringLiteral("tbrClear"));
        QTRY_COMPARE(points().size(), 2);
        // Another unit, another line.
        read("1.500", "g ");
        QTRY_COMPARE(window->chart().series().size(), 2);
        QCOMPARE(window->chart().series().at(1)->name(), QStringLiteral("g"));
        // Each unit on its own weight axis: grams do not flatten kilograms.
        read("1500.000", "g ");
        const auto axisOf = [window](int series) {
            QChart &c = window->chart();
            return qobject_cast<QValueAxis *>(c.axes(Qt::Vertical, c.series().at(series)).value(0));
        };
        QTRY_VERIFY(axisOf(1) && axisOf(1)->max() >= 1500);
        QVERIFY(axisOf(0) != axisOf(1));
        QVERIFY2(axisOf(0)->max() < 10, qPrintable(QString::number(axisOf(0)->max())));
        QCOMPARE(axisOf(1)->titleText(), QStringLiteral("Вес, g"));
    }

    void pdfHoldsCaptionsRowsTotalsAndPageNumbers()
    {
        readThree();
        m_window->journal().setTextMatrix(2, m_window->journal().Cols() - 1, QStringLiteral("партия Ж-7"));
        const QString pdf = exportTo("mnuExportPdf", QStringLiteral("report"));
        QCOMPARE(m_env->dialogs.shown.last().request.proposedName, QStringLiteral("Журнал.pdf"));
        QCOMPARE(m_env->messages.texts().last(), "Данные сохранены в файле " + pdf + ".pdf");
        const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf + ".pdf", "-"});
        for (const char *expected : {"Журнал: Новый", "Весы: JW-1", "№ п.п", "Вес", "Ед. изм.", "Статус", "Время",
                                     "Примечание", "2.500", "0.750", "партия Ж-7",
                                     "Итого: 3 строки", "сумма 4,250 kg", "стр. 1 из 1"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }

    // The columns fit the page: a journal that fits stays portrait, a wide
    // one turns the page, and a long note is cut at the page's edge.
    void pdfPageTurnsForAWideJournal()
    {
        readThree();
        const QString narrow = exportTo("mnuExportPdf", QStringLiteral("narrow.pdf"));
        QVERIFY(run(QStringLiteral("pdfinfo"), {narrow}).contains(QStringLiteral("595 x 842 pts")));
        m_window->InitGrid(2);
        m_window->journal().AddItem(QStringLiteral("1\t1\t1.250\tkg\tS\t10\t0.125\t07.12.2026 10:00:00\t")
                                    + QString(80, QChar(0x0416)) + QStringLiteral(" конец"));
        const QString wide = exportTo("mnuExportPdf", QStringLiteral("wide.pdf"));
        QVERIFY(run(QStringLiteral("pdfinfo"), {wide}).contains(QStringLiteral("842 x 595 pts")));
        const QString text = run(QStringLiteral("pdftotext"), {wide, "-"});
        QVERIFY(text.contains(QStringLiteral("Колич.")));
        QVERIFY(text.contains(QStringLiteral("Вес 1 шт.")));
        QVERIFY(!text.contains(QStringLiteral("конец")));
    }

    void pdfNumbersItsPages()
    {
        addRows(200);
        const QString pdf = exportTo("mnuExportPdf", QStringLiteral("long.pdf"));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, "-"});
        const int pages = text.count(QLatin1Char('\f'));
        QVERIFY(pages > 2);
        for (int p = 1; p <= pages; ++p)
            QVERIFY(text.contains(QStringLiteral("стр. %1 из %2").arg(p).arg(pages)));
        QVERIFY(text.contains(QStringLiteral("Итого: 200 строк")));
    }

    // The preview records its pages on the window's thread: it is given the
    // first ones only, numbered of the whole report. Printing from it prints
    // every page, as a job with its progress.
    void printGoesThroughThePreview_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("pages");
        QTest::newRow("one page") << 3 << 1;
        QTest::newRow("the first pages of many, then all printed") << 5000 << int(ReportCommands::PreviewPages);
    }

    void printGoesThroughThePreview()
    {
        QFETCH(int, rows);
        QFETCH(int, pages);
        addRows(rows);
        const bool print = rows > 3;
        const QString pdf = m_env->folder.filePath(QStringLiteral("printed.pdf"));
        bool progressShown = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [this, &progressShown] {
            if (auto *p = m_window->findChild<QProgressDialog *>(QStringLiteral("dlgProgress")))
                progressShown = progressShown || p->isVisible();
        });
        watch.start(10);
        int shown = -1;
        QTimer::singleShot(0, this, [&shown, &pdf, print] {
            auto *preview = qobject_cast<QPrintPreviewDialog *>(QApplication::activeModalWidget());
            QVERIFY(preview);
            if (auto *view = preview->findChild<QPrintPreviewWidget *>())
                shown = view->pageCount();
            const QList<QAction *> actions = preview->findChildren<QAction *>();
            const auto printAction = std::find_if(actions.begin(), actions.end(),
                                                  [](QAction *a) { return a->text() == QLatin1String("Print"); });
            if (!print || printAction == actions.end())
                return preview->reject();
            // To a file: the print dialog offers it, and is accepted.
            preview->printer()->setOutputFileName(pdf);
            QTimer::singleShot(0, [] {
                auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            (*printAction)->trigger();
        });
        trigger("mnuPrint");
        QCOMPARE(shown, pages);
        if (!print)
            return;
        QTRY_VERIFY(QFileInfo::exists(pdf));
        const QString text = run(QStringLiteral("pdftotext"), {pdf, "-"});
        const int printed = text.count(QLatin1Char('\f'));
        QVERIFY2(printed > ReportCommands::PreviewPages, qPrintable(QString::number(printed)));
        QVERIFY(text.contains(QStringLiteral("стр. %1 из %1").arg(printed)));
        QVERIFY(text.contains(QStringLiteral("Итого: 5")));
        QVERIFY(progressShown);
    }

    void cancelledExportWritesNothing()
    {
        m_env->dialogs.choices = {std::nullopt};
        trigger("mnuExportExcel");
        QCOMPARE(m_env->messages.texts().last(), QStringLiteral("Операция отменена."));
    }

    // Texts go without the blanks the journal pads them with (" g" of a
    // type-0 frame), which the journal file keeps.
    void workbookCellsAreNumbersDatesAndTexts()
    {
        readThree();
        m_window->journal().AddItem(QStringLiteral("4\t4\t--.---\tkg\tS\tне время\tзаметка"));
        read("2.000", " g");
        m_window->journal().setTextMatrix(1, m_window->journal().Cols() - 1, QStringLiteral("первая"));
        const QString xlsx = exportTo("mnuExportExcel", QStringLiteral("day.xlsx"));
        QCOMPARE(m_env->messages.texts().last(), "Данные сохранены в файле " + xlsx);
        const QJsonArray rows = workbookRows(xlsx);
        QVERIFY(rows.size() >= 7);
        auto cell = [&rows](int r, int c) { return rows.at(r).toArray().at(c).toArray(); };
        QCOMPARE(cell(0, 1).at(1).toString(), QStringLiteral("Вес"));
        QCOMPARE(cell(0, 4).at(1).toString(), QStringLiteral("Время"));
        double sum = 0;
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(cell(r, 1).at(0).toString(), QStringLiteral("n"));
            sum += cell(r, 1).at(1).toDouble();
            QCOMPARE(cell(r, 0).at(0).toString(), QStringLiteral("n"));
            QCOMPARE(cell(r, 4).at(0).toString(), QStringLiteral("d"));
            QVERIFY(QDateTime::fromString(cell(r, 4).at(1).toString(), Qt::ISODate).isValid());
        }
        QCOMPARE(sum, 4.25);
        QCOMPARE(cell(1, 5), (QJsonArray{"s", "первая"}));
        QCOMPARE(cell(4, 1), (QJsonArray{"s", "--.---"}));
        QCOMPARE(cell(4, 4), (QJsonArray{"s", "не время"}));
        QCOMPARE(cell(5, 2), (QJsonArray{"s", "g"}));
        QCOMPARE(cell(7, 0), (QJsonArray{"s", "Итого: 5 строк"}));
        QCOMPARE(cell(8, 1), (QJsonArray{"n", 4.25}));
        QCOMPARE(cell(8, 2), (QJsonArray{"s", "kg"}));
        QCOMPARE(cell(9, 2), (QJsonArray{"s", "g"}));
        const QString journal = m_env->folder.filePath(QStringLiteral("day.txt"));
        QVERIFY(m_window->fileCommands().WriteJournalFile(journal, QStringLiteral("\t")));
        QVERIFY(TestFiles::bytesOf(journal).contains("\t g\t"));
    }

    // LibreOffice Calc in a Russian locale reads the weights as numbers: it
    // shows them (CSV "as shown") with a decimal comma and their decimals,
    // where a text would keep its full stop; the sum below as 4,250.
    void workbookOpensInLibreOfficeWithRussianNumbers()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        QVERIFY2(!soffice.isEmpty(), "LibreOffice (libreoffice-calc-nogui) is not installed");
        readThree();
        const QString xlsx = exportTo("mnuExportExcel", QStringLiteral("calc.xlsx"));
        const QString out = m_env->folder.filePath(QStringLiteral("csv"));
        const QString profile = QUrl::fromLocalFile(m_env->folder.filePath(QStringLiteral("lo-profile"))).toString();
        run(soffice,
            {"-env:UserInstallation=" + profile, "--headless", "--norestore", "--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76,1,,1049,false,true,true", "--outdir", out, xlsx},
            {"LC_ALL=ru_RU.UTF-8", "LANG=ru_RU.UTF-8", "LANGUAGE=ru", "HOME=" + m_env->folder.path()});
        QFile csv(out + QStringLiteral("/calc.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.size() > 6);
        QCOMPARE(lines.at(0), QStringLiteral("№ п.п,Вес,Ед. изм.,Статус,Время,Примечание"));
        QVERIFY(lines.at(1).startsWith(QStringLiteral("1,\"1,000\",kg,S,")));
        QVERIFY(lines.at(2).startsWith(QStringLiteral("2,\"2,500\",kg,S,")));
        QVERIFY(lines.at(3).startsWith(QStringLiteral("3,\"0,750\",kg,S,")));
        QVERIFY(lines.at(6).startsWith(QStringLiteral("Сумма,\"4,250\",kg,")));
    }

    // An existing file is replaced only as Save as replaces it: the same
    // question, whether the name was typed with its extension or without.
    // "Отмена" in the progress leaves no new file, an existing one as it
    // was, and nothing beside it.
    void exportOverAFile_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("cancel"); // "Отмена" in the progress
        QTest::newRow("PDF typed without extension") << "mnuExportPdf" << "old" << "old.pdf" << true << false << false;
        QTest::newRow("PDF typed with extension") << "mnuExportPdf" << "old.pdf" << "old.pdf" << true << false << false;
        QTest::newRow("PDF replaced") << "mnuExportPdf" << "old" << "old.pdf" << true << true << false;
        QTest::newRow("workbook typed without extension") << "mnuExportExcel" << "old" << "old.xlsx" << true << false << false;
        QTest::newRow("workbook replaced") << "mnuExportExcel" << "old.xlsx" << "old.xlsx" << true << true << false;
        QTest::newRow("new PDF cancelled") << "mnuExportPdf" << "report.pdf" << "report.pdf" << false << true << true;
        QTest::newRow("PDF replace cancelled") << "mnuExportPdf" << "report.pdf" << "report.pdf" << true << true << true;
        QTest::newRow("new workbook cancelled") << "mnuExportExcel" << "report.xlsx" << "report.xlsx" << false << true << true;
        QTest::newRow("workbook replace cancelled") << "mnuExportExcel" << "report.xlsx" << "report.xlsx" << true << true << true;
    }

    void exportOverAFile()
    {
        QFETCH(QString, item);
        QFETCH(QString, typed);
        QFETCH(QString, file);
        QFETCH(bool, existing);
        QFETCH(bool, replace);
        QFETCH(bool, cancel);
        readThree();
        const QString path = m_env->folder.filePath(file);
        const QByteArray old("what was there");
        const auto asked = [](const FakeUserMessages::Message &m) {
            return QStringList{m.text, m.title, QString::number(int(m.buttons)), QString::number(int(m.icon))};
        };
        QStringList saveAsAsked;
        if (existing) {
            QVERIFY(TestFiles::put(path, old));
            m_env->dialogs.choices = {path};
            m_env->messages.answer({Answer::No});
            QVERIFY(!m_window->fileCommands().SaveAs());
            saveAsAsked = asked(m_env->messages.messages().at(m_env->messages.messages().size() - 2));
            m_env->messages.clear();
            m_env->messages.answer({replace ? Answer::Yes : Answer::No});
        }
        const QStringList filter{QLatin1Char('*') + QFileInfo(file).completeBaseName() + QLatin1Char('*')};
        const QStringList before = QDir(m_env->folder.path()).entryList(filter, QDir::Files | QDir::Hidden);
        m_clicked = false;
        if (cancel)
            cancelOnceStarted();
        exportTo(item.toLatin1().constData(), typed);
        QCOMPARE(bool(m_clicked), cancel);
        const QList<FakeUserMessages::Message> shown = m_env->messages.messages();
        QCOMPARE(shown.size(), existing ? 2 : 1);
        if (existing)
            QCOMPARE(asked(shown[0]), saveAsAsked);
        const bool written = replace && !cancel;
        QCOMPARE(shown.last().text, written ? "Данные сохранены в файле " + path : QStringLiteral("Операция отменена."));
        if (written)
            QVERIFY(exportedText(path).contains(QStringLiteral("Итого: 3 строки")));
        else
            QCOMPARE(TestFiles::bytesOf(path), existing ? old : QByteArray("<none>"));
        QCOMPARE(QDir(m_env->folder.path()).entryList(filter, QDir::Files | QDir::Hidden), before);
    }

    // An export made slow on purpose runs while the scale streams over the
    // real serial line: every reading keeps the time its frame was sent,
    // and the export holds the journal as it was when it began.
    void readingsKeepTheirTimeWhileAnExportRuns_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("file");
        QTest::newRow("PDF") << "mnuExportPdf" << "day.pdf";
        QTest::newRow("workbook") << "mnuExportExcel" << "day.xlsx";
    }

    void readingsKeepTheirTimeWhileAnExportRuns()
    {
        QFETCH(QString, item);
        QFETCH(QString, file);
        constexpr int Frames = 20;
        constexpr int Preloaded = 40;
        constexpr int Timeout = 30000;
        WriteIniValue(m_env->ini(), QStringLiteral("UserSettings"), QStringLiteral("txtValTypeScale"), QStringLiteral("0"));
        WriteIniValue(m_env->ini(), QStringLiteral("UserSettings"), QStringLiteral("arrLuft_0"), QStringLiteral("0"));
        m_window = &m_env->start(std::make_unique<QtSerialLine>(m_env->folder.path()));
        addRows(Preloaded);

        QStringList weights;
        for (int i = 1; i <= Frames; ++i)
            weights << QStringLiteral("%1.125").arg(i);
        const QString times = m_env->folder.filePath(QStringLiteral("sent.txt"));
        QProcess scale;
        scale.start(QStringLiteral(VIRTUAL_SCALE_PATH),
                    {"--folder", m_env->folder.path(), "--port", "1", "--type", "0", "--interval-ms", "250",
                     "--count", QString::number(Frames), "--stay", "--times", times, "--weights", weights.join(',')});
        QVERIFY(scale.waitForStarted(Timeout));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_env->folder.filePath("ports/COM1")).isSymLink(), Timeout);
        m_window->tbr1_ButtonClick(QStringLiteral("tbrReadAllPlu"));
        QTRY_VERIFY_WITH_TIMEOUT(m_window->journal().Rows() > Preloaded + 3, Timeout);

        // The job waits 3 s at its first step, as a big journal would.
        std::atomic<bool> slowed{false};
        reports().watchSteps([&slowed] {
            if (!slowed.exchange(true))
                std::this_thread::sleep_for(std::chrono::seconds(3));
        });
        const int atStart = m_window->journal().Rows() - 1;
        exportTo(item.toLatin1().constData(), file);
        QCOMPARE(m_env->messages.texts().last(), "Данные сохранены в файле " + m_env->folder.filePath(file));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->journal().Rows() - 1, Preloaded + Frames, Timeout);
        QVERIFY(atStart < Preloaded + Frames - 8); // readings arrived during the export
        m_window->tbr1_ButtonClick(QStringLiteral("tbrStopRead"));
        scale.terminate();
        QVERIFY(scale.waitForFinished(Timeout));

        const QList<QByteArray> sent = TestFiles::bytesOf(times).trimmed().split('\n');
        QCOMPARE(sent.size(), Frames);
        const TimeReader reader(JournalTime::programLocale());
        const int timeCol = m_window->journal().columnWithCaption(QStringLiteral("Время"));
        for (int k = 0; k < Frames; ++k) {
            const int row = Preloaded + 1 + k;
            QCOMPARE(m_window->journal().TextMatrix(row, 2).trimmed(), weights[k]);
            // To the second: the second the frame was sent, or the next when
            // it crossed one on its way.
            const QDateTime recorded = reader.read(m_window->journal().TextMatrix(row, timeCol));
            const qint64 lag = recorded.isValid() ? recorded.toSecsSinceEpoch() - sent[k].toLongLong() / 1000 : -1;
            QVERIFY2(lag == 0 || lag == 1, qPrintable(QStringLiteral("reading %1: %2 s off").arg(k + 1).arg(lag)));
        }
        const QString text = exportedText(m_env->folder.filePath(file));
        auto holds = [&text](const QString &weight) {
            return text.contains(QRegularExpression("(^|[^0-9.])" + QRegularExpression::escape(weight) + "($|[^0-9])"));
        };
        QVERIFY(holds(weights[atStart - Preloaded - 1]));
        QVERIFY(!holds(weights[atStart - Preloaded]));
    }
};

QTEST_MAIN(TestStation)
#include "tst_station.moc"
