#pragma once

#include "CardBlock.h"
#include "CharacterSet.h"

#include <vector>

// Cards taken from one character set into another: into Unicode every text comes whole (in
// NFC); into a code page each text is stored as typing would store it there, and what the set
// cannot hold, or what no longer fits a card, is lost.
namespace Transcode {

struct Result {
    CardBlock cards;
    // The positions of the cards that lost characters, in the order given.
    std::vector<int> lossy;
};
Result cards(const std::vector<const Card*>& cards, const CharacterSet& from,
             const CharacterSet& to);

} // namespace Transcode
