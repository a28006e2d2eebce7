#include "CommandActions.h"

#include "CommandTable.h"
#include "RadioMenuItems.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

CommandActions::CommandActions(QMainWindow* window)
    : QObject(window) {
    installRadioMenuItems();
    m_update.setSingleShot(true);
    m_update.setInterval(0);
    connect(&m_update, &QTimer::timeout, this, &CommandActions::updateStates);

    QHash<QString, QActionGroup*> groups;
    for (const Command& c : commandTable()) {
        auto* action = new QAction(this);
        action->setData(c.id);
        QList<QKeySequence> keys;
        for (const char* key : c.keys) {
            if (key)
                keys << QKeySequence(QString::fromLatin1(key));
        }
        action->setShortcuts(keys);
        // The field that has the keyboard handles these keys itself; the menu only shows them.
        if (c.keysOfTheField)
            action->setShortcutContext(Qt::WidgetShortcut);
        connect(action, &QAction::triggered, this, [this, id = c.id] { run(id); });
        m_actions.insert(c.id, action);
        if (!c.menu) {
            window->addAction(action); // a command of the keyboard alone
            continue;
        }

        const QStringList path = QString::fromLatin1(c.menu).split(u'|');
        QMenu* parent = nullptr;
        QString key;
        for (qsizetype i = 0; i + 1 < path.size(); ++i) {
            key += (i ? QStringLiteral("|") : QString()) + path[i];
            QMenu*& menu = m_menus[key];
            if (!menu) {
                menu = parent ? parent->addMenu(path[i]) : window->menuBar()->addMenu(path[i]);
                connect(menu, &QMenu::aboutToShow, this, &CommandActions::updateStates);
            }
            parent = menu;
        }
        action->setText(path.last());
        action->setStatusTip(QString::fromLatin1(c.prompt));
        if (c.group) {
            // Exclusive within its own menu, for screen readers too (grouped before the menu
            // has it, so that a reader never meets it as anything else).
            QActionGroup*& group = groups[key + u'|' + QString::fromLatin1(c.group)];
            if (!group)
                group = new QActionGroup(this);
            group->addAction(action);
            action->setCheckable(true);
        }
        parent->addAction(action);
        if (c.separatorAfter)
            m_menus.value(path[0])->addSeparator();
    }
}

void CommandActions::bind(int id, Run run, Rule enabled) {
    Binding& b = m_bindings[id];
    b.run = std::move(run);
    b.enabled = std::move(enabled);
    updateSoon();
}

void CommandActions::bindChecked(int id, Rule checked) {
    m_bindings[id].checked = std::move(checked);
    updateSoon();
}

void CommandActions::restrict(int id, Rule also) {
    m_bindings[id].also = std::move(also);
    updateSoon();
}

void CommandActions::addSubmenuAfter(int id, QMenu* submenu) {
    QAction* after = action(id);
    for (QMenu* menu : std::as_const(m_menus)) {
        const QList<QAction*> items = menu->actions();
        const qsizetype at = items.indexOf(after);
        if (at < 0)
            continue;
        menu->insertMenu(at + 1 < items.size() ? items[at + 1] : nullptr, submenu);
        return;
    }
}

bool CommandActions::isEnabled(int id) const {
    const auto it = m_bindings.constFind(id);
    return it != m_bindings.cend() && it->run && (!it->enabled || it->enabled()) &&
           (!it->also || it->also());
}

void CommandActions::run(int id) {
    if (!isEnabled(id))
        return;
    // The binding may be replaced while it runs; a copy stays valid.
    const Run run = m_bindings.value(id).run;
    run();
    const Command* row = findCommand(id);
    if (row && row->keyboardToCard && m_toCard)
        m_toCard();
    updateSoon();
}

void CommandActions::updateStates() {
    m_update.stop();
    Q_EMIT statesUpdating();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        it.value()->setEnabled(isEnabled(it.key()));
        if (const auto b = m_bindings.constFind(it.key()); b != m_bindings.cend() && b->checked)
            it.value()->setChecked(b->checked());
    }
}

void CommandActions::updateSoon() {
    if (!m_update.isActive())
        m_update.start();
}
