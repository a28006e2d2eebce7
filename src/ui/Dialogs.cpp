#include "Dialogs.h"

#include "IndexDialog.h"
#include "files/FileNames.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

KeyboardReturn::KeyboardReturn(QWidget* owner)
    : m_window(QApplication::activeWindow()) {
    if (!m_window && owner)
        m_window = owner->window();
    if (m_window)
        m_focus = m_window->focusWidget();
}

KeyboardReturn::~KeyboardReturn() {
    if (!m_window || !m_window->isVisible() || QApplication::activeModalWidget())
        return;
    m_window->activateWindow();
    if (m_focus && m_focus->isVisible())
        m_focus->setFocus();
}

std::unique_ptr<QMessageBox> Dialogs::makeMessageBox(QWidget* parent, const QString& text,
                                                     const QString& caption, MessageIcon icon,
                                                     MessageButtons buttons) {
    auto box =
        std::make_unique<QMessageBox>(qtIcon(icon), caption, text, qtButtons(buttons), parent);
    box->setTextFormat(Qt::PlainText);
    // As with the system's message boxes, Escape answers Cancel (or No, or OK).
    if (buttons == MessageButtons::YesNo)
        box->setEscapeButton(QMessageBox::No);
    return box;
}

Answer Dialogs::messageBox(QWidget* parent, const QString& text, const QString& caption,
                           MessageIcon icon, MessageButtons buttons) {
    const KeyboardReturn back(parent);
    auto box = makeMessageBox(parent, text, caption, icon, buttons);
    switch (box->exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

int Dialogs::choiceBox(QWidget* parent, const QString& text, const QString& caption,
                       MessageIcon icon, const QStringList& choices, int defaultChoice) {
    const KeyboardReturn back(parent);
    auto box =
        std::make_unique<QMessageBox>(qtIcon(icon), caption, text, QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    QList<QPushButton*> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i)
        buttons << box->addButton(choices[i], i + 1 == choices.size() ? QMessageBox::RejectRole
                                                                      : QMessageBox::AcceptRole);
    if (buttons.isEmpty())
        return -1;
    box->setDefaultButton(buttons.value(defaultChoice, buttons.first()));
    box->setEscapeButton(buttons.last());
    box->exec();
    const auto chosen = buttons.indexOf(qobject_cast<QPushButton*>(box->clickedButton()));
    return chosen < 0 ? static_cast<int>(buttons.size() - 1) : static_cast<int>(chosen);
}

QStringList Dialogs::nameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        if (description.isEmpty())
            break;
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(u';', u' ');
        const QString inParentheses = u'(' + patterns + u')';
        out << (description.endsWith(inParentheses) ? description
                                                    : description + u' ' + inParentheses);
    }
    return out;
}

std::unique_ptr<QFileDialog> Dialogs::makeFileDialog(QWidget* parent,
                                                     const FileDialogRequest& request) {
    auto dialog = std::make_unique<QFileDialog>(parent);
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    if (!request.title.isEmpty())
        dialog->setWindowTitle(request.title);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog->setNameFilters(nameFilters(request.filter));
    dialog->setDefaultSuffix(request.defaultSuffix);
    if (!request.initialFolder.isEmpty())
        dialog->setDirectory(request.initialFolder);
    if (!request.initialName.isEmpty())
        dialog->selectFile(request.initialName);
    return dialog;
}

std::optional<QString> Dialogs::fileDialog(QWidget* parent, const FileDialogRequest& request) {
    const KeyboardReturn back(parent);
    auto dialog = makeFileDialog(parent, request);
    for (;;) {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return std::nullopt;
        const QString chosen = dialog->selectedFiles().constFirst();
        const QString name = QFileInfo(chosen).fileName();
        // A pattern in the name field never becomes a file's name: the dialog asks again.
        if (name.contains(u'*') || name.contains(u'?')) {
            dialog->selectFile(QString());
            continue;
        }
        if (request.chosenFilter)
            *request.chosenFilter = std::max<int>(
                0, static_cast<int>(dialog->nameFilters().indexOf(dialog->selectedNameFilter())));
        // The dialog decodes names that are not UTF-8 with U+FFFD: find the file meant.
        return FileNames::resolve(chosen);
    }
}

std::optional<QByteArray>
Dialogs::indexDialog(QWidget* parent, IndexDialogMode mode, const QByteArray& text,
                     const CharacterSet& characterSet,
                     const std::function<bool(const QString&)>& holdAnyText) {
    const KeyboardReturn back(parent);
    IndexDialog dialog(parent, text, mode, characterSet, holdAnyText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

std::unique_ptr<QPrintDialog> Dialogs::makePrintDialog(QWidget* parent, QPrinter& printer) {
    auto dialog = std::make_unique<QPrintDialog>(&printer, parent);
    // No selection: a job prints what its command says. The page range and copies are
    // honoured by the page itself. Printing to a PDF file stays, since it is the only printer
    // many machines have.
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                       QAbstractPrintDialog::PrintCollateCopies |
                       QAbstractPrintDialog::PrintPageRange);
    return dialog;
}

bool Dialogs::choosePrinter(QWidget* parent, QPrinter& printer) {
    const KeyboardReturn back(parent);
    return makePrintDialog(parent, printer)->exec() == QDialog::Accepted;
}
