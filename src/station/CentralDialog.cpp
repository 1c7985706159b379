#include "station/CentralDialog.h"

#include "central/CentralTexts.h"
#include "common/UserMessages.h"
#include "files/FileDialogs.h"
#include "station/StationTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit *lineEdit(const char *name, const QString &text, QWidget *parent)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

CentralDialog::CentralDialog(const QString &iniPath, FileDialogs &dialogs, UserMessages &messages, QWidget *parent)
    : QDialog(parent)
    , m_iniPath(iniPath)
    , m_dialogs(dialogs)
    , m_messages(messages)
{
    setObjectName(QStringLiteral("frmCentral"));
    setWindowTitle(StationTexts::centralTitle());
    const CentralSettings stored = CentralSettings::read(iniPath);
    const CentralConnection &c = stored.connection;

    m_enabled = new QCheckBox(StationTexts::centralEnabled(), this);
    m_enabled->setObjectName(QStringLiteral("chkCentral"));
    m_enabled->setChecked(stored.enabled);
    m_host = lineEdit("txtHost", c.host, this);
    m_port = lineEdit("txtPort", QString::number(c.port), this);
    m_port->setValidator(new QIntValidator(0, 65535, m_port));
    m_database = lineEdit("txtDatabase", c.database, this);
    m_user = lineEdit("txtUser", c.user, this);
    m_password = lineEdit("txtPassword", QString(), this);
    m_password->setEchoMode(QLineEdit::Password);
    if (!c.passFile.isEmpty())
        m_password->setPlaceholderText(StationTexts::centralPasswordKept(CentralSettings::passFileName()));
    m_sslMode = new QComboBox(this);
    m_sslMode->setObjectName(QStringLiteral("cboSslMode"));
    m_sslMode->addItems({"disable", "prefer", "require", "verify-ca", "verify-full"});
    m_sslMode->setCurrentIndex(std::max(0, m_sslMode->findText(c.sslMode)));
    m_rootCert = lineEdit("txtSslRootCert", c.sslRootCert, this);
    auto *browse = new QToolButton(this);
    browse->setObjectName(QStringLiteral("cmdSslRootCert"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(StationTexts::centralChooseRootCert());
    browse->setAccessibleName(StationTexts::centralChooseRootCert());
    connect(browse, &QToolButton::clicked, this, &CentralDialog::chooseRootCert);
    auto *rootCertRow = new QHBoxLayout;
    rootCertRow->addWidget(m_rootCert);
    rootCertRow->addWidget(browse);
    m_stationName = lineEdit("txtStationName", c.stationName, this);

    auto *form = new QFormLayout;
    form->addRow(StationTexts::centralHost(), m_host);
    form->addRow(StationTexts::centralPort(), m_port);
    form->addRow(StationTexts::centralDatabase(), m_database);
    form->addRow(StationTexts::centralUser(), m_user);
    form->addRow(StationTexts::centralPassword(), m_password);
    form->addRow(StationTexts::centralSslMode(), m_sslMode);
    form->addRow(StationTexts::centralRootCert(), rootCertRow);
    if (auto *label = qobject_cast<QLabel *>(form->labelForField(rootCertRow)))
        label->setBuddy(m_rootCert);
    form->addRow(StationTexts::centralStationName(), m_stationName);

    m_checkButton = new QPushButton(StationTexts::centralCheck(), this);
    m_checkButton->setObjectName(QStringLiteral("cmdCheck"));
    m_checkButton->setAutoDefault(false);
    connect(m_checkButton, &QPushButton::clicked, this, &CentralDialog::check);
    m_checkResult = new QLabel(this);
    m_checkResult->setObjectName(QStringLiteral("lblCheckResult"));
    m_checkResult->setAccessibleName(StationTexts::centralCheckResult());
    m_checkResult->setWordWrap(true);
    m_checkResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    connect(&m_check, &CentralCheck::finished, this, &CentralDialog::checked);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(StationTexts::cancel());
    connect(buttons, &QDialogButtonBox::accepted, this, &CentralDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CentralDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(m_checkButton, 0, Qt::AlignLeft);
    layout->addWidget(m_checkResult);
    layout->addWidget(buttons);
}

CentralSettings CentralDialog::settings() const
{
    CentralSettings s = CentralSettings::read(m_iniPath);
    s.enabled = m_enabled->isChecked();
    CentralConnection &c = s.connection;
    c.host = m_host->text().trimmed();
    bool ok = false;
    c.port = m_port->text().toInt(&ok);
    if (!ok)
        c.port = 0;
    c.database = m_database->text().trimmed();
    c.user = m_user->text().trimmed();
    c.sslMode = m_sslMode->currentText();
    c.sslRootCert = m_rootCert->text().trimmed();
    c.stationName = m_stationName->text().trimmed();
    return s;
}

void CentralDialog::check()
{
    const CentralConnection c = settings().connection;
    const QString problem = CentralCheck::inputProblem(c);
    if (!problem.isEmpty()) {
        showCheckResult(problem);
        return;
    }
    m_checkButton->setEnabled(false);
    showCheckResult(StationTexts::centralChecking());
    m_check.start(c, m_password->text(), m_timing);
}

void CentralDialog::checked(bool, const QString &message)
{
    m_checkButton->setEnabled(true);
    showCheckResult(message);
}

void CentralDialog::showCheckResult(const QString &text)
{
    m_checkResult->setText(text);
    m_checkResult->setAccessibleDescription(text);
}

void CentralDialog::chooseRootCert()
{
    const QString current = m_rootCert->text().trimmed();
    FileDialogs::Request request;
    request.folder = current.isEmpty() ? QFileInfo(m_iniPath).absolutePath() : QFileInfo(current).absolutePath();
    request.filters = QStringList{StationTexts::centralRootCertFilter(), StationTexts::allFilesFilter()};
    request.proposedName = QFileInfo(current).fileName();
    if (const std::optional<QString> chosen = m_dialogs.openFileName(request))
        m_rootCert->setText(*chosen);
}

void CentralDialog::accept()
{
    const CentralSettings s = settings();
    QString error;
    if (s.enabled)
        error = CentralCheck::inputProblem(s.connection);
    else if (s.connection.port < 1 || s.connection.port > 65535)
        error = CentralTexts::portInvalid(); // switched off, only what cannot be stored stops it
    const bool written = error.isEmpty() && s.write(m_iniPath, &error)
                         && CentralSettings::writePassword(m_iniPath, s.connection, m_password->text(), &error);
    if (!written) {
        m_messages.inform(error, UserMessages::Icon::Warning);
        return;
    }
    QDialog::accept();
}
