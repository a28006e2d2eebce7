#pragma once

#include "Deck.h"

#include <string_view>

class CharacterSet;

// One search through the bodies of the whole deck. The walk visits every card once, in the
// deck's order from the card that was in front when it started, and shows one occurrence at
// a time, left to right, never overlapping.
//
// The walk remembers cards, not positions: rotating the deck (clicks, Next, Go To) does not
// disturb it, and a card added while it runs is searched if it lands in the part of the deck
// not yet searched. When the card being searched is deleted, the walk goes on with the card
// that followed it; when its last card is deleted, the card before that becomes its last.
class FindWalk : public DeckObserver {
public:
    FindWalk(Deck& deck, const CharacterSet& characterSet);
    ~FindWalk() override;
    FindWalk(const FindWalk&) = delete;
    FindWalk& operator=(const FindWalk&) = delete;

    // Starts a new walk at the front card.
    void start();
    bool hasEnded() const { return m_current == nullptr; }

    enum class Result { Found, EndOfSelection, EmptyDeck, NothingToFind };
    struct Match {
        int start = 0;
        int length = 0;
    };
    // Looks for the next occurrence, case ignored. On Found the card holding it has been
    // brought to the front and match tells where it lies in that card's body.
    Result findNext(std::string_view text, Match& match);

private:
    void cardRemoving(const Card& card, int position) override;
    void cardReplaced(const Card& before, const Card& after) override;
    void cardsClearing() override;
    int positionOfCurrent();

    Deck& m_deck;
    const CharacterSet& m_characterSet;
    const Card* m_current = nullptr; // the card being searched; none once the walk has ended
    const Card* m_last = nullptr;    // the walk ends after this card
    int m_position = 0;              // where m_current was last seen
    int m_passed = 0;                // occurrences already shown in m_current
};
