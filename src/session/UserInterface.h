#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class PrintPage;

enum class MessageIcon { None, Stop, Exclamation, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

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
    // Where a filter offers several file types: set to the one chosen, counted from 0.
    int* chosenFilter = nullptr;
};

enum class IndexDialogMode { EditIndex = 0, AddCard = 1, GotoIndex = 2 };

enum class PrinterSetup { Cancelled, Failed, Ready };

// Everything the core needs from the user: message boxes, dialogs, the printer and the few
// parts of the window it keeps up to date. What the deck looks like is not among them: the
// views follow the deck's own announcements. The window's side (WindowPort) implements it
// with real dialogs; tests implement it with a scripted fake.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal message box; returns the button pressed.
    virtual Answer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                              MessageButtons buttons) = 0;
    // The name of the program as the user knows it; the caption of the standard message box.
    virtual QString applicationName() const = 0;
    // The standard message box: caption is the application name, and a box that names no
    // icon shows the exclamation icon.
    Answer standardMessageBox(const QString& text, MessageIcon icon = MessageIcon::None,
                              MessageButtons buttons = MessageButtons::Ok) {
        return messageBox(text, applicationName(),
                          icon == MessageIcon::None ? MessageIcon::Exclamation : icon, buttons);
    }

    // A modal message box with buttons of the caller's own; the index of the one pressed.
    // Return presses defaultChoice; Escape and closing the box answer the last choice.
    virtual int choiceBox(const QString& text, const QString& caption, MessageIcon icon,
                          const QStringList& choices, int defaultChoice) = 0;

    // A modal file dialog; the chosen file's full path, or nothing after Cancel.
    virtual std::optional<QString> fileDialog(const FileDialogRequest& request) = 0;
    // The modal one-line index dialog; the typed bytes after OK, nothing after Cancel.
    virtual std::optional<QByteArray> indexDialog(IndexDialogMode mode, const QByteArray& text) = 0;

    virtual void setTitle(const QString& title) = 0;
    // Selects bytes [start, end) of the front card's body in the editor and shows them.
    virtual void selectBodyBytes(int start, int end) = 0;
    // A short note in the status bar, gone after a few seconds.
    virtual void statusMessage(const QString& text) = 0;

    // Lets the user choose a printer and starts a print job named documentName on it. Ready
    // gives the page to print on; Failed means the printer could not be set up.
    virtual PrinterSetup openPrinter(const QString& documentName,
                                     std::unique_ptr<PrintPage>& page) = 0;

    // The wait cursor while a slow hand-off runs.
    virtual void setBusy(bool busy) { (void)busy; }
    // Whether a dialog or menu is open over the deck: what the user does there is meant for
    // the cards it shows, so the deck is not read again from its file meanwhile.
    virtual bool dialogOpen() const { return false; }
};
