#pragma once

#include "deck/CardBlock.h"

#include <QByteArrayView>

#include <atomic>
#include <optional>

class CardRing;
class ContentHash;
class QIODevice;

// The deck file: an 8-byte header (format word, card count; little-endian) and one fixed-size
// record per card in deck order. Version 1 records lack the tag word.
namespace DeckFile {

constexpr quint32 FormatVersion1 = 0xAAAA;
constexpr quint32 FormatVersion2 = 0xAAAB;
constexpr int HeaderSize = 8;
constexpr int IndexField = 42;                      // 41 bytes and the terminating zero
constexpr int BodyField = 512;                      // 511 bytes and the terminating zero
constexpr int RecordSize1 = IndexField + BodyField; // 554
constexpr int RecordSize2 = RecordSize1 + 4;        // 558

enum class ReadStatus { Ok, NotADeck, ReadError };
struct ReadResult {
    ReadStatus status = ReadStatus::NotADeck;
    CardBlock cards;
};

// Reads a whole deck file in one pass: the cards, or NotADeck when the file does not begin
// with a format word or is shorter than its count says, or ReadError when the device fails.
// A count of zero or less is an empty deck. Bytes after the last record are ignored, but hashed
// with the rest when a hash is given.
ReadResult read(QIODevice& device, ContentHash* hash = nullptr);
// The same for bytes already in memory; nothing unless they hold a whole deck file.
std::optional<CardBlock> parse(QByteArrayView bytes);

// The size of the version 2 file of a deck of that many cards.
constexpr qint64 fileSize(int cards) {
    return HeaderSize + qint64(cards) * RecordSize2;
}

// Writes the cards as a version 2 file, front card first. Bytes after each text's terminator
// are zero, so the same deck always gives the same file. Stops, false, when stop is set.
bool write(const CardRing& cards, QIODevice& device, const std::atomic<bool>* stop = nullptr);

} // namespace DeckFile
