#pragma once

#include "CommandTable.h"
#include "FindDialog.h"
#include "HelpWindow.h"
#include "deck/Deck.h"
#include "deck/DeckCommands.h"
#include "deck/UserInterface.h"
#include "files/Document.h"
#include "files/Profile.h"
#include "output/Mail.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <memory>

class CardMenu;
class CardStack;
class CardWindow;
class DeckStatusBar;
class Dialogs;
class IndexList;
class QStackedWidget;
class RecentFilesMenu;
class QMimeData;

class QAction;
class QActionGroup;
class QMenu;
class QPrinter;
class QSessionManager;
class QSettings;

// The main window: the menus, the accelerator keys, the title, the status bar and the card
// cascade. It owns the deck and carries out every command of the command table, handing the
// work to the core and showing the core's dialogs for it.
class DeckFrame : public QMainWindow, public UserInterface {
    Q_OBJECT
public:
    explicit DeckFrame(QSettings& settings, QWidget* parent = nullptr);
    ~DeckFrame() override;

    Deck& deck() { return m_deck; }
    Document& document() { return m_document; }
    DeckCommands& deckCommands() { return m_commands; }
    CardStack* cardStack() const { return m_stack; }
    IndexList* indexList() const { return m_list; }
    bool isListShown() const;
    // The list of indexes, or the cards.
    void showView(bool list);
    DeckStatusBar* deckStatusBar() const { return m_status; }
    QAction* action(int commandId) const { return m_actions.value(commandId); }
    FindDialog* findDialog() const { return m_findDialog; }
    // Replaces the real dialogs, for tests; the frame does not take ownership.
    void setDialogs(Dialogs* dialogs);

    // Runs a command if its enable rule allows it, whichever way it came.
    void runCommand(int id);
    bool isCommandEnabled(int id) const;
    // Enables and grays the menu items by their rules.
    void updateCommandStates();

    // The window's place at start-up: the stored normal rectangle, or the built-in one.
    void applyStartupPlacement();
    static QRect startupRect() { return QRect(QPoint(100, 100), QPoint(511, 367)); }
    // Loads the deck named on the command line, before the window is shown.
    void startupLoad(const QString& path);

    void ShowStatusMessage(const QString& text);
    // The editor's card menu at a point of the screen.
    CardMenu* showCardMenu(const QPoint& globalPos);

    // UserInterface
    Answer messageBox(const QString& text, const QString& caption, MessageIcon icon,
                      MessageButtons buttons) override;
    QString applicationName() const override;
    std::optional<QString> fileDialog(const FileDialogRequest& request) override;
    std::optional<QByteArray> indexDialog(IndexDialogMode mode, const QByteArray& text) override;
    void setTitle(const QString& title) override;
    void showCardCount(int count) override;
    void relabelCards() override;
    void closingStep() override;
    void selectBodyBytes(int start, int end) override;
    void statusMessage(const QString& text) override { ShowStatusMessage(text); }
    PrinterSetup openPrinter(const QString& documentName,
                             std::unique_ptr<PrintPage>& page) override;
    void setBusy(bool busy) override;

    QMenu* recentFilesMenu() const;

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString droppedFile(const QMimeData* data);
    void openRecent(const QString& path);
    void buildMenus();
    void buildAccelerators();
    void onFrontCardCreated(CardWindow* front);
    void onCardButton(int id);
    void onCountTimer();
    void updateIndicators();
    void onCommitData(QSessionManager& manager);
    void saveWindowPlacement();
    void carryOut(int id);
    void showFind();
    void showHelp();
    void showAbout();
    void restoreWindow();
    bool ruleHolds(EnableRule rule) const;

    Profile m_profile;
    Deck m_deck;
    Document m_document;
    DeckCommands m_commands;
    Mail m_mail;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs;

    QStackedWidget* m_views;
    CardStack* m_stack;
    IndexList* m_list;
    DeckStatusBar* m_status;
    QHash<int, QAction*> m_actions;
    RecentFilesMenu* m_recentMenu = nullptr;
    QActionGroup* m_viewGroup = nullptr;
    QTimer m_countTimer;
    QPointer<FindDialog> m_findDialog;
    QPointer<HelpWindow> m_helpWindow;
    // The printer last chosen, kept for the next print command.
    std::unique_ptr<QPrinter> m_printer;
};
