#include "CardStackAccessible.h"

#include "CardStack.h"
#include "CardWindow.h"
#include "LeafAccessible.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"

#include <QPointer>

namespace {

// A card behind the front one: no widget of its own, only its place in the cascade.
class BackCardAccessible : public LeafAccessible<CardStack> {
public:
    using LeafAccessible::LeafAccessible;

    bool isValid() const override {
        return m_owner && m_position >= 1 && m_position < m_owner->deck().count();
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return m_owner->characterSet().decode(m_owner->deck().card(m_position).indexText());
        case QAccessible::Description:
            return QStringLiteral("A card behind the front card; activate it to bring it to "
                                  "the front");
        default:
            return {};
        }
    }
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect card = m_owner->cardRect(m_position);
        return QRect(m_owner->mapToGlobal(card.topLeft()), card.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invalid = !isValid();
        // A card pushed above the top of a low window is not showing, though counted.
        s.invisible = !isValid() || m_position > m_owner->visibleBackCards() ||
                      !m_owner->rect().intersects(m_owner->cardRect(m_position));
        s.offscreen = s.invisible;
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && isValid())
            m_owner->bringToFront(m_position);
    }
};

// The front card: an item of the list of cards like those behind it, named by its index; its
// body and buttons are its children.
class FrontCardAccessible : public QAccessibleWidget {
public:
    explicit FrontCardAccessible(CardWindow* card)
        : QAccessibleWidget(card, QAccessible::ListItem) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description)
            return QStringLiteral("The front card");
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("CardWindow") && object && object->isWidgetType())
        return new FrontCardAccessible(static_cast<CardWindow*>(object));
    if (className == QLatin1String("CardStack") && object && object->isWidgetType())
        return new CardStackAccessible(static_cast<CardStack*>(object));
    return nullptr;
}

} // namespace

CardStackAccessible::CardStackAccessible(CardStack* stack)
    : QAccessibleWidget(stack, QAccessible::List, QStringLiteral("Cards")) {}

CardStackAccessible::~CardStackAccessible() {
    for (QAccessible::Id id : std::as_const(m_backCards))
        QAccessible::deleteAccessibleInterface(id);
}

void CardStackAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

CardStack* CardStackAccessible::stack() const {
    return static_cast<CardStack*>(widget());
}

int CardStackAccessible::childCount() const {
    const int cards = stack()->deck().count();
    return cards; // the front card's window, then every card behind it
}

QAccessibleInterface* CardStackAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    if (index == 0)
        return QAccessible::queryAccessibleInterface(stack()->front());
    auto it = m_backCards.constFind(index);
    if (it == m_backCards.cend())
        it = m_backCards.insert(index, QAccessible::registerAccessibleInterface(
                                           new BackCardAccessible(stack(), index)));
    return QAccessible::accessibleInterface(*it);
}

int CardStackAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child)
        return -1;
    if (child->object() && child->object() == stack()->front())
        return 0;
    for (auto it = m_backCards.cbegin(); it != m_backCards.cend(); ++it) {
        if (QAccessible::accessibleInterface(*it) == child)
            return it.key();
    }
    return -1;
}
