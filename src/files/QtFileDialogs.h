#pragma once

#include "files/FileDialogs.h"

class QWidget;

// The file dialogs on screen, modal to the main window.
class QtFileDialogs : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    std::optional<QString> openFileName(const Request &request) override;
    std::optional<QString> saveFileName(const Request &request) override;

private:
    std::optional<QString> run(const Request &request, bool save);

    QWidget *m_parent;
};
