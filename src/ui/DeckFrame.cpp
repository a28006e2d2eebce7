#include "DeckFrame.h"

#include "Announcer.h"
#include "CardEdit.h"
#include "CardMenu.h"
#include "CardStack.h"
#include "CardWindow.h"
#include "ChangeBar.h"
#include "CommandActions.h"
#include "DeckStatusBar.h"
#include "Dialogs.h"
#include "FindDialog.h"
#include "FrameCommands.h"
#include "IndexList.h"
#include "IndexListModel.h"
#include "RecentFilesMenu.h"
#include "WindowPort.h"
#include "WindowPos.h"
#include "files/FileNames.h"
#include "files/PathParts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QSessionManager>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QUrl>
#include <QVBoxLayout>

DeckFrame::DeckFrame(DeckSession& session, WindowPort& port, QWidget* parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_port(port) {
    setWindowTitle(session.document().title());
    // The front card's index tip shows even while another program has the keyboard.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAcceptDrops(true); // a deck or card file dropped on the window opens

    // Two views of the deck in one place: the cascade of cards, and the list of indexes; above
    // them, when there is one, the offer of another version of the deck.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_changeBar = new ChangeBar(central);
    m_views = new QStackedWidget(central);
    m_stack = new CardStack(session, m_views);
    m_list = new IndexList(session, m_views);
    m_views->addWidget(m_stack);
    m_views->addWidget(m_list);
    column->addWidget(m_changeBar);
    column->addWidget(m_views, 1);
    setCentralWidget(central);
    connect(&session, &DeckSession::mergeOfferChanged, this, &DeckFrame::onMergeOffer);
    connect(m_changeBar, &ChangeBar::merge, this, [this] {
        m_session.acceptMergeOffer();
        closingStep();
    });
    connect(m_changeBar, &ChangeBar::keepMine, this, [this] {
        m_session.declineMergeOffer();
        closingStep();
    });
    connect(m_changeBar, &ChangeBar::showTheirs, this, [this] {
        // In a Quorix of its own, as every deck is: the window's deck stays as it is.
        if (const auto& offer = m_session.mergeOffer();
            offer && !QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                              {QStringLiteral("--copy-of"), offer->path}))
            ShowStatusMessage(QStringLiteral("Quorix could not start a window for the other "
                                             "version."));
        closingStep();
    });
    m_status = new DeckStatusBar(this);
    m_announcer = new Announcer(this);
    setStatusBar(m_status);
    port.attach(
        this, &session.characterSet(), [this](const QString& text) { ShowStatusMessage(text); },
        [this](int start, int end) {
            if (!m_stack->front())
                return;
            CardEdit* editor = m_stack->front()->editor();
            editor->selectBytes(start, end);
            if (m_findDialog && m_findDialog->isVisible()) {
                // The match is never under the dialog that found it.
                QTextCursor ends = editor->textCursor();
                ends.setPosition(editor->textCursor().selectionStart());
                QRect match = editor->cursorRect(ends);
                ends.setPosition(editor->textCursor().selectionEnd());
                match = match.united(editor->cursorRect(ends));
                m_findDialog->keepClearOf(
                    QRect(editor->viewport()->mapToGlobal(match.topLeft()), match.size()));
            }
            // Find keeps the keyboard in its dialog: the card of the match is said.
            m_announcer->say(QStringLiteral("Found on the card \"%1\"")
                                 .arg(m_session.characterSet().decode(deck().card(0).indexText())));
        });
    port.setHoldAnyText([&session](const QString& leftOut) {
        return session.characterSets().holdAnyText(leftOut);
    });

    m_status->follow({[this] {
                          const int total = m_session.deck().count();
                          const bool some = isListShown() && m_list->isFiltered();
                          return std::pair(some ? m_list->model()->rowCount() : -1, total);
                      },
                      [this] { return m_stack->overwriteTyping(); }});
    connect(m_stack, &CardStack::frontCardCreated, this, &DeckFrame::onFrontCardCreated);
    connect(m_stack, &CardStack::overwriteTypingChanged, m_status, &DeckStatusBar::refresh);
    connect(m_list->filterBox(), &QLineEdit::textChanged, m_status, &DeckStatusBar::refresh);
    connect(m_list, &IndexList::inputRefused, m_status, &DeckStatusBar::ShowStatusMessage);
    connect(m_list, &IndexList::cardOpened, this, [this](int position) {
        m_session.commands().bringToFront(position);
        showView(false);
    });

    m_actions = new CommandActions(this);
    m_actions->setKeyboardReturn([this] { closingStep(); });
    m_recentMenu = new RecentFilesMenu(session.profile(), this);
    m_actions->addSubmenuAfter(Cmd::Open, m_recentMenu);
    connect(m_recentMenu, &RecentFilesMenu::fileChosen, this, &DeckFrame::openRecent);
    connect(m_actions, &CommandActions::statesUpdating, m_recentMenu, &RecentFilesMenu::refresh);
    FrameCommands::bind(*this, m_port);
    connect(m_list->filterBox(), &QLineEdit::textChanged, m_actions, &CommandActions::updateSoon);
    // The enable states follow every change to the deck and the document. Cards that come or
    // go, and the document, change what the keys may do: those are followed at once, so that
    // a key pressed next finds its command as the menu would show it.
    connect(&session, &DeckSession::documentChanged, m_actions, &CommandActions::updateStates);
    connect(&session, &DeckSession::deckChanged, this, [this](DeckChanges changes) {
        if (changes & DeckChange::Count) {
            m_actions->updateStates();
            m_status->refresh();
        } else {
            m_actions->updateSoon();
        }
    });
    connect(qApp, &QGuiApplication::commitDataRequest, this, &DeckFrame::onCommitData);
    updateCommandStates();
    // Once the menus and the status bar are in: the first size makes room for them.
    WindowPos::applyStartupPlacement(*this, session.profile().mainWindowPos());
}

DeckFrame::~DeckFrame() {
    m_port.attach(nullptr, nullptr, {}, {});
    m_port.setHoldAnyText({});
    // The views read the deck: they go first.
    delete takeCentralWidget();
}

QAction* DeckFrame::action(int commandId) const {
    return m_actions->action(commandId);
}

void DeckFrame::setDialogs(Dialogs* dialogs) {
    m_port.setDialogs(dialogs);
}

void DeckFrame::runCommand(int id) {
    m_actions->run(id);
}

bool DeckFrame::isCommandEnabled(int id) const {
    return m_actions->isEnabled(id);
}

void DeckFrame::updateCommandStates() {
    m_actions->updateStates();
}

bool DeckFrame::isListShown() const {
    return m_views->currentWidget() == m_list;
}

void DeckFrame::showView(bool list) {
    if (list) {
        m_views->setCurrentWidget(m_list);
        m_list->refresh(); // shown first: the front card must be one the list shows
        m_list->takeFocus();
    } else {
        m_views->setCurrentWidget(m_stack);
        closingStep();
    }
    m_status->refresh();
    updateCommandStates();
}

QMenu* DeckFrame::recentFilesMenu() const {
    return m_recentMenu;
}

void DeckFrame::openFile(const QString& path) {
    m_session.documentCommands().openFile(path);
    closingStep();
}

void DeckFrame::openRecent(const QString& path) {
    // As Open of that file; one that is gone says so and leaves the list.
    if (!m_session.documentCommands().openFile(path) && !FileNames::exists(path))
        m_session.profile().removeRecentFile(path);
    closingStep();
}

static QString droppedFile(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return FileNames::fromUrl(url);
    }
    return {};
}

void DeckFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DeckFrame::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Not inside the drop: the save prompt and messages are modal, and the dragging program
    // waits for the drop to end.
    QMetaObject::invokeMethod(
        this, [this, path] { openFile(path); }, Qt::QueuedConnection);
}

void DeckFrame::onFrontCardCreated(CardWindow* front) {
    connect(front, &CardWindow::headerClicked, this, [this] {
        m_session.commands().EditIndex();
        closingStep();
    });
    connect(front, &CardWindow::commandRequested, this, &DeckFrame::onCardButton);
    connect(front, &CardWindow::hovered, this, &DeckFrame::ShowStatusMessage);
    CardEdit* editor = front->editor();
    connect(editor, &CardEdit::cardMenuRequested, this, &DeckFrame::showCardMenu);
    connect(editor, &CardEdit::jumpRequested, this, [this](char letter) {
        m_session.commands().jumpToInitial(letter);
        // The front card is shown again even when no card has that initial.
        m_stack->RelabelCards();
    });
    connect(editor, &CardEdit::inputRefused, this, &DeckFrame::ShowStatusMessage);
    m_actions->updateSoon();
}

void DeckFrame::onCardButton(int id) {
    switch (id) {
    case Cmd::PrintButton:
        runCommand(Cmd::PrintCard);
        break;
    case Cmd::MailButton:
        runCommand(Cmd::SendCard);
        closingStep();
        break;
    default:
        runCommand(id); // Next and Previous
        break;
    }
}

void DeckFrame::ShowStatusMessage(const QString& text) {
    m_status->ShowStatusMessage(text);
}

bool DeckFrame::event(QEvent* event) {
    // Menu prompts go to the first pane rather than over the whole bar.
    if (event->type() == QEvent::StatusTip) {
        m_status->showPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void DeckFrame::closingStep() {
    // Back to the main window after a dialog, also where no window manager does it for us,
    // so that its keys work again at once.
    if (isVisible() && !QApplication::activeModalWidget())
        activateWindow();
    if (isListShown()) {
        // The keyboard stays in the list view, or goes to its filter box.
        if (!m_list->isAncestorOf(focusWidget()))
            m_list->takeFocus();
    } else if (m_stack->front()) {
        m_stack->front()->editor()->setFocus();
    }
}

void DeckFrame::startupLoad(const QString& path) {
    m_session.documentCommands().startupLoad(path);
}

void DeckFrame::onMergeOffer() {
    const auto& offer = m_session.mergeOffer();
    if (!offer) {
        m_changeBar->offer(QString());
        return;
    }
    const QString name = FileNames::display(PathParts::fileName(offer->path));
    m_changeBar->offer(
        offer->conflictCopy
            ? QStringLiteral("A sync tool kept another version of this deck: \"%1\".").arg(name)
            : QStringLiteral("Another program changed \"%1\" while you were editing.").arg(name));
}

void DeckFrame::endWithoutAsking(int status) {
    if (const auto placement = WindowPos::placementOf(*this, m_session.profile().mainWindowPos()))
        m_session.profile().setMainWindowPos(*placement);
    QCoreApplication::exit(status);
}

void DeckFrame::closeEvent(QCloseEvent* event) {
    if (!m_session.documentCommands().mayDiscardChanges()) {
        event->ignore();
        closingStep();
        return;
    }
    if (m_findDialog)
        m_findDialog->close();
    if (const auto placement = WindowPos::placementOf(*this, m_session.profile().mainWindowPos()))
        m_session.profile().setMainWindowPos(*placement);
    m_session.closeDeck();
    event->accept();
}

void DeckFrame::onCommitData(QSessionManager& manager) {
    // The desktop session is ending: ask as the closing sequence does, and ask the session to
    // wait when the user cancels or cannot be asked at all.
    if (!m_session.deck().isModified())
        return;
    if (manager.allowsInteraction()) {
        const bool mayClose = m_session.documentCommands().mayDiscardChanges();
        manager.release();
        if (!mayClose)
            manager.cancel();
    } else {
        manager.cancel();
    }
}

void DeckFrame::showFind() {
    const CardWindow* front = m_stack->front();
    m_findDialog =
        FindDialog::open(this, m_session, front ? front->editor()->selectedBytes() : QByteArray());
    connect(m_findDialog, &QDialog::finished, this, &DeckFrame::closingStep, Qt::UniqueConnection);
}

CardMenu* DeckFrame::showCardMenu(const QPoint& globalPos) {
    auto* menu = new CardMenu(m_session.deck(), m_session.characterSet(), this);
    connect(menu, &CardMenu::cardChosen, this,
            [this](int k) { m_session.commands().bringToFront(k); });
    menu->popup(globalPos);
    return menu;
}
