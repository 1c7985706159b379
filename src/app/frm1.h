#pragma once

#include "common/Beeper.h"
#include "common/Clock.h"
#include "journal/GridSnapshot.h"
#include "journal/JournalLayout.h"

#include <QMainWindow>
#include <QVector>

#include <memory>

class FileCommands;
class FileDialogs;
class DataStreamView;
class JournalGrid;
class JournalRecovery;
class JournalView;
class NoteEditor;
class NoteEditorBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QToolBar;
class RowOperations;
class ScaleLink;
class Station;
class SerialLine;
class UserMessages;
class frmSettings;
class AllScales;

// What the main window needs from its surroundings; the program passes the
// real ones, tests their own.
struct MainWindowServices {
    QString programFolder;               // where Init.ini lies
    std::unique_ptr<SerialLine> commPort; // MSComm1
    UserMessages *messages = nullptr;
    FileDialogs *fileDialogs = nullptr; // Cdl
    std::unique_ptr<Clock> clock;   // default: the system's local time
    std::unique_ptr<Beeper> beeper; // default: the system's beep
};

// The main window "Tarovik_RS232": toolbar, menus, the journal, the note box,
// the data-stream window and the status bar. It owns everything for the run.
class frm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit frm1(MainWindowServices services);
    ~frm1() override;

    // Lays the journal out empty for a scale type.
    void InitGrid(int scaleType);
    // Sets the status bar's text.
    void ShowText(const QString &message);
    // Lays the note editor over the current cell when the pointer rests over
    // a note cell, else hides it.
    void SetTextbox();
    // Copies the journal into journalCells, [data column][row].
    void SaveGridDataToArr(GridArray &journalCells) const;

    // The scale link: the port, decoding a received chunk.
    int PreparePort(int portNumber);
    void ReadFrom_Unit(const QString &chunk);
    ScaleLink &scaleLink() const { return *m_link; }

    QString settingsFilePath() const { return m_iniPath; }
    frmSettings &settingsDialog() const { return *frmS; }
    JournalGrid &journal() const { return *m_journal; }
    Station &station() const { return *m_station; }

    // Runs the command of a toolbar button by its key.
    void tbr1_ButtonClick(const QString &key);

    // Replaces the journal by the rows of a journal file.
    void GetPluDataFromFile(const QString &fileName);
    FileCommands &fileCommands() const { return *m_files; }

public slots:
    // The journal's rows changed (a reading recorded, a note stored, rows
    // deleted): closing or replacing them asks first.
    void journalChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void offerRecovery();
    void settleRecovery();
    void buildToolbar();
    void buildMenus();
    void restoreGeometry();
    void applyOuterGeometry(int top, int left, int height, int width);
    bool fitWantedFrame();
    void Form_Resize();
    void Form_Unload();
    void frmS_ChangeMaket();
    void Grid1_EnterCell();
    void Grid1_LeaveCell();
    void Text1_KeyDown(int keyCode, int shift);
    void MSComm1_OnComm(int code);

    void New();
    void Open();
    void Save();
    void SaveAs();
    void DeleteSelectedRows();
    void StartReading();
    void StopReading();
    void Exit();
    void Settings();

    QString m_programFolder;
    QString m_iniPath;
    QString strSeparator;
    std::unique_ptr<SerialLine> MSComm1;
    UserMessages &m_messages;
    std::unique_ptr<JournalGrid> m_journal;
    std::unique_ptr<frmSettings> frmS;
    std::unique_ptr<FileCommands> m_files; // New, Open, Save, Save as; strCurFileName
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<Beeper> m_beeper;
    std::unique_ptr<ScaleLink> m_link;
    QVector<JournalColumn> m_columns;
    std::unique_ptr<NoteEditorBox> m_noteBox;
    std::unique_ptr<NoteEditor> m_notes;
    std::unique_ptr<RowOperations> m_rowOps;
    std::unique_ptr<JournalRecovery> m_recovery; // unsaved changes kept through a crash
    std::unique_ptr<Station> m_station; // totals, big display, chart, reports
    std::unique_ptr<AllScales> m_allScales; // every station's readings, from the central journal
    bool m_unloaded = false;
    int m_gridType = 0;            // the scale type the journal is laid out for
    bool m_changingLayout = false; // the unsaved-changes question of a layout change is open
    QRect m_wantedFrame; // outer geometry asked for before the frame was known

    QWidget *m_client = nullptr;
    QToolBar *tbr1 = nullptr;
    QLabel *lblCurFileName = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblPrim = nullptr;
    QLineEdit *txtPrim = nullptr;
    JournalView *Grid1 = nullptr;
    QLineEdit *Text1 = nullptr;
    DataStreamView *txtChat = nullptr;
    QStatusBar *sbrChat = nullptr;
};
