#include "Deck.h"

#include "IndexOrder.h"

#include <algorithm>
#include <cstring>

Deck::~Deck() {
    m_observer = nullptr;
    RemoveAllCards();
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

Card& Deck::AppendCard(std::string_view index) {
    normalize();
    m_cards.push_back(std::make_unique<Card>(index));
    return *m_cards.back();
}

void Deck::appendCards(std::vector<std::unique_ptr<Card>> cards) {
    normalize();
    m_cards.reserve(m_cards.size() + cards.size());
    for (auto& c : cards)
        m_cards.push_back(std::move(c));
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
}

void Deck::BringCardToFront(int k) {
    if (k > 0 && k < count())
        m_front = slot(k);
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
    if (m_observer)
        m_observer->cardRemoving(card(0), 0);
    const auto at = m_cards.begin() + static_cast<std::ptrdiff_t>(m_front);
    m_deleted.push_back(std::move(*at));
    m_cards.erase(at);
    if (m_front == m_cards.size())
        m_front = 0;
}

void Deck::RemoveAllCards() {
    if (m_observer && !m_cards.empty())
        m_observer->cardsClearing();
    m_cards.clear();
    m_cards.shrink_to_fit();
    m_deleted.clear();
    m_deleted.shrink_to_fit();
    m_front = 0;
    ++m_emptyings;
}

Card& Deck::Undelete() {
    normalize();
    m_cards.push_back(std::move(m_deleted.back()));
    m_deleted.pop_back();
    return *m_cards.back();
}
