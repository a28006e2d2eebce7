#pragma once

#include <QAccessibleWidget>
#include <QHash>

class CardStack;

// The cascade as a screen reader meets it: the front card (a real widget, with its body
// editor and buttons) and every card behind it, each named by its index; activating a card
// behind brings it to the front, as a click does. The cards behind are made as they are asked
// for, so a deck of any size costs nothing until a reader looks.
class CardStackAccessible : public QAccessibleWidget {
public:
    explicit CardStackAccessible(CardStack* stack);
    ~CardStackAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    // Installs the factory that gives every CardStack this interface.
    static void install();

private:
    CardStack* stack() const;
    mutable QHash<int, QAccessible::Id> m_backCards;
};
