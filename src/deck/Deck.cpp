#include "Deck.h"

#include "IndexOrder.h"

#include <algorithm>
#include <cstring>

Deck::~Deck() {
    m_observers.clear();
    RemoveAllCards();
}

void Deck::addObserver(DeckObserver* observer) {
    m_observers.push_back(observer);
}

void Deck::removeObserver(DeckObserver* observer) {
    std::erase(m_observers, observer);
}

Deck::Batch::Batch(Deck& deck)
    : m_deck(deck) {
    ++m_deck.m_batches;
}

Deck::Batch::~Batch() {
    if (--m_deck.m_batches == 0)
        m_deck.announce();
}

void Deck::changed(DeckChanges changes) {
    m_pending |= changes;
    if (m_batches == 0)
        announce();
}

void Deck::edited(DeckChanges changes) {
    m_modified = true;
    changed(changes);
}

void Deck::setModified(bool modified) {
    m_modified = modified;
    if (m_batches == 0)
        announce();
}

void Deck::announce() {
    // Listeners may change the deck in turn: what they change is announced by their own call.
    const DeckChanges changes = std::exchange(m_pending, {});
    const bool flagChanged = m_modified != m_announcedModified;
    m_announcedModified = m_modified;
    // By index: a listener may stop listening while it is told.
    if (changes) {
        for (std::size_t i = 0; i < m_observers.size(); ++i)
            m_observers[i]->deckChanged(changes);
    }
    if (flagChanged) {
        for (std::size_t i = 0; i < m_observers.size(); ++i)
            m_observers[i]->modifiedChanged(m_modified);
    }
}

int Deck::positionOf(const Card* card) const {
    for (int k = 0, n = count(); k < n; ++k) {
        if (m_cards[slot(k)] == card)
            return k;
    }
    return -1;
}

void Deck::normalize() {
    if (m_front != 0) {
        std::rotate(m_cards.begin(), m_cards.begin() + static_cast<std::ptrdiff_t>(m_front),
                    m_cards.end());
        m_front = 0;
    }
}

const Card& Deck::AppendCard(std::string_view index) {
    CardBlock one(1);
    one.append(Card(index));
    appendCards(std::move(one));
    return *m_cards.back();
}

void Deck::appendCards(CardBlock cards) {
    if (cards.empty())
        return;
    normalize();
    const bool wasEmpty = m_cards.empty();
    m_cards.reserve(m_cards.size() + cards.size());
    for (Card& c : cards)
        m_cards.push_back(&c);
    m_blocks.push_back(std::move(cards));
    edited(wasEmpty ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
}

void Deck::setIndex(int k, std::string_view text) {
    Card& card = *m_cards[slot(k)];
    const Card before = card;
    card.setIndex(text);
    if (std::memcmp(before.index, card.index, Card::IndexSize) != 0)
        edited(DeckChange::Text);
}

void Deck::setBody(int k, std::string_view text) {
    Card& card = *m_cards[slot(k)];
    const Card before = card;
    card.setBody(text);
    if (std::memcmp(before.body, card.body, Card::BodySize) != 0)
        edited(DeckChange::Text);
}

void Deck::setTag(int k, std::int32_t tag) {
    Card& card = *m_cards[slot(k)];
    const bool wasTagged = card.isTagged();
    card.setTag(tag);
    // Any non-zero word is tagged: only a change between tagged and not is a change.
    if (card.isTagged() != wasTagged)
        edited(DeckChange::Tags);
}

void Deck::SortByIndex() {
    normalize();
    // Files are saved in deck order: sorted, and turned to the card that was in front.
    const std::size_t start = indexOrderStart(m_cards);
    if (start == 0)
        return;
    if (start < m_cards.size()) {
        // The first in index order goes to the start of the storage, where it is looked for.
        std::rotate(m_cards.begin(), m_cards.begin() + static_cast<std::ptrdiff_t>(start),
                    m_cards.end());
        changed(DeckChange::Order | DeckChange::Front);
        return;
    }
    const std::vector<std::uint32_t> order = indexOrder(m_cards);
    std::vector<Card*> sorted(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = m_cards[order[i]];
    m_cards = std::move(sorted);
    changed(DeckChange::Order | DeckChange::Front);
}

void Deck::BringCardToFront(int k) {
    if (k > 0 && k < count()) {
        m_front = slot(k);
        changed(DeckChange::Front);
    }
}

bool Deck::BringIndexToFront(std::string_view text) {
    for (int i = 0, n = count(); i < n; ++i) {
        if (CompareIndexes(card(i).indexText(), text) == 0) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

bool Deck::BringExactIndexToFront(std::string_view text) {
    for (int i = 1, n = count(); i < n; ++i) {
        if (card(i).indexText() == text) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

bool Deck::JumpToInitial(char letter) {
    const char capital = static_cast<char>(letter - 0x20);
    for (int i = 1, n = count(); i < n; ++i) {
        const char first = card(i).index[0];
        if (first == letter || first == capital) {
            BringCardToFront(i);
            return true;
        }
    }
    return false;
}

void Deck::RemoveFrontCard() {
    if (m_cards.empty())
        return;
    const Batch batch(*this);
    for (std::size_t i = 0; i < m_observers.size(); ++i)
        m_observers[i]->cardRemoving(card(0), 0);
    const auto at = m_cards.begin() + static_cast<std::ptrdiff_t>(m_front);
    m_deleted.push_back(*at);
    m_cards.erase(at);
    if (m_front == m_cards.size())
        m_front = 0;
    edited(DeckChange::Count | DeckChange::Front);
}

void Deck::RemoveAllCards() {
    const Batch batch(*this);
    if (!m_cards.empty()) {
        for (std::size_t i = 0; i < m_observers.size(); ++i)
            m_observers[i]->cardsClearing();
        changed(DeckChange::Count | DeckChange::Front);
    }
    m_cards.clear();
    m_cards.shrink_to_fit();
    m_deleted.clear();
    m_deleted.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_front = 0;
    ++m_emptyings;
}

const Card& Deck::Undelete() {
    normalize();
    m_cards.push_back(m_deleted.back());
    m_deleted.pop_back();
    edited(m_cards.size() == 1 ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
    return *m_cards.back();
}
