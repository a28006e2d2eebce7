#pragma once

#include "deck/Card.h"

#include <QByteArrayView>

#include <memory>
#include <optional>
#include <vector>

// Reads card files of the "MGC" format: a 3-byte signature, a 16-bit card count, one 52-byte
// index entry per card and each card's data at the offset its entry gives. Only the index
// line and the text of a card are taken; pictures are passed over.
//
// A damaged file never makes the reader look outside the file, and no card takes another
// card's text:
// - a card whose index entry does not lie wholly in the file is not imported, and neither are
//   the cards after it (their entries lie further on);
// - a card whose data lies partly beyond the end keeps its index and the text bytes that are in
//   the file; when its text length itself is missing, its body is empty.
namespace CardfileReader {

struct Result {
    std::vector<std::unique_ptr<Card>> cards;
    // Cards promised by the count but not imported, and cards imported with missing text.
    int missingCards = 0;
    int shortCards = 0;
    bool damaged() const { return missingCards > 0 || shortCards > 0; }
};

// Nothing when the file does not begin with "MGC".
std::optional<Result> parse(QByteArrayView bytes);

} // namespace CardfileReader
