#pragma once

#include "CardRing.h"
#include "IndexOrder.h"

#include <QFlags>
#include <QtGlobal>

#include <string_view>
#include <unordered_map>
#include <vector>

// What a change to the deck touched; listeners redraw or recount only what they show.
enum class DeckChange : unsigned {
    Front = 0x01, // another card is in front (a rotation, a sort, a card added or removed)
    Order = 0x02, // the index order was restored by a sort
    Text = 0x04,  // some card's index or body
    Tags = 0x08,
    Count = 0x10,  // cards came or went
    Reread = 0x20, // the same deck read again from its file: the front card is the one it was
};
Q_DECLARE_FLAGS(DeckChanges, DeckChange)
Q_DECLARE_OPERATORS_FOR_FLAGS(DeckChanges)

// Told of every change to the deck. Removals are told before the card goes, so that anything
// that remembers a card (the find walk) never holds on to a destroyed one; a card made anew by
// an edit is told while the card it replaces still exists; the rest once the change, or the
// batch of changes it belongs to, is complete. A listener may stop listening while it is told.
class DeckObserver {
public:
    virtual ~DeckObserver() = default;
    virtual void cardRemoving(const Card& card, int position) {
        (void)card;
        (void)position;
    }
    virtual void cardReplaced(const Card& before, const Card& after) {
        (void)before;
        (void)after;
    }
    virtual void cardsClearing() {}
    virtual void deckChanged(DeckChanges changes) { (void)changes; }
    virtual void modifiedChanged(bool modified) { (void)modified; }
};

// The one ordered deck of cards. Position 0 is the front card; the order is read cyclically
// from it.
//
// Cards change only through the operations here, and every change is announced. The deck
// remembers itself as it was last read or written (its saved state) and is modified while it
// differs from it: an edit that puts a card's texts and tag back as they were saved is no longer
// a change. Cards that came or went keep the deck modified until it is saved.
class Deck : public CardRing {
public:
    Deck();
    ~Deck();
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    // -1 when the card is not in the deck. Linear in the number of cards.
    int positionOf(const Card* card) const;

    // Creates a card with the index, an empty body and tag 0 at the back.
    const Card& AppendCard(std::string_view index);
    // Appends already made cards at the back, in their order.
    void appendCards(CardBlock cards);

    // The texts and tag of the card at position k. A change puts a new card in its place (for
    // the tag, only a change between tagged and not is a change).
    void setIndex(int k, std::string_view text);
    void setBody(int k, std::string_view text);
    void setTag(int k, std::int32_t tag);

    // Stable sort by the deck's index order (CompareIndexes, unless its character set says
    // otherwise); position 0 becomes the smallest index.
    void SortByIndex();
    // The order SortByIndex sorts by; a new one sorts the deck by it.
    void setIndexOrder(std::shared_ptr<const IndexOrder> order);
    const IndexOrder& indexOrder() const { return *m_order; }
    // Rotates so that card k becomes card 0; the cyclic order stays.
    void BringCardToFront(int k);
    // First card from position 0 on whose index equals the text by the index order.
    bool BringIndexToFront(std::string_view text);
    // First card from position 1 on whose index equals the text byte for byte.
    bool BringExactIndexToFront(std::string_view text);
    // First card from position 1 on whose index begins with the byte; for the letters A-Z and
    // a-z, in either case. Any byte may be asked for.
    bool JumpToInitial(char letter);
    // Removes card 0; the card behind it becomes the front card. The card waits on the stack
    // of deleted cards, from which Undelete brings back the most recent one.
    void RemoveFrontCard();
    // Empties the deck and the stack of deleted cards. Not an edit: the deck stays modified or
    // not as it was.
    void RemoveAllCards();
    bool hasDeletedCard() const { return !m_deleted.empty(); }
    // Puts the most recently deleted card back at the back of the deck (the caller sorts); null
    // when there is none.
    const Card* Undelete();

    // Every card replaced by these, sorted: the cards of a file just read (Saved) or of work
    // brought back that is not in any file (Unsaved).
    enum class State { Saved, Unsaved };
    void replaceCards(CardBlock cards, State state);
    // The deck is now what its file holds: the one way the deck becomes unmodified.
    void markClean();
    bool isModified() const { return m_unsavedStructure || m_differing > 0; }

    // The deck as it is now, for another thread.
    DeckSnapshot snapshot() const;
    // The deck as it was last read or written (empty for a new deck).
    const DeckSnapshot& savedState() const { return m_saved; }
    // The card of the saved state that a card of the deck replaced when it was edited; null for
    // a card not edited since, or not known.
    const Card* savedOriginOf(const Card* card) const {
        const auto it = m_savedOf.find(card);
        return it == m_savedOf.end() ? nullptr : it->second;
    }
    // After a merge with the file: the file's cards are now the saved state, which the deck
    // differs from until it is saved.
    void setSavedState(DeckSnapshot saved);

    // Counts the times the deck was emptied: a card remembered by its address is only the same
    // card within one of them.
    quint64 emptyings() const { return m_emptyings; }

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
    // Adds to the changes the current batch announces (a reread, say).
    void note(DeckChanges changes) { changed(changes); }

private:
    // The ring to change; copied first when a snapshot shares it.
    Ring& ring();
    // Makes position 0 the first element of the ring.
    void normalize();
    void changed(DeckChanges changes);
    void structureChanged(DeckChanges changes);
    void announce();
    void replaceCard(int k, std::string_view index, std::string_view body, std::int32_t tag,
                     DeckChanges change);
    void own(CardBlock cards);
    template <typename Tell> void tellObservers(Tell tell);

    std::vector<const Card*> m_deleted;
    // Where the cards of both live, until the deck is emptied: blocks of many cards (a file's),
    // and each card made alone (added or edited) in a block of its own, so that the versions
    // an edit replaces are let go.
    std::vector<std::shared_ptr<const CardBlock>> m_blocks;
    std::unordered_map<const Card*, std::shared_ptr<const CardBlock>> m_singles;
    quint64 m_emptyings = 0;

    DeckSnapshot m_saved;
    // Cards came or went since the deck was saved.
    bool m_unsavedStructure = false;
    // Otherwise: the cards edited since, each with its saved version (which the saved state
    // keeps alive), and how many of them differ from it.
    std::unordered_map<const Card*, const Card*> m_savedOf;
    int m_differing = 0;

    std::shared_ptr<const IndexOrder> m_order;
    std::vector<DeckObserver*> m_observers;
    int m_batches = 0;
    DeckChanges m_pending;
    bool m_announcedModified = false;
};
