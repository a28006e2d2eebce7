#include "WindowPort.h"

#include "Dialogs.h"
#include "QtPrintPage.h"
#include "deck/CharacterSet.h"

#include <QApplication>
#include <QPrinter>

WindowPort::WindowPort()
    : m_ownDialogs(std::make_unique<Dialogs>())
    , m_dialogs(m_ownDialogs.get()) {}

WindowPort::~WindowPort() = default;

void WindowPort::attach(QWidget* window, const CharacterSet* characterSet,
                        std::function<void(const QString&)> showStatus,
                        std::function<void(int, int)> selectBody) {
    m_window = window;
    m_characterSet = characterSet;
    m_showStatus = std::move(showStatus);
    m_selectBody = std::move(selectBody);
}

void WindowPort::setDialogs(Dialogs* dialogs) {
    m_dialogs = dialogs ? dialogs : m_ownDialogs.get();
}

Answer WindowPort::messageBox(const QString& text, const QString& caption, MessageIcon icon,
                              MessageButtons buttons) {
    return m_dialogs->messageBox(m_window, text, caption, icon, buttons);
}

int WindowPort::choiceBox(const QString& text, const QString& caption, MessageIcon icon,
                          const QStringList& choices, int defaultChoice) {
    return m_dialogs->choiceBox(m_window, text, caption, icon, choices, defaultChoice);
}

QString WindowPort::applicationName() const {
    return QCoreApplication::applicationName();
}

std::optional<QString> WindowPort::fileDialog(const FileDialogRequest& request) {
    return m_dialogs->fileDialog(m_window, request);
}

std::optional<QByteArray> WindowPort::indexDialog(IndexDialogMode mode, const QByteArray& text) {
    static const CharacterSet western;
    return m_dialogs->indexDialog(m_window, mode, text, m_characterSet ? *m_characterSet : western,
                                  m_holdAnyText);
}

void WindowPort::setTitle(const QString& title) {
    if (m_window)
        m_window->setWindowTitle(title);
}

void WindowPort::selectBodyBytes(int start, int end) {
    if (m_selectBody)
        m_selectBody(start, end);
}

void WindowPort::statusMessage(const QString& text) {
    if (m_showStatus)
        m_showStatus(text);
}

PrinterSetup WindowPort::openPrinter(const QString& documentName,
                                     std::unique_ptr<PrintPage>& page) {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QtPrintPage::proposePdf(*m_printer, documentName);
    if (!m_dialogs->choosePrinter(m_window, *m_printer))
        return PrinterSetup::Cancelled;
    if (!m_printer->isValid())
        return PrinterSetup::Failed;
    page = std::make_unique<QtPrintPage>(*m_printer, documentName);
    return PrinterSetup::Ready;
}

void WindowPort::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool WindowPort::dialogOpen() const {
    return QApplication::activeModalWidget() || QApplication::activePopupWidget();
}
