#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

// What a screen reader meets for a part of a widget that has no widget of its own (a tag list
// item, a card behind the front one): no children, read-only text, the widget as parent, and
// one action. The part names its text, place, role, state and action.
template <class Owner>
class LeafAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    LeafAccessible(Owner* owner, int position)
        : m_owner(owner)
        , m_position(position) {}

    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_owner ? m_owner->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_owner.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

protected:
    QPointer<Owner> m_owner;
    int m_position;
};

// The leaves of one widget, each made once, when first asked for, and kept by its place: the
// same place gives the same object, which is how a reader follows it.
template <class Leaf, class Owner> class Leaves {
public:
    Leaves() = default;
    Leaves(const Leaves&) = delete;
    Leaves& operator=(const Leaves&) = delete;
    ~Leaves() {
        for (QAccessible::Id id : std::as_const(m_ids))
            QAccessible::deleteAccessibleInterface(id);
    }
    QAccessibleInterface* at(Owner* owner, int position) const {
        auto it = m_ids.constFind(position);
        if (it == m_ids.cend())
            it = m_ids.insert(position,
                              QAccessible::registerAccessibleInterface(new Leaf(owner, position)));
        return QAccessible::accessibleInterface(*it);
    }
    // The place of a leaf made here, or -1.
    int positionOf(const QAccessibleInterface* leaf) const {
        for (auto it = m_ids.cbegin(); it != m_ids.cend(); ++it) {
            if (QAccessible::accessibleInterface(*it) == leaf)
                return it.key();
        }
        return -1;
    }

private:
    mutable QHash<int, QAccessible::Id> m_ids;
};
