#pragma once

#include "Card.h"

#include <QtGlobal>

#include <memory>
#include <string_view>
#include <vector>

// Told about cards before they leave the deck, so that anything that remembers a card
// (the find walk) never holds on to a destroyed one.
class DeckObserver {
public:
    virtual ~DeckObserver() = default;
    virtual void cardRemoving(const Card& card, int position) = 0;
    virtual void cardsClearing() = 0;
};

// The one ordered deck of cards. Position 0 is the front card; the order is read cyclically
// from it. Cards live on the heap and never move: rotations only shift the ring's start, so
// bringing a card to the front costs the same for ten cards or a million.
class Deck {
public:
    Deck() = default;
    ~Deck();
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    int count() const { return static_cast<int>(m_cards.size()); }
    bool isEmpty() const { return m_cards.empty(); }

    // 0 <= k < count()
    Card& card(int k) { return *m_cards[slot(k)]; }
    const Card& card(int k) const { return *m_cards[slot(k)]; }

    // -1 when the card is not in the deck. Linear in the number of cards.
    int positionOf(const Card* card) const;

    // Creates a card with the index (its first 41 bytes), an empty body and tag 0 at the back.
    Card& AppendCard(std::string_view index);
    // Appends already made cards at the back, in their order.
    void appendCards(std::vector<std::unique_ptr<Card>> cards);

    // Stable sort by CompareIndexes; position 0 becomes the smallest index.
    void SortByIndex();
    // Rotates so that card k becomes card 0; the cyclic order stays.
    void BringCardToFront(int k);
    // First card from position 0 on whose index equals the text by CompareIndexes.
    bool BringIndexToFront(std::string_view text);
    // First card from position 1 on whose index equals the text byte for byte.
    bool BringExactIndexToFront(std::string_view text);
    // First card from position 1 on whose index begins with the small letter or its capital.
    bool JumpToInitial(char letter);
    // Removes card 0; the card behind it becomes the front card. The card waits on the stack
    // of deleted cards, from which Undelete brings back the most recent one.
    void RemoveFrontCard();
    // Empties the deck and the stack of deleted cards.
    void RemoveAllCards();
    bool hasDeletedCard() const { return !m_deleted.empty(); }
    // Puts the most recently deleted card back at the back of the deck (the caller sorts).
    Card& Undelete();

    // The deck position of the first card in index order: sorting puts it at the start of the
    // storage, and rotations and removals keep it there.
    int firstInIndexOrder() const {
        return m_cards.empty() ? 0 : static_cast<int>((m_cards.size() - m_front) % m_cards.size());
    }
    // Counts the times the deck was emptied: a card remembered by its address is only the same
    // card within one of them.
    quint64 emptyings() const { return m_emptyings; }

    // Set when the deck holds changes that are not in its file. The operations above never
    // touch it; the commands that call them do.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    void setObserver(DeckObserver* observer) { m_observer = observer; }

private:
    std::size_t slot(int k) const {
        std::size_t s = m_front + static_cast<std::size_t>(k);
        return s >= m_cards.size() ? s - m_cards.size() : s;
    }
    // Makes position 0 the first element of the storage.
    void normalize();

    std::vector<std::unique_ptr<Card>> m_cards;
    std::vector<std::unique_ptr<Card>> m_deleted;
    std::size_t m_front = 0;
    quint64 m_emptyings = 0;
    bool m_modified = false;
    DeckObserver* m_observer = nullptr;
};
