#include "files/QtFileDialogs.h"

#include <QFileDialog>

std::optional<QString> QtFileDialogs::openFileName(const Request &request)
{
    return run(request, false);
}

std::optional<QString> QtFileDialogs::saveFileName(const Request &request)
{
    return run(request, true);
}

std::optional<QString> QtFileDialogs::run(const Request &request, bool save)
{
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Open takes a name that does not exist yet, Save replaces without a
    // question; neither adds an extension.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(request.folder);
    dialog.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.first());
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}
