#pragma once

#include "central/CentralCheck.h"
#include "central/CentralSettings.h"

#include <QDialog>

class FileDialogs;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UserMessages;

// "Центральная база": whether the station sends to the central journal,
// where it is and who the station is. OK writes section [Central] of
// Init.ini and a password typed into the pgpass file beside it; it stays
// open, saying why, on input the station could not connect with or on a
// failed write. "Проверить" tries the settings as they stand in the window,
// the password typed included, off the window thread.
class CentralDialog : public QDialog
{
    Q_OBJECT

public:
    CentralDialog(const QString &iniPath, FileDialogs &dialogs, UserMessages &messages, QWidget *parent = nullptr);

    // Deadlines of "Проверить"; shorter ones for tests.
    void setCheckTiming(const CentralCheck::Timing &timing) { m_timing = timing; }

    void accept() override;

private:
    // The settings as the window shows them (the UUID from the file).
    CentralSettings settings() const;
    void check();
    void checked(bool ok, const QString &message);
    void chooseRootCert();
    void showCheckResult(const QString &text);

    QString m_iniPath;
    FileDialogs &m_dialogs;
    UserMessages &m_messages;
    CentralCheck m_check;
    CentralCheck::Timing m_timing;
    QCheckBox *m_enabled;
    QLineEdit *m_host;
    QLineEdit *m_port;
    QLineEdit *m_database;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QComboBox *m_sslMode;
    QLineEdit *m_rootCert;
    QLineEdit *m_stationName;
    QPushButton *m_checkButton;
    QLabel *m_checkResult;
};
