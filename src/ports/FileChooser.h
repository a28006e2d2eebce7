#pragma once

#include <QString>

#include <optional>

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    // The dialog's caption: the command it serves ("Open", "Export Text File", ...).
    QString title;
    // The filter as written in the program's texts: description and pattern separated by
    // vertical bars, ending with two ("Quorix Files (*.qrx) |*.qrx||").
    QString filter;
    QString defaultSuffix;
    QString initialName;
    // Empty: the dialog's own default folder.
    QString initialFolder;
    // Save dialogs ask before an existing file is replaced.
    bool overwritePrompt = false;
    // Where a filter offers several file types: the one offered first, and set to the one
    // chosen, counted from 0.
    int* chosenFilter = nullptr;
};

// Choosing files: the open and save dialogs.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // A modal file dialog; the chosen file's full path, or nothing after Cancel.
    virtual std::optional<QString> fileDialog(const FileDialogRequest& request) = 0;
};
