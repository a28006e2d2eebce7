#pragma once

#include "support/FakeUi.h"
#include "ui/Dialogs.h"

#include <QPrinter>

// The main window's dialogs, answered from a FakeUi's script instead of by a person.
class ScriptedDialogs : public Dialogs {
public:
    explicit ScriptedDialogs(FakeUi& script)
        : m_script(script) {}
    Answer messageBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                      MessageButtons buttons) override {
        return m_script.messageBox(text, caption, icon, buttons);
    }
    int choiceBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                  const QStringList& choices, int defaultChoice) override {
        return m_script.choiceBox(text, caption, icon, choices, defaultChoice);
    }
    std::optional<QString> fileDialog(QWidget*, const FileDialogRequest& request) override {
        return m_script.fileDialog(request);
    }
    std::optional<QByteArray> indexDialog(QWidget*, IndexDialogMode mode, const QByteArray& text,
                                          const CharacterSet&,
                                          const std::function<bool(const QString&)>&) override {
        return m_script.indexDialog(mode, text);
    }

    // Printing goes to this PDF file; with no file set, a print dialog fails the test. The
    // copies and page range are those a user would set in the dialog.
    QString pdfPath;
    bool cancelPrint = false;
    int copies = 1;
    bool collate = true;
    int fromPage = 0;
    int toPage = 0;
    int printDialogs = 0;
    QString proposedPdf; // the file the dialog would have offered

    bool choosePrinter(QWidget*, QPrinter& printer) override {
        if (cancelPrint)
            return false;
        if (pdfPath.isEmpty()) {
            ADD_FAILURE() << "unexpected print dialog";
            return false;
        }
        ++printDialogs;
        proposedPdf = printer.outputFileName();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
        printer.setFromTo(fromPage, toPage);
        return true;
    }

private:
    FakeUi& m_script;
};
