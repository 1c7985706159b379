#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class FileDialogs;
class QMenu;
class QWidget;
class ReaderThread;
class SelectionExports;
class SupervisorModel;
class SupervisorWindow;
class UserMessages;

// "Сервис" → "Все весы" (mnuAllScales): the supervisor's window over the
// central journal, as a viewer. One window, made when first opened on the
// connection the central settings give then, and raised when opened again.
class AllScales : public QObject
{
    Q_OBJECT

public:
    struct Parts {
        QMenu &serviceMenu;
        QWidget &mainWindow;
        FileDialogs &dialogs;
        UserMessages &messages;
        std::function<QString()> conninfo; // libpq's connection string
    };

    explicit AllScales(Parts parts, QObject *parent = nullptr);
    ~AllScales() override;

    void show();
    // Null until first opened.
    SupervisorWindow *window() const { return m_window.get(); }

private:
    Parts m_parts;
    std::unique_ptr<ReaderThread> m_reader;
    std::unique_ptr<SupervisorModel> m_model;
    std::unique_ptr<SupervisorWindow> m_window;
    std::unique_ptr<SelectionExports> m_exports;
};
