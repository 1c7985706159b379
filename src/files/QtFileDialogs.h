#pragma once

#include "files/FileDialogs.h"

class QWidget;

// The file dialogs on screen, modal to the main window.
class QtFileDialogs : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget *window = nullptr) : m_window(window) {}
    // The dialogs are shown over this window, modal to it (nobody owns anybody).
    void showOver(QWidget *window) { m_window = window; }

    std::optional<QString> openFileName(const Request &request) override;
    std::optional<QString> saveFileName(const Request &request) override;

private:
    std::optional<QString> run(const Request &request, bool save);

    QWidget *m_window;
};
