#include "supervisor/SupervisorWindow.h"

#include "journal/JournalTexts.h"
#include "station/StationTexts.h"
#include "supervisor/SelectionTotalsText.h"
#include "supervisor/SupervisorModel.h"
#include "supervisor/SupervisorTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Deleted readings, when shown, are struck through.
class StrikeDeleted : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(SupervisorModel::DeletedRole).toBool())
            option->font.setStrikeOut(true);
    }
};

template <typename W>
W *named(W *widget, const char *objectName, const QString &accessibleName)
{
    widget->setObjectName(QLatin1String(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

QString eventName(const QString &kind)
{
    if (kind == QLatin1String("recorded"))
        return SupervisorTexts::recorded();
    if (kind == QLatin1String("note_changed"))
        return SupervisorTexts::noteChanged();
    if (kind == QLatin1String("deleted"))
        return SupervisorTexts::deleted();
    return kind;
}

} // namespace

SupervisorWindow::SupervisorWindow(SupervisorModel *model, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model)
{
    setObjectName(QStringLiteral("frmAllScales"));
    setWindowTitle(SupervisorTexts::windowTitle());
    m_stations = named(new QListWidget, "lstStations", SupervisorTexts::stations());
    m_stations->setMaximumHeight(90);
    m_period = named(new QComboBox, "cboPeriod", SupervisorTexts::period());
    m_period->addItems(SupervisorTexts::periods());
    m_shifts = named(new QLineEdit(QStringLiteral("08:00 20:00")), "txtShifts", SupervisorTexts::shiftStarts());
    m_from = named(new QDateTimeEdit(QDateTime(QDate::currentDate(), QTime(0, 0))), "dtpFrom", SupervisorTexts::periodFrom());
    m_to = named(new QDateTimeEdit(QDateTime(QDate::currentDate().addDays(1), QTime(0, 0))), "dtpTo", SupervisorTexts::periodTo());
    m_note = named(new QLineEdit, "txtNote", SupervisorTexts::noteContains());
    m_unit = named(new QLineEdit, "txtUnit", SupervisorTexts::unit());
    m_deleted = named(new QCheckBox(SupervisorTexts::showDeleted()), "chkDeleted", SupervisorTexts::showDeleted());
    m_table = named(new QTableView, "grdAll", SupervisorTexts::allReadings());
    m_table->setModel(model);
    m_table->setItemDelegate(new StrikeDeleted(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_totals = named(new QLabel, "lblTotals", SupervisorTexts::totals());
    m_totals->setWordWrap(true);
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_state = named(new QLabel, "lblState", SupervisorTexts::connectionState());

    auto *filters = new QFormLayout;
    filters->addRow(SupervisorTexts::stationsLabel(), m_stations);
    auto *period = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{m_period, m_shifts, m_from, m_to})
        period->addWidget(w);
    filters->addRow(SupervisorTexts::periodLabel(), period);
    auto *text = new QHBoxLayout;
    text->addWidget(m_note, 3);
    text->addWidget(new QLabel(SupervisorTexts::unitLabel()));
    text->addWidget(m_unit, 1);
    text->addWidget(m_deleted);
    filters->addRow(SupervisorTexts::noteLabel(), text);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_totals);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_state, 1);
    auto *excel = named(new QPushButton(StationTexts::exportExcel()), "cmdExportExcel", StationTexts::exportExcel());
    auto *pdf = named(new QPushButton(StationTexts::exportPdf()), "cmdExportPdf", StationTexts::exportPdf());
    bottom->addWidget(excel);
    bottom->addWidget(pdf);
    layout->addLayout(bottom);
    connect(excel, &QPushButton::clicked, this, &SupervisorWindow::excelAsked);
    connect(pdf, &QPushButton::clicked, this, &SupervisorWindow::pdfAsked);

    // A filter applies once typing pauses; the totals follow the rows.
    m_apply = new QTimer(this);
    m_apply->setSingleShot(true);
    m_apply->setInterval(300);
    connect(m_apply, &QTimer::timeout, this, [this] { m_model->select(filter()); });
    m_recount = new QTimer(this);
    m_recount->setSingleShot(true);
    m_recount->setInterval(500);
    connect(m_recount, &QTimer::timeout, m_model, &SupervisorModel::requestTotals);
    const auto apply = [this] { m_apply->start(); };
    connect(m_stations, &QListWidget::itemChanged, this, apply);
    connect(m_period, &QComboBox::currentIndexChanged, this, apply);
    for (QLineEdit *edit : {m_shifts, m_note, m_unit})
        connect(edit, &QLineEdit::textChanged, this, apply);
    for (QDateTimeEdit *edit : {m_from, m_to}) {
        // As the journal writes times, whatever the system's language.
        edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, apply);
    }
    connect(m_deleted, &QCheckBox::toggled, this, apply);

    const auto recount = [this] { m_recount->start(); };
    connect(model, &QAbstractItemModel::modelReset, this, recount);
    connect(model, &QAbstractItemModel::rowsInserted, this, recount);
    connect(model, &QAbstractItemModel::rowsRemoved, this, recount);
    connect(model, &QAbstractItemModel::dataChanged, this, recount);
    connect(model, &SupervisorModel::totalsReady, this, [this](const QList<SelectionTotal> &totals) {
        m_totals->setText(SelectionTotalsText::lines(totals).join(QLatin1Char('\n')));
    });
    connect(model, &SupervisorModel::stateChanged, this, [this](bool online, const QString &message) {
        m_state->setText(online ? SupervisorTexts::online() : message);
    });
    connect(model, &SupervisorModel::stationsRead, this, &SupervisorWindow::showStations);
    connect(model, &SupervisorModel::historyReady, this,
            [this](const QString &, qint64, const QList<HistoryEvent> &events) { showHistory(events); });
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        m_model->requestHistory(index.row());
    });
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, this, &SupervisorWindow::followEdges);
    // Newest last: while the view is at the bottom, live rows keep it there.
    connect(model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first) {
        const QScrollBar *bar = m_table->verticalScrollBar();
        if (first > 0 && bar->value() >= bar->maximum() - 1)
            QTimer::singleShot(0, m_table, &QTableView::scrollToBottom);
    });
    // And a smaller window too: a range that grows under a view at the
    // bottom keeps it there.
    QScrollBar *bar = m_table->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar] { m_atBottom = bar->value() >= bar->maximum() - 1; });
    connect(bar, &QScrollBar::rangeChanged, this, [this] {
        if (m_atBottom)
            QTimer::singleShot(0, m_table, &QTableView::scrollToBottom);
    });
    // Columns fitted to the first rows shown, once: later pages and
    // filters do not move them under the supervisor's eyes.
    m_table->setWordWrap(false);
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_columnsFitted && m_model->rowCount() > 0) {
            m_table->resizeColumnsToContents();
            m_columnsFitted = true;
        }
    });
    connect(model, &QAbstractItemModel::modelReset, m_table, &QTableView::scrollToBottom);
    resize(1000, 640);
    m_model->select(filter());
}

void SupervisorWindow::followEdges()
{
    const QScrollBar *bar = m_table->verticalScrollBar();
    if (bar->value() == bar->minimum() && m_model->hasOlder())
        m_model->fetchOlder();
    else if (bar->value() == bar->maximum() && m_model->hasNewer())
        m_model->fetchNewer();
}

ReadingFilter SupervisorWindow::filter() const
{
    ReadingFilter f;
    for (int i = 0; i < m_stations->count(); ++i) {
        if (m_stations->item(i)->checkState() == Qt::Checked)
            f.stations << m_stations->item(i)->data(Qt::UserRole).toString();
    }
    f.period = ReadingFilter::Period(m_period->currentIndex());
    QList<QTime> starts;
    for (const QString &t : m_shifts->text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QTime time = QTime::fromString(t, QStringLiteral("H:mm"));
        if (time.isValid())
            starts << time;
    }
    if (!starts.isEmpty())
        f.shiftStarts = starts;
    f.from = m_from->dateTime();
    f.to = m_to->dateTime();
    f.noteContains = m_note->text();
    f.unit = m_unit->text();
    f.withDeleted = m_deleted->isChecked();
    return f;
}

QStringList SupervisorWindow::stationNames(const QStringList &uuids) const
{
    QStringList names;
    for (int i = 0; i < m_stations->count(); ++i) {
        if (uuids.contains(m_stations->item(i)->data(Qt::UserRole).toString()))
            names << m_stations->item(i)->text();
    }
    return names;
}

void SupervisorWindow::showStations(const QList<QPair<QString, QString>> &stations)
{
    // Those checked stay checked across a reconnection.
    const QStringList checked = filter().stations;
    const QSignalBlocker quiet(m_stations);
    m_stations->clear();
    for (const auto &[uuid, name] : stations) {
        auto *item = new QListWidgetItem(name.isEmpty() ? uuid : name, m_stations);
        item->setData(Qt::UserRole, uuid);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked.contains(uuid) ? Qt::Checked : Qt::Unchecked);
    }
}

void SupervisorWindow::showHistory(const QList<HistoryEvent> &events)
{
    auto *dialog = new QDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("frmHistory"));
    dialog->setWindowTitle(SupervisorTexts::historyTitle());
    auto *table = named(new QTableWidget(int(events.size()), 7), "grdHistory", SupervisorTexts::historyEvents());
    table->setHorizontalHeaderLabels({JournalTexts::timeCaption(), SupervisorTexts::stationCaption(),
                                      SupervisorTexts::userCaption(), SupervisorTexts::roleCaption(),
                                      SupervisorTexts::eventCaption(), SupervisorTexts::beforeCaption(),
                                      SupervisorTexts::afterCaption()});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < events.size(); ++r) {
        const HistoryEvent &e = events[r];
        const QStringList cells{e.stationTime, e.stationName, e.osUser, e.dbUser, eventName(e.kind), e.oldValue, e.newValue};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    table->resizeColumnsToContents();
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(table);
    dialog->resize(760, 260);
    dialog->show();
}
