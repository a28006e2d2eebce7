#pragma once

#include "deck/CardBlock.h"
#include "deck/CharacterSet.h"

#include <QByteArrayView>

#include <vector>

class QIODevice;

// Reads old card files. Two layouts are understood:
// - "MGC": a 3-byte signature, a 16-bit card count, one 52-byte index entry per card, and
//   each card's data (a picture, then the text) at the offset its entry gives;
// - "RRG", the later layout: the signature, the 32-bit id of the last object, the count,
//   the entries from byte 9, and in each card's data an optional OLE 1.0 object before the
//   text. The object's size is stored nowhere: it is passed over by parsing it.
// A third, "DKO" (Unicode), is recognised and refused.
//
// Only the index line and the text of a card are taken; pictures and objects are left out. A
// text longer than a card holds is cut between characters of the deck's character set.
// The file is read where it is needed (the signature first), never whole, and a damaged file
// never makes the reader look outside the file; no card takes another card's bytes:
// - a card whose index entry does not lie wholly in the file is not imported, and neither are
//   the cards after it (their entries lie further on);
// - each card's data ends where the next card's data begins (in the order of their offsets),
//   or at the end of the file. A card whose text runs past that keeps its index and the text
//   bytes within; when its text length itself is missing, its picture or object does not fit,
//   or its offset points outside the data area or inside another card's data, its body is
//   empty. Each such card counts as damaged;
// - a text length with 0xFF as its high byte is read as its low byte where that ends the text
//   exactly where the card's data ends (a quirk of old files);
// - a file too short to hold its card count is no card file.
namespace CardfileReader {

enum class Status { Ok, NotACardFile, UnicodeCardFile, ReadError };
enum class Layout { Mgc, Rrg };

struct Result {
    Status status = Status::NotACardFile;
    Layout layout = Layout::Mgc;
    CardBlock cards;
    // Cards promised by the count but not in the file.
    int missingCards = 0;
    // Cards imported with their text cut short or lost: their data runs past the start of the
    // next card's, or their offset points outside the data or inside another card's data.
    int shortCards = 0;
    // Cards whose text was longer than a card holds, or held a zero byte, and was shortened.
    int shortenedTexts = 0;
    // Cards whose picture or object was left out.
    int pictures = 0;
    bool ok() const { return status == Status::Ok; }
    bool damaged() const { return missingCards > 0 || shortCards > 0; }
};

// The status the first bytes of a file say: Ok for a card file this reader reads.
Status recognise(QByteArrayView firstBytes);

Result parse(QByteArrayView bytes, const CharacterSet& characterSet = CharacterSet());
// Reads from a device with random access (an open file), never more than it needs.
Result read(QIODevice& device, const CharacterSet& characterSet);

} // namespace CardfileReader
