#pragma once

#include "CardBlock.h"

#include <functional>
#include <string>
#include <vector>

// Three versions of a deck merged card by card, as a password manager merges its entries: the
// base (the deck as last read or written), mine (the window's deck) and theirs (the file's as
// another program left it). A card is its index, its body and whether it is tagged.
//
// Against the base each side keeps a card, deletes it, changes it, or adds new ones. A card
// changed on a side is paired with the base card it came from: by the deck's own record of its
// edits where there is one, else by its index, else by its body.
// - A card changed or deleted on one side only takes that side's change.
// - Cards added on either side are added; one added on both sides alike comes once.
// - A card changed on both sides to different texts is kept in both versions, as is a card
//   changed on one side and deleted on the other: nothing either side has is lost. Both
//   changed alike: once.
// Without a base (a sync tool's conflict copy, a deck of unknown descent) every distinct card
// of both sides is kept, and a card one side had deleted comes back.
namespace DeckMerge {

struct Input {
    std::vector<const Card*> base;
    std::vector<const Card*> mine; // in deck order, the front card first
    std::vector<const Card*> theirs;
    bool baseKnown = true;
    // The base card a card of mine replaced when it was edited; null where not known.
    std::function<const Card*(const Card*)> mineOrigin;
};

struct Result {
    // Mine's cards as merged, in mine's order, then theirs' new ones; a card kept in two
    // versions has mine's version first.
    CardBlock cards;
    // The cards to look at, by their indexes: those kept in two versions (both versions'), and
    // those kept though one side deleted them; without a base, those only theirs had.
    std::vector<std::string> conflicts;
    // Without a base: the cards only the other side had.
    int fromTheirsOnly = 0;
    // With a base: what came from each side.
    int changedHere = 0;
    int changedThere = 0;
};

Result merge(const Input& input);

// Whether the other deck still holds at least half of the base's cards as they were: then it
// came from that version, which can be the merge's base.
bool descendsFrom(const std::vector<const Card*>& base, const std::vector<const Card*>& other);

} // namespace DeckMerge
