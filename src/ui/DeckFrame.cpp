#include "DeckFrame.h"

#include "AboutDialog.h"
#include "CardEdit.h"
#include "CardMenu.h"
#include "CardStack.h"
#include "CardWindow.h"
#include "DeckStatusBar.h"
#include "Dialogs.h"
#include "FindDialog.h"
#include "HelpWindow.h"
#include "IndexList.h"
#include "IndexListModel.h"
#include "LockKeys.h"
#include "QtPrintPage.h"
#include "RecentFilesMenu.h"
#include "TagDialog.h"
#include "WindowPos.h"
#include "files/Export.h"
#include "files/FileNames.h"
#include "output/Mail.h"
#include "output/Printing.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QScreen>
#include <QSessionManager>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusTipEvent>
#include <QUrl>

DeckFrame::DeckFrame(QSettings& settings, QWidget* parent)
    : QMainWindow(parent)
    , m_profile(settings)
    , m_document(m_deck, *this, m_profile)
    , m_commands(m_deck, *this)
    , m_ownDialogs(std::make_unique<Dialogs>())
    , m_dialogs(m_ownDialogs.get()) {
    setWindowTitle(m_document.title());
    // The front card's index tip shows even while another program has the keyboard.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAcceptDrops(true); // a deck or card file dropped on the window opens
    applyStartupPlacement();

    // Two views of the deck in one place: the cascade of cards, and the list of indexes.
    m_views = new QStackedWidget(this);
    m_stack = new CardStack(
        m_deck, [] { return IsMailAvailable(); }, m_views);
    m_list = new IndexList(m_deck, m_views);
    m_views->addWidget(m_stack);
    m_views->addWidget(m_list);
    setCentralWidget(m_views);
    connect(m_stack, &CardStack::frontCardCreated, this, &DeckFrame::onFrontCardCreated);
    connect(m_stack, &CardStack::cardClicked, this, [this](int k) { m_commands.bringToFront(k); });
    connect(m_list, &IndexList::cardSelected, this,
            [this](int position) { m_commands.bringToFront(position); });
    connect(m_list->filterBox(), &QLineEdit::textChanged, this, &DeckFrame::onCountTimer);
    connect(m_list, &IndexList::cardOpened, this, [this](int position) {
        m_commands.bringToFront(position);
        showView(false);
    });

    m_status = new DeckStatusBar(this);
    setStatusBar(m_status);
    buildMenus();
    buildAccelerators();

    m_countTimer.setInterval(500);
    connect(&m_countTimer, &QTimer::timeout, this, &DeckFrame::onCountTimer);
    m_countTimer.start();
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &DeckFrame::onCommitData);
}

DeckFrame::~DeckFrame() {
    qApp->removeEventFilter(this);
    // The cascade reads the deck: it goes first, while the deck still exists.
    delete takeCentralWidget();
}

void DeckFrame::setDialogs(Dialogs* dialogs) {
    m_dialogs = dialogs ? dialogs : m_ownDialogs.get();
}

// --- menus and commands ------------------------------------------------------------------

void DeckFrame::buildMenus() {
    QHash<QString, QMenu*> menus;
    for (const Command& c : commandTable()) {
        const QStringList path = QString::fromLatin1(c.menuPath).split(u'|');
        QMenu* parent = nullptr;
        QString key;
        for (qsizetype i = 0; i + 1 < path.size(); ++i) {
            key += path[i] + u'|';
            QMenu*& menu = menus[key];
            if (!menu) {
                menu = parent ? parent->addMenu(path[i]) : menuBar()->addMenu(path[i]);
                connect(menu, &QMenu::aboutToShow, this, &DeckFrame::updateCommandStates);
            }
            parent = menu;
        }
        QString text = path.last();
        if (c.key)
            text += u'\t' + QString::fromLatin1(c.key);
        auto* action = parent->addAction(text);
        action->setStatusTip(QString::fromLatin1(c.prompt));
        action->setData(c.id);
        connect(action, &QAction::triggered, this, [this, id = c.id] { runCommand(id); });
        if (c.checkable) {
            // The views are one exclusive choice, for screen readers too.
            if (!m_viewGroup)
                m_viewGroup = new QActionGroup(this);
            m_viewGroup->addAction(action);
            action->setCheckable(true);
        }
        m_actions.insert(c.id, action);
        if (c.separatorAfter)
            menus.value(path[0] + u'|')->addSeparator();
        if (c.id == Cmd::Open) {
            // The decks last used, right under Open.
            m_recentMenu = new RecentFilesMenu(m_profile, this);
            parent->addMenu(m_recentMenu);
            connect(m_recentMenu, &RecentFilesMenu::fileChosen, this, &DeckFrame::openRecent);
        }
    }
    m_recentMenu->refresh();
}

void DeckFrame::buildAccelerators() {
    for (const Command& c : commandTable()) {
        if (!c.accelerator)
            continue;
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(c.key)), this);
        shortcut->setContext(Qt::WindowShortcut);
        if (c.id == Cmd::ViewList) // F6 switches between the two views
            connect(shortcut, &QShortcut::activated, this, [this] { showView(!isListShown()); });
        else
            connect(shortcut, &QShortcut::activated, this, [this, id = c.id] { runCommand(id); });
    }
    // Next and Previous from the keyboard, on keys that no Ctrl+letter jump can clash with.
    const std::pair<QKeySequence, int> buttons[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), Cmd::NextCard},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), Cmd::PreviousCard}};
    for (const auto& [keys, id] : buttons) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] {
            if (!m_deck.isEmpty())
                onCardButton(id);
        });
    }
}

bool DeckFrame::ruleHolds(EnableRule rule) const {
    const bool cards = !m_deck.isEmpty();
    const CardWindow* front = m_stack->front();
    switch (rule) {
    case EnableRule::Always:
        return true;
    case EnableRule::Cards:
        return cards;
    case EnableRule::Save:
        return cards && !m_document.isImported();
    case EnableRule::Undo:
        return cards && front && front->editor()->document()->isUndoAvailable();
    case EnableRule::Selection:
        return cards && front && front->editor()->textCursor().hasSelection();
    case EnableRule::Paste: {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return cards && data && data->hasText();
    }
    case EnableRule::Mail:
        return cards && IsMailAvailable();
    case EnableRule::Restore:
        return m_commands.canRestoreCard();
    case EnableRule::Deleted:
        return m_deck.hasDeletedCard();
    }
    return false;
}

bool DeckFrame::isCommandEnabled(int id) const {
    const Command* c = findCommand(id);
    return c && ruleHolds(c->rule);
}

void DeckFrame::updateCommandStates() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        it.value()->setEnabled(isCommandEnabled(it.key()));
    m_actions.value(Cmd::ViewCards)->setChecked(!isListShown());
    m_actions.value(Cmd::ViewList)->setChecked(isListShown());
    m_recentMenu->refresh();
}

bool DeckFrame::isListShown() const {
    return m_views->currentWidget() == m_list;
}

void DeckFrame::showView(bool list) {
    if (list) {
        m_list->refresh();
        m_views->setCurrentWidget(m_list);
        m_list->takeFocus();
    } else {
        m_views->setCurrentWidget(m_stack);
        closingStep();
    }
    onCountTimer();
    updateCommandStates();
}

void DeckFrame::openRecent(const QString& path) {
    // As Open of that file; one that is gone says so and leaves the list.
    if (!m_document.openFile(path) && !FileNames::exists(path))
        m_profile.removeRecentFile(path);
    closingStep();
}

QMenu* DeckFrame::recentFilesMenu() const {
    return m_recentMenu;
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
        this,
        [this, path] {
            m_document.openFile(path);
            closingStep();
        },
        Qt::QueuedConnection);
}

QString DeckFrame::droppedFile(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return FileNames::fromUrl(url);
    }
    return {};
}

void DeckFrame::runCommand(int id) {
    if (!isCommandEnabled(id))
        return;
    carryOut(id);
}

void DeckFrame::carryOut(int id) {
    CardEdit* editor = m_stack->front() ? m_stack->front()->editor() : nullptr;
    switch (id) {
    case Cmd::New:
        m_document.New();
        break;
    case Cmd::Open:
        m_document.Open();
        break;
    case Cmd::Save:
        m_document.Save();
        break;
    case Cmd::SaveAs:
        m_document.SaveAs();
        break;
    case Cmd::Merge:
        m_document.Merge();
        break;
    case Cmd::ImportCardfile:
        m_document.ImportCardfile();
        break;
    case Cmd::ExportText:
        Export::ExportText(m_deck, *this, m_profile, m_document.filePath());
        break;
    case Cmd::ExportCommaDelimited:
        Export::ExportCommaDelimited(m_deck, *this, m_profile, m_document.filePath());
        break;
    case Cmd::PrintCard:
        Printing::PrintCard(m_deck, m_document.filePath(), *this);
        break;
    case Cmd::PrintList:
        Printing::PrintList(m_deck, m_document.filePath(), *this);
        break;
    case Cmd::PrintTag:
        Printing::PrintTag(m_deck, m_document.filePath(), *this);
        break;
    case Cmd::SendCard:
        m_mail.SendCard(m_deck, *this);
        break;
    case Cmd::SendList:
        m_mail.SendList(m_deck, m_document.filePath(), *this);
        break;
    case Cmd::SendTag:
        m_mail.SendTag(m_deck, m_document.filePath(), *this);
        break;
    case Cmd::Exit:
        close();
        break;
    case Cmd::Undo:
        editor->undo();
        break;
    case Cmd::Cut:
        editor->cut();
        break;
    case Cmd::Copy:
        editor->copy();
        break;
    case Cmd::Paste:
        editor->paste();
        break;
    case Cmd::EditIndex:
        m_commands.EditIndex();
        break;
    case Cmd::GoTo:
        m_commands.GoTo();
        break;
    case Cmd::Find:
        showFind();
        break;
    case Cmd::Add:
        m_commands.Add();
        break;
    case Cmd::Duplicate:
        m_commands.Duplicate();
        break;
    case Cmd::Delete:
        m_commands.Delete();
        break;
    case Cmd::Undelete:
        m_commands.Undelete();
        break;
    case Cmd::RestoreCard:
        m_commands.RestoreCard();
        break;
    case Cmd::ViewCards:
        showView(false);
        break;
    case Cmd::ViewList:
        showView(true);
        break;
    case Cmd::Tag: {
        // The deck file keeps the tags, so a change to them is a change to save.
        const KeyboardReturn back(this);
        TagDialog dialog(this, m_deck);
        if (dialog.exec() == QDialog::Accepted && dialog.changedTags())
            m_deck.setModified(true);
        break;
    }
    case Cmd::Restore:
        restoreWindow();
        break;
    case Cmd::HelpContents:
        showHelp();
        break;
    case Cmd::About:
        showAbout();
        break;
    default:
        break;
    }
}

void DeckFrame::onFrontCardCreated(CardWindow* front) {
    connect(front, &CardWindow::headerClicked, this, [this] { m_commands.EditIndex(); });
    connect(front, &CardWindow::commandRequested, this, &DeckFrame::onCardButton);
    connect(front, &CardWindow::hovered, this, &DeckFrame::ShowStatusMessage);
    CardEdit* editor = front->editor();
    connect(editor, &CardEdit::edited, this, [this] { m_deck.setModified(true); });
    connect(editor, &CardEdit::cardMenuRequested, this, &DeckFrame::showCardMenu);
    // A paste from the Edit menu while the list is shown can change what the filter keeps.
    connect(editor, &CardEdit::edited, this, [this] {
        if (isListShown())
            m_list->refresh();
    });
    connect(editor, &CardEdit::jumpRequested, this,
            [this](char letter) { m_commands.jumpToInitial(letter); });
    connect(editor, &CardEdit::overwriteTypingChanged, this, &DeckFrame::updateIndicators);
    connect(editor, &CardEdit::inputRefused, this, &DeckFrame::ShowStatusMessage);
}

void DeckFrame::onCardButton(int id) {
    switch (id) {
    case Cmd::NextCard:
        m_commands.Next();
        break;
    case Cmd::PreviousCard:
        m_commands.Previous();
        break;
    case Cmd::PrintButton:
        runCommand(Cmd::PrintCard);
        break;
    case Cmd::MailButton:
        runCommand(Cmd::SendCard);
        closingStep();
        break;
    default:
        break;
    }
}

// --- status bar --------------------------------------------------------------------------

void DeckFrame::ShowStatusMessage(const QString& text) {
    m_status->ShowStatusMessage(text);
}

void DeckFrame::onCountTimer() {
    if (isListShown() && m_list->isFiltered())
        m_status->setCardCount(m_list->model()->rowCount(), m_deck.count());
    else
        m_status->setCardCount(m_deck.count());
    updateIndicators();
}

void DeckFrame::updateIndicators() {
    const LockKeys::State keys = LockKeys::read();
    m_status->setIndicators(keys.caps, keys.num, CardEdit::overwriteTyping());
}

bool DeckFrame::event(QEvent* event) {
    // Menu prompts go to the first pane rather than over the whole bar.
    if (event->type() == QEvent::StatusTip) {
        m_status->showPrompt(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool DeckFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease)
        updateIndicators();
    return QMainWindow::eventFilter(watched, event);
}

// --- the user interface port -----------------------------------------------------------

Answer DeckFrame::messageBox(const QString& text, const QString& caption, MessageIcon icon,
                             MessageButtons buttons) {
    return m_dialogs->messageBox(this, text, caption, icon, buttons);
}

QString DeckFrame::applicationName() const {
    return QCoreApplication::applicationName();
}

std::optional<QString> DeckFrame::fileDialog(const FileDialogRequest& request) {
    return m_dialogs->fileDialog(this, request);
}

std::optional<QByteArray> DeckFrame::indexDialog(IndexDialogMode mode, const QByteArray& text) {
    return m_dialogs->indexDialog(this, mode, text);
}

void DeckFrame::setTitle(const QString& title) {
    setWindowTitle(title);
}

void DeckFrame::showCardCount(int count) {
    m_status->setCardCount(count);
}

void DeckFrame::relabelCards() {
    m_stack->RelabelCards();
    m_commands.frontCardShown();
    if (isListShown())
        m_list->refresh();
}

void DeckFrame::closingStep() {
    // Back to the main window after a dialog, also where no window manager does it for us,
    // so that its accelerator keys work again at once.
    if (isVisible() && !QApplication::activeModalWidget())
        activateWindow();
    if (isListShown()) {
        // The keyboard stays in the list view, or goes to its filter box.
        if (!m_list->isAncestorOf(focusWidget()))
            m_list->takeFocus();
    } else if (!m_deck.isEmpty() && m_stack->front()) {
        m_stack->front()->editor()->setFocus();
    }
}

void DeckFrame::selectBodyBytes(int start, int end) {
    if (m_stack->front())
        m_stack->front()->editor()->selectBytes(start, end);
}

PrinterSetup DeckFrame::openPrinter(const QString& documentName, std::unique_ptr<PrintPage>& page) {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QtPrintPage::proposePdf(*m_printer, documentName);
    if (!m_dialogs->choosePrinter(this, *m_printer))
        return PrinterSetup::Cancelled;
    if (!m_printer->isValid())
        return PrinterSetup::Failed;
    page = std::make_unique<QtPrintPage>(*m_printer, documentName);
    return PrinterSetup::Ready;
}

void DeckFrame::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// --- window ------------------------------------------------------------------------------

void DeckFrame::applyStartupPlacement() {
    QRect r = startupRect();
    if (const auto p = WindowPos::parse(m_profile.mainWindowPos())) {
        // The stored rectangle is kept when it fits a screen; a huge one or one off every
        // screen (a screen since unplugged) is brought back where the user can see it.
        QList<QRect> screens;
        for (const QScreen* screen : QGuiApplication::screens())
            screens << screen->availableGeometry();
        r = WindowPos::fit(*p, screens, startupRect());
    }
    move(r.topLeft());
    resize(r.size().expandedTo(QSize(1, 1)));
}

void DeckFrame::saveWindowPlacement() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QPoint at = pos();
    m_profile.setMainWindowPos(
        WindowPos::format({0, 1, at.x(), at.y(), at.x() + width(), at.y() + height()}));
}

void DeckFrame::restoreWindow() {
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    const QRect r = startupRect();
    move(r.topLeft());
    resize(r.size());
    m_stack->LayoutCardWindows();
}

void DeckFrame::startupLoad(const QString& path) {
    m_document.startupLoad(path);
}

void DeckFrame::closeEvent(QCloseEvent* event) {
    if (!m_document.confirmClose()) {
        event->ignore();
        closingStep();
        return;
    }
    if (m_findDialog)
        m_findDialog->close();
    saveWindowPlacement();
    m_deck.RemoveAllCards();
    m_stack->RelabelCards();
    m_countTimer.stop();
    event->accept();
}

void DeckFrame::onCommitData(QSessionManager& manager) {
    // The desktop session is ending: ask as the closing sequence does, and ask the session to
    // wait when the user cancels or cannot be asked at all.
    if (!m_deck.isModified())
        return;
    if (manager.allowsInteraction()) {
        const bool mayClose = m_document.confirmClose();
        manager.release();
        if (!mayClose)
            manager.cancel();
    } else {
        manager.cancel();
    }
}

// --- dialogs of the window ---------------------------------------------------------------

void DeckFrame::showFind() {
    const CardWindow* front = m_stack->front();
    const QByteArray selection = front ? front->editor()->selectedBytes() : QByteArray();
    if (!m_findDialog) {
        m_findDialog = new FindDialog(this);
        m_findDialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_findDialog, &FindDialog::findNext, this,
                [this](const QByteArray& text) { m_commands.FindNext(text); });
        connect(m_findDialog, &QDialog::finished, this, &DeckFrame::closingStep);
    }
    m_findDialog->setText(selection);
    m_commands.startFind();
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

CardMenu* DeckFrame::showCardMenu(const QPoint& globalPos) {
    auto* menu = new CardMenu(m_deck, this);
    connect(menu, &CardMenu::cardChosen, this, [this](int k) { m_commands.bringToFront(k); });
    menu->popup(globalPos);
    return menu;
}

void DeckFrame::showHelp() {
    const QString document = HelpWindow::locate();
    if (document.isEmpty()) {
        standardMessageBox(QStringLiteral("The help document quorix.html could not be found.\n"
                                          "Quorix looked for it in:\n%1")
                               .arg(HelpWindow::searchPaths().join(u'\n')),
                           MessageIcon::Exclamation);
        return;
    }
    // One help window: asking again brings it forward.
    if (!m_helpWindow)
        m_helpWindow = new HelpWindow(document, this);
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

void DeckFrame::showAbout() {
    const KeyboardReturn back(this);
    AboutDialog about(this);
    about.exec();
    closingStep();
}
