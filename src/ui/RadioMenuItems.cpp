#include "RadioMenuItems.h"

#include <QAccessible>
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPointer>
#include <QWindow>

namespace {

class RadioMenuItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit RadioMenuItem(QAction* action)
        : m_action(action) {}

    QMenu* menu() const {
        if (!m_action)
            return nullptr;
        for (QObject* o : m_action->associatedObjects()) {
            if (auto* m = qobject_cast<QMenu*>(o))
                return m;
        }
        return nullptr;
    }
    bool isValid() const override { return m_action && menu(); }
    QObject* object() const override { return m_action; }
    QWindow* window() const override {
        QMenu* m = menu();
        return m ? m->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(menu());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!m_action)
            return {};
        switch (t) {
        case QAccessible::Name: {
            // The mnemonic's marker is not read; a doubled one is a character.
            QString name = m_action->text();
            name.replace(QLatin1String("&&"), QStringLiteral("\x01"));
            name.remove(u'&');
            name.replace(u'\x01', u'&');
            return name;
        }
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
        QMenu* m = menu();
        if (!m || !m_action)
            return {};
        const QRect r = m->actionGeometry(m_action);
        return QRect(m->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::RadioButton; }
    QAccessible::State state() const override {
        QAccessible::State s;
        QMenu* m = menu();
        if (!m_action || !m) {
            s.invalid = true;
            return s;
        }
        s.checkable = true;
        s.checked = m_action->isChecked();
        s.disabled = !m_action->isEnabled();
        s.focusable = true;
        s.invisible = !m_action->isVisible() || !m->isVisible();
        s.focused = s.hotTracked = m->activeAction() == m_action;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && m_action && m_action->isEnabled())
            m_action->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QAction> m_action;
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className != QLatin1String("QAction"))
        return nullptr;
    auto* action = static_cast<QAction*>(object);
    const QActionGroup* group = action->actionGroup();
    if (!group || group->exclusionPolicy() == QActionGroup::ExclusionPolicy::None)
        return nullptr;
    return new RadioMenuItem(action);
}

} // namespace

void installRadioMenuItems() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}
