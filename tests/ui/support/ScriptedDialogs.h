#pragma once

#include "support/FakeUi.h"
#include "ui/Dialogs.h"

// The main window's dialogs, answered from a FakeUi's script instead of by a person.
class ScriptedDialogs : public Dialogs {
public:
    explicit ScriptedDialogs(FakeUi& script)
        : m_script(script) {}
    Answer messageBox(QWidget*, const QString& text, const QString& caption, MessageIcon icon,
                      MessageButtons buttons) override {
        return m_script.messageBox(text, caption, icon, buttons);
    }
    std::optional<QString> fileDialog(QWidget*, const FileDialogRequest& request) override {
        return m_script.fileDialog(request);
    }
    std::optional<QByteArray> indexDialog(QWidget*, IndexDialogMode mode,
                                          const QByteArray& text) override {
        return m_script.indexDialog(mode, text);
    }

private:
    FakeUi& m_script;
};
