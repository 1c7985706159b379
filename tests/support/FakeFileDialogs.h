#pragma once

#include "files/FileDialogs.h"

#include <QList>

#include <functional>

// File dialogs for tests: records every request and answers with the
// scripted choices in order, a null one meaning "cancelled"; with none
// left the dialog is cancelled.
class FakeFileDialogs : public FileDialogs
{
public:
    struct Shown {
        bool save;
        Request request;
    };

    QList<Shown> shown;
    QList<std::optional<QString>> choices;
    // Runs while a dialog is open, as readings that arrive meanwhile would.
    std::function<void()> whileShown;

    std::optional<QString> openFileName(const Request &request) override { return answer(false, request); }
    std::optional<QString> saveFileName(const Request &request) override { return answer(true, request); }

private:
    std::optional<QString> answer(bool save, const Request &request)
    {
        shown.append({save, request});
        if (whileShown)
            whileShown();
        return choices.isEmpty() ? std::nullopt : choices.takeFirst();
    }
};
