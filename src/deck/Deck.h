#pragma once

#include "CardBlock.h"

#include <QFlags>
#include <QtGlobal>

#include <string_view>
#include <vector>

// What a change to the deck touched; listeners redraw or recount only what they show.
enum class DeckChange : unsigned {
    Front = 0x01, // another card is in front (a rotation, a sort, a card added or removed)
    Order = 0x02, // the index order was restored by a sort
    Text = 0x04,  // some card's index or body
    Tags = 0x08,
    Count = 0x10, // cards came or went
};
Q_DECLARE_FLAGS(DeckChanges, DeckChange)
Q_DECLARE_OPERATORS_FOR_FLAGS(DeckChanges)

// Told of every change to the deck. Removals are told before the card goes, so that anything
// that remembers a card (the find walk) never holds on to a destroyed one; the rest once the
// change, or the batch of changes it belongs to, is complete.
class DeckObserver {
public:
    virtual ~DeckObserver() = default;
    virtual void cardRemoving(const Card& card, int position) {
        (void)card;
        (void)position;
    }
    virtual void cardsClearing() {}
    virtual void deckChanged(DeckChanges changes) { (void)changes; }
    virtual void modifiedChanged(bool modified) { (void)modified; }
};

// The one ordered deck of cards. Position 0 is the front card; the order is read cyclically
// from it. Cards live in the blocks they came in and never move: the order is a ring of
// pointers, and rotations only shift the ring's start, so bringing a card to the front costs
// the same for ten cards or a million.
//
// Cards change only through the operations here, and every change is announced. A change to a
// card's text, tag or the set of cards marks the deck modified; rotations and sorts do not.
class Deck {
public:
    Deck() = default;
    ~Deck();
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    int count() const { return static_cast<int>(m_cards.size()); }
    bool isEmpty() const { return m_cards.empty(); }

    // 0 <= k < count()
    const Card& card(int k) const { return *m_cards[slot(k)]; }

    // -1 when the card is not in the deck. Linear in the number of cards.
    int positionOf(const Card* card) const;

    // Creates a card with the index (its first 41 bytes), an empty body and tag 0 at the back.
    const Card& AppendCard(std::string_view index);
    // Appends already made cards at the back, in their order.
    void appendCards(CardBlock cards);

    // The texts and tag of the card at position k; a change marks the deck modified (for the
    // tag, a change between tagged and not).
    void setIndex(int k, std::string_view text);
    void setBody(int k, std::string_view text);
    void setTag(int k, std::int32_t tag);

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
    // Empties the deck and the stack of deleted cards. Not an edit: the modified flag stays.
    void RemoveAllCards();
    bool hasDeletedCard() const { return !m_deleted.empty(); }
    // Puts the most recently deleted card back at the back of the deck (the caller sorts).
    const Card& Undelete();

    // The deck position of the first card in index order: sorting puts it at the start of the
    // storage, and rotations and removals keep it there.
    int firstInIndexOrder() const {
        return m_cards.empty() ? 0 : static_cast<int>((m_cards.size() - m_front) % m_cards.size());
    }
    // Counts the times the deck was emptied: a card remembered by its address is only the same
    // card within one of them.
    quint64 emptyings() const { return m_emptyings; }

    // Set when the deck holds changes that are not in its file.
    bool isModified() const { return m_modified; }
    void setModified(bool modified);

    void addObserver(DeckObserver* observer);
    void removeObserver(DeckObserver* observer);

    // Holds back the announcements of the changes made while it lives, and makes them one
    // when the outermost batch ends: a command that empties and refills the deck is seen as
    // one change.
    class Batch {
    public:
        explicit Batch(Deck& deck);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        Deck& m_deck;
    };

private:
    std::size_t slot(int k) const {
        std::size_t s = m_front + static_cast<std::size_t>(k);
        return s >= m_cards.size() ? s - m_cards.size() : s;
    }
    // Makes position 0 the first element of the storage.
    void normalize();
    void changed(DeckChanges changes);
    void edited(DeckChanges changes);
    void announce();

    std::vector<Card*> m_cards;
    std::vector<Card*> m_deleted;
    // Where the cards of both live, until the deck is emptied.
    std::vector<CardBlock> m_blocks;
    std::size_t m_front = 0;
    quint64 m_emptyings = 0;
    bool m_modified = false;
    std::vector<DeckObserver*> m_observers;
    int m_batches = 0;
    DeckChanges m_pending;
    bool m_announcedModified = false;
};
