#pragma once

#include <QObject>

#include <functional>

class CommandBinder;
class QWidget;

// Edit > Undo, Cut, Copy and Paste on a text field: the card's body editor or a one-line box.
// Which field, the owner says; the enable rules follow that field and the clipboard.
class EditCommands : public QObject {
    Q_OBJECT
public:
    using Target = std::function<QWidget*()>;
    EditCommands(Target target, QObject* parent);

    void bindCommands(CommandBinder& binder);

Q_SIGNALS:
    // The field's undo or selection state, or the clipboard, changed: the rules may differ.
    void statesChanged();

private:
    // Hears the field the commands act on now.
    void follow(QWidget* field);

    Target m_target;
    QObject* m_followed = nullptr;
};
