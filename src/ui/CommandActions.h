#pragma once

#include "ports/CommandBinder.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <functional>

class QAction;
class QMainWindow;
class QMenu;

// The commands as the window offers them: a QAction for every row of the command table, with
// its real key, in the menus the table names (or on the window, for a command of the keyboard
// alone), each checkable group exclusive within its menu. The objects that own the commands
// bind them here; the enable states follow the rules whenever updateSoon() is asked for, and
// again when a menu opens.
class CommandActions : public QObject, public CommandBinder {
    Q_OBJECT
public:
    explicit CommandActions(QMainWindow* window);

    void bind(int id, Run run, Rule enabled = {}) override;
    void bindChecked(int id, Rule checked) override;
    // A further condition of the window's own on a command bound by another object.
    void restrict(int id, Rule also);

    QAction* action(int id) const { return m_actions.value(id); }
    // The menu of the menu bar or submenu at a path such as "&File".
    QMenu* menu(const QString& path) const { return m_menus.value(path); }
    // Puts a submenu right under the item of a command.
    void addSubmenuAfter(int id, QMenu* submenu);

    bool isEnabled(int id) const;
    // Runs the command if its rule holds, then gives the keyboard back to the card where its
    // row says so.
    void run(int id);
    void updateStates();
    // updateStates once the events of this moment are handled: a burst of changes (typing)
    // costs one update.
    void updateSoon();
    // The step that gives the keyboard back to the card after a command.
    void setKeyboardReturn(std::function<void()> toCard) { m_toCard = std::move(toCard); }

Q_SIGNALS:
    // Before the enable states are set: the owner of a checkable group sets its checks.
    void statesUpdating();

private:
    struct Binding {
        Run run;
        Rule enabled;
        Rule also;
        Rule checked;
    };

    QHash<int, QAction*> m_actions;
    QHash<QString, QMenu*> m_menus;
    QHash<int, Binding> m_bindings;
    std::function<void()> m_toCard;
    QTimer m_update;
};
