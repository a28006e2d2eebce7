#pragma once

#include "FindDialog.h"
#include "session/DeckSession.h"

#include <QMainWindow>
#include <QPointer>

class Announcer;
class CardMenu;
class ChangeBar;
class CardStack;
class CardWindow;
class CommandActions;
class DeckStatusBar;
class Dialogs;
class FindDialog;
class IndexList;
class QMimeData;
class QSessionManager;
class QStackedWidget;
class RecentFilesMenu;
class WindowPort;

// The main window: the two views of the deck (the cascade of cards and the list of indexes),
// the menus, the status bar and the window's own commands. It shows a session it is given;
// the commands are carried out by the objects that own them.
class DeckFrame : public QMainWindow {
    Q_OBJECT
public:
    DeckFrame(DeckSession& session, WindowPort& port, QWidget* parent = nullptr);
    ~DeckFrame() override;

    DeckSession& session() { return m_session; }
    Deck& deck() { return m_session.deck(); }
    Document& document() { return m_session.document(); }
    DeckCommands& deckCommands() { return m_session.commands(); }
    CardStack* cardStack() const { return m_stack; }
    IndexList* indexList() const { return m_list; }
    DeckStatusBar* deckStatusBar() const { return m_status; }
    ChangeBar* changeBar() const { return m_changeBar; }
    CommandActions* commands() const { return m_actions; }
    QAction* action(int commandId) const;
    FindDialog* findDialog() const { return m_findDialog; }
    QMenu* recentFilesMenu() const;
    // Replaces the real dialogs, for tests; the frame does not take ownership.
    void setDialogs(Dialogs* dialogs);

    bool isListShown() const;
    // The list of indexes, or the cards.
    void showView(bool list);

    // Runs a command if its enable rule allows it, whichever way it came.
    void runCommand(int id);
    bool isCommandEnabled(int id) const;
    // Enables and grays the menu items by their rules.
    void updateCommandStates();

    // Loads the deck named on the command line, before the window is shown.
    void startupLoad(const QString& path);
    // Ends the program at once, asking nothing: its place is kept, the deck left as it is.
    void endWithoutAsking(int status);
    // The step commands end with: the keyboard to the front card's editor, or in the list
    // view to the list or its filter.
    void closingStep();
    void ShowStatusMessage(const QString& text);
    // The editor's card menu at a point of the screen.
    CardMenu* showCardMenu(const QPoint& globalPos);
    // Edit > Find: the Find dialog, with a new search from the front card.
    void showFind();

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void openFile(const QString& path);
    void openRecent(const QString& path);
    void onFrontCardCreated(CardWindow* front);
    void onCardButton(int id);
    void onCommitData(QSessionManager& manager);
    void onMergeOffer();

    DeckSession& m_session;
    WindowPort& m_port;
    ChangeBar* m_changeBar;
    QStackedWidget* m_views;
    CardStack* m_stack;
    IndexList* m_list;
    DeckStatusBar* m_status;
    Announcer* m_announcer;
    CommandActions* m_actions;
    RecentFilesMenu* m_recentMenu;
    QPointer<FindDialog> m_findDialog;
};
