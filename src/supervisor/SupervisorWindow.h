#pragma once

#include "supervisor/CentralRows.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableView;
class QTimer;
class SupervisorModel;
struct ReadingFilter;

// "Все весы": every station's readings, the filters above them, the
// selection's totals below, a row's history on a double click. Reads
// through the model, whose reader works on a thread of its own.
class SupervisorWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SupervisorWindow(SupervisorModel *model, QWidget *parent = nullptr);

    ReadingFilter filter() const;
    SupervisorModel &model() const { return *m_model; }
    // The names of stations given by UUID, as the list shows them.
    QStringList stationNames(const QStringList &uuids) const;

signals:
    void excelAsked();
    void pdfAsked();

private:
    void showStations(const QList<QPair<QString, QString>> &stations);
    void showHistory(const QList<HistoryEvent> &events);
    void followEdges();

    SupervisorModel *m_model;
    QListWidget *m_stations;
    QComboBox *m_period;
    QLineEdit *m_shifts;
    QDateTimeEdit *m_from;
    QDateTimeEdit *m_to;
    QLineEdit *m_note;
    QLineEdit *m_unit;
    QCheckBox *m_deleted;
    QTableView *m_table;
    QLabel *m_totals;
    QLabel *m_state;
    QTimer *m_apply;
    QTimer *m_recount;
    bool m_columnsFitted = false;
    bool m_atBottom = true;
};
