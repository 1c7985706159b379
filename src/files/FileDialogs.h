#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The standard open and save dialogs, as narrow as the file commands need
// them, so that tests choose files without a person.
class FileDialogs
{
public:
    struct Request {
        QString folder;       // where the dialog starts
        QStringList filters;  // file-type entries such as "Text (*.txt)"; the first is selected
        QString proposedName; // the file name the dialog offers
    };

    virtual ~FileDialogs() = default;

    // The full path chosen, or nothing when the user cancelled. The open
    // dialog accepts the name of a file that does not exist; neither asks
    // before an existing file is replaced nor adds an extension.
    virtual std::optional<QString> openFileName(const Request &request) = 0;
    virtual std::optional<QString> saveFileName(const Request &request) = 0;
};
