#pragma once

#include "ports/UserInterface.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class CharacterSet;
class QFileDialog;
class QPrintDialog;
class QPrinter;
class QMessageBox;
class QWidget;

// While a modal dialog runs, remembers which window and widget had the keyboard and gives it
// back when the dialog ends. A window manager does this; without one (a bare X display) the
// keyboard would be left nowhere, and the window's keys and menus would stop working.
class KeyboardReturn {
public:
    explicit KeyboardReturn(QWidget* owner);
    ~KeyboardReturn();
    KeyboardReturn(const KeyboardReturn&) = delete;
    KeyboardReturn& operator=(const KeyboardReturn&) = delete;

private:
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_focus;
};

// The modal dialogs behind the user interface port. The main window asks this object for
// every dialog, so widget tests can answer them from a script instead of a person.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual Answer messageBox(QWidget* parent, const QString& text, const QString& caption,
                              MessageIcon icon, MessageButtons buttons);
    // Buttons of the caller's own: Return presses defaultChoice, Escape the last.
    virtual int choiceBox(QWidget* parent, const QString& text, const QString& caption,
                          MessageIcon icon, const QStringList& choices, int defaultChoice);
    virtual std::optional<QString> fileDialog(QWidget* parent, const FileDialogRequest& request);
    virtual std::optional<QByteArray>
    indexDialog(QWidget* parent, IndexDialogMode mode, const QByteArray& text,
                const CharacterSet& characterSet,
                const std::function<bool(const QString&)>& holdAnyText);
    // The print dialog; false after Cancel.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer);

    // The dialogs as they are shown, before they run; tests look at them.
    static std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& text,
                                                       const QString& caption, MessageIcon icon,
                                                       MessageButtons buttons);
    static std::unique_ptr<QFileDialog> makeFileDialog(QWidget* parent,
                                                       const FileDialogRequest& request);
    static std::unique_ptr<QPrintDialog> makePrintDialog(QWidget* parent, QPrinter& printer);
    // "Quorix Files (*.qrx) |*.qrx||" as Qt name filters: "Quorix Files (*.qrx)".
    static QStringList nameFilters(const QString& filter);
};
