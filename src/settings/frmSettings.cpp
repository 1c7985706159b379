#include "settings/frmSettings.h"

#include "common/Numbers.h"
#include "common/ScaleTypes.h"
#include "common/SerialLine.h"
#include "common/UserMessages.h"
#include "settings/PortScan.h"
#include "settings/SettingsRules.h"
#include "settings/SettingsTexts.h"
#include "widgets/Placement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int TypeRowTops[ScaleTypes::Count] = {480, 840, 1200, 1560, 1920, 2280};
constexpr int TypeOptionWidths[ScaleTypes::Count] = {5055, 5055, 4935, 4815, 4815, 4815};

// The stored check state: 0 clear, 1 checked, 2 greyed.
int checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
    }
}

void setCheckValue(QCheckBox *box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

} // namespace

frmSettings::frmSettings(const QString &iniPath, SerialLine &commPort, UserMessages &messages,
                         CaptionWriter writeScaleTypeCaption, const QIcon &icon)
    : QDialog(nullptr)
    , m_iniPath(iniPath)
    , m_commPort(commPort)
    , m_messages(messages)
    , m_writeScaleTypeCaption(std::move(writeScaleTypeCaption))
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(SettingsTexts::title());
    setModal(false);
    setFixedSize(Twips::toPixels(8385), Twips::toPixels(6135));
    setWindowIcon(icon);
    useDesignedFont(this);
    buildControls();
    load();
    fitCaptions(this);
}

void frmSettings::buildControls()
{
    Label2 = placeControl<QLabel>(this, QStringLiteral("Label2"), 1080, 120, 855, 255);
    Label2->setText(SettingsTexts::scaleType());
    Label1 = placeControl<QLabel>(this, QStringLiteral("Label1"), 3960, 120, 2535, 255);
    Label1->setText(SettingsTexts::deadZone());
    Shape1 = placeControl<QFrame>(this, QStringLiteral("Shape1"), 480, 240, 7695, 2535);
    Shape1->setFrameShape(QFrame::Box);
    Shape1->lower();
    // The headings are opaque and sit over the frame's top line.
    for (QLabel *heading : {Label1, Label2})
        heading->setAutoFillBackground(true);

    auto *group = new QButtonGroup(this);
    for (int i = 0; i < ScaleTypes::Count; ++i) {
        optTypeScale[i] = placeControl<QRadioButton>(this, QStringLiteral("optTypeScale_%1").arg(i), 840,
                                                     TypeRowTops[i], TypeOptionWidths[i], 255);
        group->addButton(optTypeScale[i], i);
        connect(optTypeScale[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optTypeScale_Click(i);
        });
    }
    for (int i = 0; i < ScaleTypes::Count; ++i) {
        arrLuft[i] = placeControl<QLineEdit>(this, QStringLiteral("arrLuft_%1").arg(i), 6480, TypeRowTops[i], 735, 285);
        arrLuft[i]->installEventFilter(this);
        connect(arrLuft[i], &QLineEdit::textChanged, this, [this, i](const QString &text) { m_live.setLuft(i, text); });
    }
    txtValTypeScale = placeControl<QLineEdit>(this, QStringLiteral("txtValTypeScale"), 6000, 600, 375, 375);
    txtValTypeScale->hide();
    txtLuft = placeControl<QLineEdit>(this, QStringLiteral("txtLuft"), 7320, 600, 375, 375);
    txtLuft->hide();

    Label3 = placeControl<QLabel>(this, QStringLiteral("Label3"), 480, 3000, 1095, 255);
    Label3->setText(SettingsTexts::portNumber());
    lstCommNom = placeControl<QComboBox>(this, QStringLiteral("lstCommNom"), 1680, 3000, 615, 315);
    lstCommNom->setEditable(true);
    lstCommNom->setInsertPolicy(QComboBox::NoInsert);
    // A typed number is taken as typed: "1" must not become a listed "10".
    lstCommNom->setCompleter(nullptr);
    Label3->setBuddy(lstCommNom);
    // Connected first: the checks below read the port the model holds.
    const auto takePort = [this] { m_live.setPortText(lstCommNom->currentText()); };
    connect(lstCommNom, &QComboBox::editTextChanged, this, takePort);
    connect(lstCommNom, &QComboBox::currentIndexChanged, this, takePort);
    connect(lstCommNom, &QComboBox::editTextChanged, this, [this] {
        if (!m_scanning)
            CheckPortNumber();
    });
    connect(lstCommNom, &QComboBox::activated, this, [this] { CheckPortNumber(); });

    const struct {
        QCheckBox *&box;
        SettingsModel::Flag flag;
        const char *name;
        int top;
        QString caption;
    } checks[] = {
        {chkBell, SettingsModel::Bell, "chkBell", 3600, SettingsTexts::bell()},
        {chkWriteZero, SettingsModel::WriteZero, "chkWriteZero", 3960, SettingsTexts::writeZero()},
        {chkUnstablResult, SettingsModel::UnstableResult, "chkUnstablResult", 4320, SettingsTexts::writeUnstable()},
        {chkShowStreamData, SettingsModel::ShowStreamData, "chkShowStreamData", 4680, SettingsTexts::showStreamData()},
    };
    for (const auto &c : checks) {
        c.box = placeControl<QCheckBox>(this, QLatin1String(c.name), 720, c.top, 6015, 255);
        c.box->setText(c.caption);
        // Connected before ChangeMaket, whose receivers read the new state.
        connect(c.box, &QCheckBox::stateChanged, this,
                [this, box = c.box, flag = c.flag] { m_live.setFlag(flag, checkValue(box)); });
    }
    connect(chkShowStreamData, &QCheckBox::stateChanged, this, &frmSettings::ChangeMaket);

    btnSave = placeControl<QPushButton>(this, QStringLiteral("btnSave"), 1740, 5280, 1575, 495);
    btnSave->setText(SettingsTexts::save());
    connect(btnSave, &QPushButton::clicked, this, &frmSettings::btnSave_Click);
    btnExit = placeControl<QPushButton>(this, QStringLiteral("btnExit"), 3900, 5280, 1335, 495);
    btnExit->setText(SettingsTexts::exit());
    connect(btnExit, &QPushButton::clicked, this, &QDialog::hide);

    for (QWidget *w : findChildren<QWidget *>()) {
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            button->setAccessibleName(button->text());
    }
    for (int i = 0; i < ScaleTypes::Count; ++i)
        arrLuft[i]->setAccessibleName(QStringLiteral("%1 %2").arg(Label1->text(), ScaleTypes::at(i)->name));
    lstCommNom->setAccessibleName(Label3->text());
    lstCommNom->view()->setAccessibleName(SettingsTexts::foundPorts());
    lstCommNom->lineEdit()->setAccessibleName(Label3->text());
    txtValTypeScale->setAccessibleName(SettingsTexts::selectedScaleType());
    txtLuft->setAccessibleName(SettingsTexts::selectedDeadZone());
}

void frmSettings::load()
{
    const StoredSettings stored = SettingsStore::load(m_iniPath);
    m_live.load(stored);
    setCheckValue(chkBell, m_live.bell());
    setCheckValue(chkWriteZero, m_live.writeZero());
    setCheckValue(chkUnstablResult, m_live.unstableResult());
    setCheckValue(chkShowStreamData, m_live.showStreamData());
    txtValTypeScale->setText(m_live.scaleTypeText());
    for (int i = 0; i < ScaleTypes::Count; ++i)
        arrLuft[i]->setText(m_live.luft(i));
    for (int i = 0; i < ScaleTypes::Count; ++i) {
        optTypeScale[i]->setText(ScaleTypes::at(i)->name);
        optTypeScale[i]->setAccessibleName(optTypeScale[i]->text());
    }
    optTypeScale[m_live.scaleTypeIndex()]->setChecked(true);
    txtLuft->setText(m_live.luftText());

    ScanCommPort();
    const int stored_index = lstCommNom->findText(stored.commNom, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (stored_index >= 0)
        lstCommNom->setEditText(lstCommNom->itemText(stored_index));
}

void frmSettings::optTypeScale_Click(int index)
{
    m_live.selectScaleType(index);
    txtValTypeScale->setText(m_live.scaleTypeText());
    txtLuft->setText(m_live.luftText());
    if (m_writeScaleTypeCaption)
        m_writeScaleTypeCaption(optTypeScale[index]->text());
    if (!m_quiet)
        emit ChangeMaket();
}

void frmSettings::selectScaleType(int index)
{
    if (index < 0 || index >= ScaleTypes::Count)
        return;
    m_quiet = true;
    optTypeScale[index]->setChecked(true);
    m_quiet = false;
}

void frmSettings::validateLuft()
{
    m_live.validateLuft();
    arrLuft[m_live.scaleTypeIndex()]->setText(m_live.luftText());
    txtLuft->setText(m_live.luftText());
}

bool frmSettings::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box || std::find(arrLuft.begin(), arrLuft.end(), box) == arrLuft.end())
        return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Keys that are no typed characters pass: Delete, the arrows, Tab
        // (focus moves on) and Escape (the dialog hides).
        const QString text = key->text();
        if (text.isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab
            || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Escape)
            return false;
        for (const QChar typed : text) {
            if (const std::optional<QChar> accepted = SettingsRules::filterLuftKey(typed, box->text()))
                box->insert(QString(*accepted));
        }
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            validateLuft();
    }
    return false;
}

void frmSettings::closeEvent(QCloseEvent *event)
{
    // Closing from the window frame only hides the dialog, as "Выход" does
    // (whose click also ends an edit of a dead zone): the controls stay the
    // live settings for the whole run.
    endLuftEdit();
    QDialog::closeEvent(event);
}

void frmSettings::reject()
{
    endLuftEdit();
    QDialog::reject();
}

void frmSettings::endLuftEdit()
{
    if (std::find(arrLuft.begin(), arrLuft.end(), focusWidget()) != arrLuft.end())
        validateLuft();
}

void frmSettings::ScanCommPort()
{
    const int remembered = Numbers::parseWhole(QStringLiteral("0") + lstCommNom->currentText()).value_or(0);
    m_scanning = true;
    lstCommNom->clear();
    lstCommNom->setEditText(QString());
    lstCommNom->addItems(PortScan::scan(m_commPort));
    lstCommNom->setEditText(QString());
    m_scanning = false;
    // Refilling the list does not report every change of the edit text.
    m_live.setPortText(lstCommNom->currentText());
    const int index = lstCommNom->findText(QString::number(remembered), Qt::MatchExactly);
    if (index >= 0)
        lstCommNom->setEditText(lstCommNom->itemText(index));
}

void frmSettings::CheckPortNumber()
{
    if (lstCommNom->currentText().isEmpty()) {
        lstCommNom->setEditText(QStringLiteral("1"));
        return;
    }
    if (SettingsRules::portNumberInRange(lstCommNom->currentText()))
        return;
    m_messages.inform(SettingsTexts::badPortNumber());
    lstCommNom->setEditText(QString());
}

void frmSettings::btnSave_Click()
{
    SettingsStore::save(m_iniPath, m_live.stored());
}
