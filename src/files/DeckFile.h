#pragma once

#include "deck/Card.h"

#include <QByteArrayView>

#include <memory>
#include <optional>
#include <vector>

class Deck;
class QIODevice;

// The deck file: an 8-byte header (format word, card count; little-endian) and one fixed-size
// record per card in deck order. Version 1 records lack the tag word.
namespace DeckFile {

constexpr quint32 FormatVersion1 = 0xAAAA;
constexpr quint32 FormatVersion2 = 0xAAAB;
constexpr int HeaderSize = 8;
constexpr int RecordSize1 = Card::IndexSize + Card::BodySize; // 554
constexpr int RecordSize2 = RecordSize1 + 4;                  // 558

enum class ReadStatus { Ok, NotADeck, ReadError };
struct ReadResult {
    ReadStatus status = ReadStatus::NotADeck;
    std::vector<std::unique_ptr<Card>> cards;
};

// Reads a whole deck file in one pass: the cards, or NotADeck when the file does not begin
// with a format word or is shorter than its count says, or ReadError when the device fails.
// A count of zero or less is an empty deck. Bytes after the last record are ignored.
ReadResult read(QIODevice& device);
// The same for bytes already in memory; nothing unless they hold a whole deck file.
std::optional<std::vector<std::unique_ptr<Card>>> parse(QByteArrayView bytes);

// Writes the deck as a version 2 file, front card first. Bytes after each body's
// terminator are zero, so the same deck always gives the same file.
bool write(const Deck& deck, QIODevice& device);

} // namespace DeckFile
