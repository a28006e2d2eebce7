#include "RadioMenuItems.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWindow>

// A menu that holds choices excluding one another gets interfaces of its own for itself and its
// items: Qt's menu finds the place of its items by their role, and would not find a radio item.
// Its other items (separators, submenus) are described here too, as Qt does.
namespace {

bool isRadio(const QAction* action) {
    const QActionGroup* group = action->actionGroup();
    return group && group->exclusionPolicy() != QActionGroup::ExclusionPolicy::None;
}

bool holdsRadioItems(const QMenu* menu) {
    const QList<QAction*> actions = menu->actions();
    return std::any_of(actions.begin(), actions.end(), isRadio);
}

QMenu* menuOf(const QAction* action) {
    for (QObject* o : action->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(o); menu && holdsRadioItems(menu))
            return menu;
    }
    return nullptr;
}

QString withoutMnemonic(QString text) {
    // The mnemonic's marker is not read; a doubled one is a character.
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

class MenuItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuItem(QMenu* menu, QAction* action)
        : m_menu(menu)
        , m_action(action) {}

    bool isValid() const override { return m_action && m_menu; }
    QObject* object() const override { return m_action; }
    QWindow* window() const override { return m_menu ? m_menu->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_menu.data());
    }
    QAccessibleInterface* child(int index) const override {
        return index == 0 && m_action && m_action->menu()
                   ? QAccessible::queryAccessibleInterface(m_action->menu())
                   : nullptr;
    }
    int childCount() const override { return m_action && m_action->menu() ? 1 : 0; }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child && m_action && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!m_action)
            return {};
        switch (t) {
        case QAccessible::Name:
            return withoutMnemonic(m_action->text());
        case QAccessible::Description:
            return m_action->statusTip();
        case QAccessible::Accelerator:
            return m_action->shortcut().toString(QKeySequence::NativeText);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_menu->actionGeometry(m_action);
        return QRect(m_menu->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        if (!m_action)
            return QAccessible::NoRole;
        if (m_action->isSeparator())
            return QAccessible::Separator;
        return isRadio(m_action) ? QAccessible::RadioButton : QAccessible::MenuItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.checkable = m_action->isCheckable();
        s.checked = m_action->isChecked();
        s.disabled = !m_action->isEnabled();
        s.focusable = !m_action->isSeparator();
        s.invisible = !m_action->isVisible() || !m_menu->isVisible();
        s.focused = s.hotTracked = m_menu->activeAction() == m_action;
        s.hasPopup = m_action->menu() != nullptr;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override {
        if (!m_action || m_action->isSeparator() || !m_action->isEnabled())
            return {};
        return {m_action->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString& name) override {
        if (!isValid() || !m_action->isEnabled())
            return;
        if (name == pressAction())
            m_action->trigger();
        else if (name == showMenuAction())
            m_menu->setActiveAction(m_action);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QMenu> m_menu;
    QPointer<QAction> m_action;
};

class Menu : public QAccessibleWidget {
public:
    explicit Menu(QMenu* menu)
        : QAccessibleWidget(menu, QAccessible::PopupMenu) {}
    QMenu* menu() const { return static_cast<QMenu*>(widget()); }

    int childCount() const override { return static_cast<int>(menu()->actions().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QAction*> actions = menu()->actions();
        return index >= 0 && index < actions.size()
                   ? QAccessible::queryAccessibleInterface(actions[index])
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(
                           menu()->actions().indexOf(qobject_cast<QAction*>(child->object())))
                     : -1;
    }
    QAccessibleInterface* parent() const override {
        // The item that opens this menu, in the menu bar or the menu it belongs to.
        QAction* opener = menu()->menuAction();
        for (QObject* o : opener->associatedObjects()) {
            if (!qobject_cast<QMenuBar*>(o) && !qobject_cast<QMenu*>(o))
                continue;
            QAccessibleInterface* owner = QAccessible::queryAccessibleInterface(o);
            for (int i = 0, n = owner ? owner->childCount() : 0; i < n; ++i) {
                QAccessibleInterface* item = owner->child(i);
                if (item && item->object() == opener)
                    return item;
            }
        }
        return QAccessibleWidget::parent();
    }
    QAccessibleInterface* focusChild() const override {
        QAction* active = menu()->activeAction();
        return active ? QAccessible::queryAccessibleInterface(active) : nullptr;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("QMenu") && holdsRadioItems(static_cast<QMenu*>(object)))
        return new Menu(static_cast<QMenu*>(object));
    if (className == QLatin1String("QAction")) {
        auto* action = static_cast<QAction*>(object);
        if (QMenu* menu = menuOf(action))
            return new MenuItem(menu, action);
    }
    return nullptr;
}

} // namespace

void installRadioMenuItems() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
