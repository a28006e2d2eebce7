#pragma once

#include "ports/UserInterface.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class CharacterSet;
class Dialogs;
class QPrinter;

// The window's side of the user interface port: real message boxes, file and index dialogs
// and the print dialog over the main window, its title, its status bar and the body editor's
// selection. Built before the session, and given its window once that exists.
class WindowPort : public UserInterface {
public:
    WindowPort();
    ~WindowPort() override;

    // The window the dialogs belong to, the parts of it the core may reach, and the set the
    // index dialog shows its text in.
    void attach(QWidget* window, const CharacterSet* characterSet,
                std::function<void(const QString&)> showStatus,
                std::function<void(int, int)> selectBody);
    // Replaces the real dialogs, for tests; the port does not take ownership.
    void setDialogs(Dialogs* dialogs);
    // What the index dialog asks before text the deck's code page cannot hold is left out.
    void setHoldAnyText(std::function<bool(const QString&)> holdAnyText) {
        m_holdAnyText = std::move(holdAnyText);
    }

    Answer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                      MessageButtons buttons) override;
    QString applicationName() const override;
    int choiceBox(const QString& text, const QString& caption, MessageIcon icon,
                  const QStringList& choices, int defaultChoice) override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    std::optional<QByteArray> indexDialog(IndexDialogMode mode, const QByteArray& text) override;
    void setTitle(const QString& title) override;
    void selectBodyBytes(int start, int end) override;
    void statusMessage(const QString& text) override;
    PrinterSetup openPrinter(const QString& documentName,
                             std::unique_ptr<PrintPage>& page) override;
    void setBusy(bool busy) override;
    bool dialogOpen() const override;

private:
    QPointer<QWidget> m_window;
    const CharacterSet* m_characterSet = nullptr;
    std::function<void(const QString&)> m_showStatus;
    std::function<void(int, int)> m_selectBody;
    std::function<bool(const QString&)> m_holdAnyText;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs;
    // The printer last chosen, kept for the next print command.
    std::unique_ptr<QPrinter> m_printer;
};
