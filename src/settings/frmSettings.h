#pragma once

#include "settings/SettingsModel.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QRadioButton;
class QPushButton;
class SerialLine;
class UserMessages;

// The settings dialog "Настройка". Each edit of its controls goes at once to
// the live settings it holds, which the main window and the scale link read.
class frmSettings : public QDialog
{
    Q_OBJECT

public:
    using CaptionWriter = std::function<void(const QString &)>;

    // Loads the stored settings and scans the ports. writeScaleTypeCaption
    // shows the selected type's name in the main window.
    frmSettings(const QString &iniPath, SerialLine &commPort, UserMessages &messages,
                CaptionWriter writeScaleTypeCaption, const QIcon &icon);

    const SettingsModel &liveSettings() const { return m_live; }

    void ScanCommPort();
    // Selects a scale type as a click does (txtValTypeScale, txtLuft and the
    // main window's caption follow) but raises no ChangeMaket.
    void selectScaleType(int index);

signals:
    // The journal layout must be rebuilt: the scale type or the data-stream
    // flag changed.
    void ChangeMaket();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Escape: hidden as "Выход" hides it, a dead zone being edited checked first.
    void reject() override;

private:
    void buildControls();
    void load();
    void optTypeScale_Click(int index);
    void validateLuft();
    void endLuftEdit();
    void CheckPortNumber();
    void btnSave_Click();

    SettingsModel m_live;
    QString m_iniPath;
    SerialLine &m_commPort;
    UserMessages &m_messages;
    CaptionWriter m_writeScaleTypeCaption;
    bool m_scanning = false;
    bool m_quiet = false; // selectScaleType at work

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QFrame *Shape1 = nullptr;
    std::array<QRadioButton *, ScaleTypes::Count> optTypeScale{};
    std::array<QLineEdit *, ScaleTypes::Count> arrLuft{};
    QLineEdit *txtValTypeScale = nullptr;
    QLineEdit *txtLuft = nullptr;
    QComboBox *lstCommNom = nullptr;
    QCheckBox *chkBell = nullptr;
    QCheckBox *chkWriteZero = nullptr;
    QCheckBox *chkUnstablResult = nullptr;
    QCheckBox *chkShowStreamData = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnExit = nullptr;
};
