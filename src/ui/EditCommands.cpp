#include "EditCommands.h"

#include "ports/CommandBinder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

namespace {

template <typename OnBody, typename OnBox> void act(QWidget* field, OnBody onBody, OnBox onBox) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(field))
        (edit->*onBody)();
    else if (auto* line = qobject_cast<QLineEdit*>(field))
        (line->*onBox)();
}

template <typename OnBody, typename OnBox> bool ask(QWidget* field, OnBody onBody, OnBox onBox) {
    if (auto* edit = qobject_cast<QPlainTextEdit*>(field))
        return onBody(edit);
    if (auto* line = qobject_cast<QLineEdit*>(field))
        return onBox(line);
    return false;
}

} // namespace

EditCommands::EditCommands(Target target, QObject* parent)
    : QObject(parent)
    , m_target(std::move(target)) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &EditCommands::statesChanged);
}

void EditCommands::follow(QWidget* field) {
    if (field == m_followed)
        return;
    if (m_followed)
        disconnect(m_followed, nullptr, this, nullptr);
    m_followed = field;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(field)) {
        connect(edit, &QPlainTextEdit::undoAvailable, this, &EditCommands::statesChanged);
        connect(edit, &QPlainTextEdit::selectionChanged, this, &EditCommands::statesChanged);
    } else if (auto* line = qobject_cast<QLineEdit*>(field)) {
        connect(line, &QLineEdit::textChanged, this, &EditCommands::statesChanged);
        connect(line, &QLineEdit::selectionChanged, this, &EditCommands::statesChanged);
    }
    if (field)
        connect(field, &QObject::destroyed, this, [this] { m_followed = nullptr; });
}

void EditCommands::bindCommands(CommandBinder& binder) {
    const auto field = [this] {
        QWidget* target = m_target();
        follow(target);
        return target;
    };
    binder.bind(
        Cmd::Undo, [field] { act(field(), &QPlainTextEdit::undo, &QLineEdit::undo); },
        [field] {
            return ask(
                field(), [](QPlainTextEdit* e) { return e->document()->isUndoAvailable(); },
                [](QLineEdit* l) { return l->isUndoAvailable(); });
        });
    const auto selection = [field] {
        return ask(
            field(), [](QPlainTextEdit* e) { return e->textCursor().hasSelection(); },
            [](QLineEdit* l) { return l->hasSelectedText(); });
    };
    binder.bind(
        Cmd::Cut, [field] { act(field(), &QPlainTextEdit::cut, &QLineEdit::cut); }, selection);
    binder.bind(
        Cmd::Copy, [field] { act(field(), &QPlainTextEdit::copy, &QLineEdit::copy); }, selection);
    binder.bind(
        Cmd::Paste, [field] { act(field(), &QPlainTextEdit::paste, &QLineEdit::paste); },
        [field] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            return field() != nullptr && data && data->hasText();
        });
}
