#include "app/frm1.h"

#include "app/AppTexts.h"
#include "central/CentralSettings.h"
#include "central/CentralJournal.h"
#include "common/Clock.h"
#include "common/Numbers.h"
#include "common/ScaleTypes.h"
#include "common/SerialLine.h"
#include "common/UserMessages.h"
#include "files/FileCommands.h"
#include "files/FileTexts.h"
#include "journal/JournalGrid.h"
#include "journal/JournalView.h"
#include "journal/NoteEditor.h"
#include "journal/NoteEditorBox.h"
#include "journal/RowOperations.h"
#include "link/DataStreamView.h"
#include "link/QtBeeper.h"
#include "link/ScaleLink.h"
#include "recovery/JournalRecovery.h"
#include "recovery/RecoveryTexts.h"
#include "settings/frmSettings.h"
#include "settings/IniTxt.h"
#include "settings/SettingsStore.h"
#include "station/Station.h"
#include "supervisor/AllScales.h"
#include "supervisor/ViewerConnection.h"
#include "widgets/Placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr int DesignedClientWidth = 8370;
constexpr int DesignedClientHeight = 7290;
constexpr int ToolbarHeight = 420;
constexpr int StatusBarHeight = 330;
constexpr int GridLeft = 0;
constexpr int GridTop = 1080;
constexpr int ChatHeight = 2205;
// How long after showing the window may wait for its window manager's frame.
constexpr int FramingWaitMs = 2000;

struct ToolbarButton {
    const char *key;
    QString (*toolTip)();
    const char *icon;
};

const ToolbarButton ToolbarButtons[] = {
    {"tbrCreate", AppTexts::create, ":/icons/create.svg"},
    {"tbrOpen", AppTexts::open, ":/icons/open.svg"},
    {"tbrSave", AppTexts::save, ":/icons/save.svg"},
    {"tbrClear", AppTexts::deleteRecord, ":/icons/clear.svg"},
    {"tbrReadAllPlu", AppTexts::startReading, ":/icons/start.svg"},
    {"tbrStopRead", AppTexts::stopReading, ":/icons/stop.svg"},
    {"tbrExit", AppTexts::exit, ":/icons/exit.svg"},
};

const QString GeometryKeys[] = {QStringLiteral("frmTop"), QStringLiteral("frmLeft"), QStringLiteral("frmHeight"),
                                QStringLiteral("frmWidth")};

} // namespace

frm1::frm1(MainWindowServices services)
    : m_programFolder(services.programFolder)
    , m_iniPath(QDir(services.programFolder).filePath(QStringLiteral("Init.ini")))
    , strSeparator(QStringLiteral("\t"))
    , MSComm1(std::move(services.commPort))
    , m_messages(*services.messages)
    , m_journal(std::make_unique<JournalGrid>())
    , m_clock(services.clock ? std::move(services.clock) : std::make_unique<SystemClock>())
    , m_beeper(services.beeper ? std::move(services.beeper) : std::make_unique<QtBeeper>())
{
    Q_ASSERT(services.messages && services.fileDialogs && MSComm1);
    setObjectName(QStringLiteral("frm1"));
    setWindowTitle(UserMessages::applicationTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/scale.svg")));
    useDesignedFont(this);
    buildControls();
    fitCaptions(this);
    resize(Twips::toPixels(DesignedClientWidth), Twips::toPixels(DesignedClientHeight) + menuBar()->sizeHint().height());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    frmS = std::make_unique<frmSettings>(m_iniPath, *MSComm1, m_messages,
                                         [this](const QString &caption) { Label2->setText(caption); }, windowIcon());
    connect(frmS.get(), &frmSettings::ChangeMaket, this, &frm1::frmS_ChangeMaket);
    m_files = std::make_unique<FileCommands>(
        *m_journal, *services.fileDialogs, m_messages, m_iniPath, strSeparator,
        FileCommands::Window{[this] { InitGrid(frmS->liveSettings().scaleTypeIndex()); },
                             [this](const QString &name) {
                                 lblCurFileName->setText(name);
                                 if (m_recovery)
                                     m_recovery->sessionChanged();
                             },
                             [this] { Grid1->setFocus(); }});
    m_recovery = std::make_unique<JournalRecovery>(
        m_programFolder,
        JournalRecovery::Surroundings{
            *m_journal,
            [this] {
                return JournalRecovery::Session{ScaleTypes::at(m_gridType) ? m_gridType : 0, m_files->curFileName(),
                                                lblCurFileName->text()};
            },
            [this](const QString &text) { m_messages.notify(text, UserMessages::Icon::Warning); }});
    connect(m_files.get(), &FileCommands::saved, this, &frm1::settleRecovery);
    m_link = std::make_unique<ScaleLink>(ScaleLink::Surroundings{
        *MSComm1, frmS->liveSettings(), *m_journal, m_messages, *m_clock, *m_beeper,
        {[this] { return txtPrim->text(); }, [this](const QString &text) { ShowText(text); },
         [this] { m_notes->storeEdit(); },
         [this](const QStringList &cells) { return m_station->central().record(cells); }}});
    txtChat->setModel(&m_link->dataStream());
    connect(MSComm1.get(), &SerialLine::commEvent, this, &frm1::MSComm1_OnComm);
    connect(&m_link->recorder(), &Recorder::recorded, this, &frm1::journalChanged);
    m_station = std::make_unique<Station>(Station::Parts{
        *this, *menuBar()->findChild<QMenu *>(QStringLiteral("mnuFile")),
        *menuBar()->findChild<QMenu *>(QStringLiteral("mnuServ")), *sbrChat, *m_journal, *m_files,
        *services.fileDialogs, m_messages, *frmS, *m_link, *Grid1, *m_clock, m_iniPath});
    m_allScales = std::make_unique<AllScales>(AllScales::Parts{
        *menuBar()->findChild<QMenu *>(QStringLiteral("mnuServ")), *this, *services.fileDialogs, m_messages,
        [this] { return ViewerConnection::conninfo(CentralSettings::read(m_iniPath).connection); }});
    restoreGeometry();
    InitGrid(frmS->liveSettings().scaleTypeIndex());
    offerRecovery();
}

// The journal of a session that ended without saving it, back as it was:
// rows, notes, layout and scale type, file name and label, all unsaved.
void frm1::offerRecovery()
{
    if (m_recovery->heldByAnotherCopy()) {
        m_messages.inform(RecoveryTexts::heldByAnotherCopy(m_programFolder), UserMessages::Icon::Warning);
        return;
    }
    const std::optional<RecoveredJournal> journal = m_recovery->pending();
    if (!journal) {
        // The journal starts empty, whatever the last session left.
        m_station->central().emptied(CentralEvent::Emptied::New);
        return;
    }
    const QString question = RecoveryTexts::restoreQuestion(journal->rowCount(), m_recovery->lastChange());
    if (m_messages.show(question, UserMessages::applicationTitle(), UserMessages::Buttons::YesNo,
                        UserMessages::Icon::Question)
        != UserMessages::Answer::Yes) {
        m_recovery->reset();
        m_station->central().emptied(CentralEvent::Emptied::RestoreDeclined);
        return;
    }
    frmS->selectScaleType(journal->scaleType);
    InitGrid(journal->scaleType);
    journal->addTo(*m_journal);
    m_files->restoreCurFileName(journal->fileName);
    lblCurFileName->setText(journal->label);
    m_files->markChanged();
    m_recovery->adopt(*journal);
}

frm1::~frm1() = default;

void frm1::buildControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    buildToolbar();
    buildMenus();

    lblCurFileName = placeControl<QLabel>(m_client, QStringLiteral("lblCurFileName"), 120, 480, 3015, 255);
    lblCurFileName->setText(FileTexts::newJournal());
    Label2 = placeControl<QLabel>(m_client, QStringLiteral("Label2"), 120, 720, 3135, 255);
    Label2->setText(QStringLiteral("Label2"));
    lblPrim = placeControl<QLabel>(m_client, QStringLiteral("lblPrim"), 3480, 480, 1335, 255);
    lblPrim->setText(AppTexts::noteLabel());
    txtPrim = placeControl<QLineEdit>(m_client, QStringLiteral("txtPrim"), 3480, 690, 3015, 285);
    QPalette notePalette = txtPrim->palette();
    notePalette.setColor(QPalette::Base, notePalette.color(QPalette::ToolTipBase));
    notePalette.setColor(QPalette::Text, notePalette.color(QPalette::ToolTipText));
    txtPrim->setPalette(notePalette);
    txtPrim->setAccessibleName(lblPrim->text());
    lblPrim->setBuddy(txtPrim);

    Grid1 = new JournalView(*m_journal, m_client);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setGeometry(Twips::rect(GridLeft, GridTop, 8055, 2895));
    Grid1->setPalette(notePalette);
    Grid1->setAccessibleName(AppTexts::journal());

    Text1 = placeControl<QLineEdit>(m_client, QStringLiteral("Text1"), 960, 480, 1095, 375);
    Text1->hide();
    Text1->setAccessibleName(lblPrim->text());
    m_noteBox = std::make_unique<NoteEditorBox>(*Text1, *Grid1);
    m_notes = std::make_unique<NoteEditor>(*m_journal, *m_noteBox, *m_noteBox);
    m_rowOps = std::make_unique<RowOperations>(*m_journal, m_messages, *m_notes);
    connect(m_journal.get(), &JournalGrid::EnterCell, this, &frm1::Grid1_EnterCell);
    connect(m_journal.get(), &JournalGrid::LeaveCell, this, &frm1::Grid1_LeaveCell);
    connect(m_noteBox.get(), &NoteEditorBox::keyDown, this, &frm1::Text1_KeyDown);
    connect(Grid1, &JournalView::cellsMoved, m_notes.get(), &NoteEditor::followCell);
    connect(m_notes.get(), &NoteEditor::noteStored, this, &frm1::journalChanged);
    connect(m_rowOps.get(), &RowOperations::rowsDeleted, this, &frm1::journalChanged);

    txtChat = placeControl<DataStreamView>(m_client, QStringLiteral("txtChat"), 0, 4680, 7935, ChatHeight);
    txtChat->setAccessibleName(AppTexts::dataStream());

    sbrChat = new QStatusBar(this);
    sbrChat->setObjectName(QStringLiteral("sbrChat"));
    sbrChat->setAccessibleName(AppTexts::statusBar());
    sbrChat->setFixedHeight(Twips::toPixels(StatusBarHeight));
    sbrChat->setSizeGripEnabled(false);
    setStatusBar(sbrChat);

    // Qt's own buttons for toolbar buttons and menus that do not fit.
    if (auto *more = tbr1->findChild<QWidget *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(AppTexts::moreButtons());
    if (auto *more = menuBar()->findChild<QWidget *>(QStringLiteral("qt_menubar_ext_button")))
        more->setAccessibleName(AppTexts::moreMenus());
}

void frm1::buildToolbar()
{
    tbr1 = new QToolBar(m_client);
    tbr1->setObjectName(QStringLiteral("tbr1"));
    tbr1->setAccessibleName(AppTexts::toolbar());

    tbr1->setMovable(false);
    tbr1->setFloatable(false);
    tbr1->setIconSize(QSize(22, 22));
    tbr1->setGeometry(0, 0, width(), Twips::toPixels(ToolbarHeight));
    for (const ToolbarButton &b : ToolbarButtons) {
        const QString key = QLatin1String(b.key);
        QAction *action = tbr1->addAction(QIcon(QLatin1String(b.icon)), b.toolTip());
        action->setObjectName(key);
        action->setToolTip(action->text());
        QWidget *button = tbr1->widgetForAction(action);
        button->setObjectName(key);
        button->setAccessibleName(action->text());
        connect(action, &QAction::triggered, this, [this, key] { tbr1_ButtonClick(key); });
    }
}

void frm1::buildMenus()
{
    auto item = [this](QMenu *menu, const char *name, const QString &caption, void (frm1::*run)()) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (run)
            connect(action, &QAction::triggered, this, run);
        return action;
    };
    QMenu *mnuFile = menuBar()->addMenu(AppTexts::fileMenu());
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    item(mnuFile, "mnuCreate", AppTexts::create(), &frm1::New);
    item(mnuFile, "mnuOpen", AppTexts::open(), &frm1::Open);
    item(mnuFile, "mnuAddFrom", AppTexts::addFrom(), nullptr)->setEnabled(false);
    item(mnuFile, "mnuSaveAs", AppTexts::saveAs(), &frm1::SaveAs);
    QMenu *mnuServ = menuBar()->addMenu(AppTexts::serviceMenu());
    mnuServ->setObjectName(QStringLiteral("mnuServ"));
    item(mnuServ, "mnuSettings", AppTexts::settings(), &frm1::Settings);
}

// Top, Left, Height and Width are the outer frame in twips.
void frm1::restoreGeometry()
{
    const QRect frame = frameGeometry();
    const int current[] = {Twips::fromPixels(frame.y()), Twips::fromPixels(frame.x()), Twips::fromPixels(frame.height()),
                           Twips::fromPixels(frame.width())};
    int values[4];
    for (int i = 0; i < 4; ++i) {
        const QString text = ReadIniValue(m_iniPath, QLatin1String(SettingsStore::UserSection), GeometryKeys[i],
                                          QString::number(current[i]));
        const std::optional<double> v = Numbers::parseDecimalComma(text);
        values[i] = v && std::fabs(*v) < 1e8 ? int(std::lround(*v)) : current[i];
    }
    applyOuterGeometry(values[0], values[1], values[2], values[3]);
}

void frm1::applyOuterGeometry(int top, int left, int height, int width)
{
    QRect wanted(Twips::toPixels(left), Twips::toPixels(top), std::max(0, Twips::toPixels(width)),
                 std::max(0, Twips::toPixels(height)));
    // A window stored on a screen that is gone comes back onto the primary one.
    const QRect visible = wanted.adjusted(0, 0, 0, 0);
    bool onScreen = false;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(visible);
        onScreen = onScreen || (common.width() >= 40 && common.height() >= 40);
    }
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!onScreen && primary) {
        const QRect area = primary->availableGeometry();
        wanted.setSize(wanted.size().boundedTo(area.size()));
        wanted.moveCenter(area.center());
    }
    // A window stored larger than its screen (a long status line once widened
    // it) is fitted to the screen, or its close box is out of reach.
    QScreen *screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = primary;
    if (screen) {
        const QRect area = screen->availableGeometry();
        if (wanted.width() > area.width() || wanted.height() > area.height()) {
            wanted.setSize(wanted.size().boundedTo(area.size()));
            wanted.moveLeft(std::clamp(wanted.left(), area.left(), area.right() + 1 - wanted.width()));
            wanted.moveTop(std::clamp(wanted.top(), area.top(), area.bottom() + 1 - wanted.height()));
        }
    }
    m_wantedFrame = wanted;
    const QSize extras = frameGeometry().size() - size();
    resize(std::max(0, wanted.width() - extras.width()), std::max(0, wanted.height() - extras.height()));
    move(wanted.topLeft());
}

void frm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (fitWantedFrame())
        return;
    // A window manager frames the window a little after it shows (X11): the
    // outer size is put right when the frame is known, by the move or
    // resize that framing brings. Without a frame by then there is none.
    QTimer::singleShot(FramingWaitMs, this, [this] { m_wantedFrame = QRect(); });
}

// Makes the outer geometry the one asked for once the frame around the
// window is known; the frame must not be added to the stored size again.
bool frm1::fitWantedFrame()
{
    if (!m_wantedFrame.isValid())
        return true;
    const QSize extras = frameGeometry().size() - size();
    if (extras == QSize(0, 0))
        return false; // not framed yet, or never (no window manager)
    const QRect wanted = m_wantedFrame;
    m_wantedFrame = QRect();
    resize(std::max(0, wanted.width() - extras.width()), std::max(0, wanted.height() - extras.height()));
    move(wanted.topLeft());
    return true;
}

void frm1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (m_wantedFrame.isValid() && isVisible())
        fitWantedFrame();
}

void frm1::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_wantedFrame.isValid() && isVisible())
        fitWantedFrame();
    tbr1->setGeometry(0, 0, m_client->width(), Twips::toPixels(ToolbarHeight));
    Form_Resize();
}

void frm1::Form_Resize()
{
    if (!frmS)
        return;
    const int width = Twips::fromPixels(frameGeometry().width());
    const int height = Twips::fromPixels(frameGeometry().height());
    const int gridWidth = std::max(0, width - 100);
    int gridHeight;
    if (frmS->liveSettings().showStreamData() == 0) {
        gridHeight = std::max(0, height - 1000 - GridTop);
        txtChat->hide();
    } else {
        gridHeight = std::max(0, height - 4600);
        txtChat->show();
    }
    Grid1->setGeometry(Twips::rect(GridLeft, GridTop, gridWidth, gridHeight));
    txtChat->setGeometry(Twips::rect(0, GridTop + gridHeight + 100, gridWidth, ChatHeight));
}

void frm1::InitGrid(int scaleType)
{
    m_gridType = scaleType;
    m_columns = JournalLayout::forType(scaleType, m_columns);
    m_notes->setSkipCommit(true);
    m_station->layoutBuilding();
    JournalLayout::apply(m_columns, *m_journal);
    QFont header = Grid1->horizontalHeader()->font();
    header.setBold(true);
    header.setPointSize(10);
    Grid1->horizontalHeader()->setFont(header);
    Grid1->applyColumnWidths();
    m_station->layoutBuilt(m_columns);
    m_notes->hide();
    m_notes->setSkipCommit(false);
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
}

void frm1::ShowText(const QString &message)
{
    sbrChat->showMessage(message);
}

// Note editing and row deletion.
void frm1::SetTextbox()
{
    m_notes->setTextbox();
}

void frm1::SaveGridDataToArr(GridArray &journalCells) const
{
    ::SaveGridDataToArr(*m_journal, journalCells);
}

void frm1::Grid1_EnterCell()
{
    m_notes->enterCell();
}

void frm1::Grid1_LeaveCell()
{
    m_notes->leaveCell();
}

void frm1::Text1_KeyDown(int keyCode, int shift)
{
    m_notes->keyDown(keyCode, shift);
}

void frm1::DeleteSelectedRows()
{
    m_notes->storeEdit();
    m_rowOps->DeleteSelectedRows();
}

void frm1::tbr1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("tbrCreate"))
        New();
    else if (key == QLatin1String("tbrOpen"))
        Open();
    else if (key == QLatin1String("tbrSave"))
        Save();
    else if (key == QLatin1String("tbrReadAllPlu"))
        StartReading();
    else if (key == QLatin1String("tbrStopRead"))
        StopReading();
    else if (key == QLatin1String("tbrClear"))
        DeleteSelectedRows();
    else if (key == QLatin1String("tbrExit"))
        Exit();
}

void frm1::frmS_ChangeMaket()
{
    // The journal's columns and the type the link decodes never disagree:
    // until the rows may go, the dialog keeps the journal's type, so that
    // readings arriving meanwhile land in the columns of their type.
    const int wanted = frmS->liveSettings().scaleTypeIndex();
    frmS->selectScaleType(m_gridType);
    if (m_changingLayout) {
        Form_Resize();
        return;
    }
    m_changingLayout = true;
    m_notes->storeEdit();
    Form_Resize();
    // Unsaved rows are saved first; when that fails or the operator cancels
    // they stay, and so does the type.
    const bool discard = m_files->confirmDiscard();
    m_changingLayout = false;
    if (!discard)
        return;
    frmS->selectScaleType(wanted);
    m_files->forgetFile();
    InitGrid(wanted);
    m_station->central().emptied(CentralEvent::Emptied::Layout);
    settleRecovery();
}

void frm1::Settings()
{
    frmS->show();
    frmS->raise();
    frmS->activateWindow();
}

void frm1::Exit()
{
    close();
}

void frm1::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded)
        m_notes->storeEdit();
    if (!m_unloaded && !m_files->confirmDiscard()) {
        event->ignore();
        return;
    }
    // Saved or discarded: nothing is left to offer at the next start.
    m_recovery->reset();
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void frm1::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_link->endReception();
    frmS->close();
    const QRect frame = frameGeometry();
    const int values[] = {frame.y(), frame.x(), frame.height(), frame.width()};
    for (int i = 0; i < 4; ++i)
        WriteIniValue(m_iniPath, QLatin1String(SettingsStore::UserSection), GeometryKeys[i],
                      QString::number(Twips::fromPixels(values[i])));
}

// A note still in the editor is stored first, so that it is saved, or asked
// about, like any other change.
void frm1::New()
{
    m_notes->storeEdit();
    m_files->New();
    settleRecovery();
}

void frm1::Open()
{
    m_notes->storeEdit();
    m_files->Open();
    settleRecovery();
}

void frm1::Save()
{
    m_notes->storeEdit();
    m_files->Save();
}

void frm1::SaveAs()
{
    m_notes->storeEdit();
    m_files->SaveAs();
}
void frm1::GetPluDataFromFile(const QString &fileName)
{
    m_files->GetPluDataFromFile(fileName);
    settleRecovery();
}

// Nothing unsaved (saved, loaded, given up): nothing to offer at the next start.
void frm1::settleRecovery()
{
    if (!m_files->changed())
        m_recovery->reset();
}
void frm1::journalChanged()
{
    m_files->markChanged();
    m_recovery->changed();
}

// The scale link.
void frm1::StartReading() { m_link->StartReading(); }
void frm1::StopReading() { m_link->StopReading(); }
int frm1::PreparePort(int portNumber) { return m_link->PreparePort(portNumber); }
void frm1::ReadFrom_Unit(const QString &chunk) { m_link->ReadFrom_Unit(chunk); }
void frm1::MSComm1_OnComm(int code) { m_link->MSComm1_OnComm(code); }
