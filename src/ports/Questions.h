#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

enum class MessageIcon { None, Stop, Exclamation, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };
enum class IndexDialogMode { EditIndex = 0, AddCard = 1, GotoIndex = 2 };

// Questions and messages: what the program says to the user and what it asks.
class Questions {
public:
    virtual ~Questions() = default;

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

    // The modal one-line index dialog; the typed bytes after OK, nothing after Cancel.
    virtual std::optional<QByteArray> indexDialog(IndexDialogMode mode, const QByteArray& text) = 0;
};
