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
        if (m_cards[slot(k)].get() == card)
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
    normalize();
    m_cards.push_back(std::make_unique<Card>(index));
    edited(m_cards.size() == 1 ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
    return *m_cards.back();
}

void Deck::appendCards(std::vector<std::unique_ptr<Card>> cards) {
    if (cards.empty())
        return;
    normalize();
    const bool wasEmpty = m_cards.empty();
    m_cards.reserve(m_cards.size() + cards.size());
    for (auto& c : cards)
        m_cards.push_back(std::move(c));
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
    card.tag = tag;
    // Any non-zero word is tagged: only a change between tagged and not is a change.
    if (card.isTagged() != wasTagged)
        edited(DeckChange::Tags);
}

void Deck::SortByIndex() {
    normalize();
    const std::size_t n = m_cards.size();
    // Sorting copies of the folded indexes keeps every comparison inside one array, instead
    // of reaching into two cards scattered over the heap. The copies are zero-padded, so
    // memcmp gives the index order: the shorter text's terminator is the smaller byte.
    struct Entry {
        unsigned char key[Card::IndexSize];
        Card* card;
    };
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto* text = reinterpret_cast<const unsigned char*>(m_cards[i]->index);
        for (int b = 0; b < Card::IndexSize; ++b)
            entries[i].key[b] = foldIndexByte(text[b]);
        entries[i].card = m_cards[i].get();
    }
    const auto less = [](const Entry& a, const Entry& b) {
        return std::memcmp(a.key, b.key, Card::IndexSize) < 0;
    };
    // Files are saved in deck order, which is usually already sorted.
    if (std::is_sorted(entries.begin(), entries.end(), less))
        return;
    std::stable_sort(entries.begin(), entries.end(), less);
    for (std::size_t i = 0; i < n; ++i) {
        (void)m_cards[i].release();
        m_cards[i].reset(entries[i].card);
    }
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
    m_deleted.push_back(std::move(*at));
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
    m_front = 0;
    ++m_emptyings;
}

const Card& Deck::Undelete() {
    normalize();
    m_cards.push_back(std::move(m_deleted.back()));
    m_deleted.pop_back();
    edited(m_cards.size() == 1 ? DeckChange::Count | DeckChange::Front : DeckChange::Count);
    return *m_cards.back();
}
