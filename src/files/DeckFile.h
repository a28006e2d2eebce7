#pragma once

#include "deck/CardBlock.h"

#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <optional>

class CardRing;
class ContentHash;
class QIODevice;

// The deck file: an 8-byte header (format word, card count; little-endian) and one record per
// card in deck order.
// - Versions 1 and 2, decks of a code page: fixed-size records, two zero-terminated text fields
//   (and in version 2 the tag word). Version 1 records lack the tag word.
// - Version 3, Unicode decks: each record as long as its texts, laid out as a card is in memory
//   (index size and body size, 16 bits each; the tag, 32 bits; the index and body in UTF-8).
//   Nothing follows the last record. An older reader refuses the format word it does not know.
namespace DeckFile {

constexpr quint32 FormatVersion1 = 0xAAAA;
constexpr quint32 FormatVersion2 = 0xAAAB;
constexpr quint32 FormatVersion3 = 0xAAAC;
constexpr int HeaderSize = 8;
constexpr int IndexField = 42;                      // 41 bytes and the terminating zero
constexpr int BodyField = 512;                      // 511 bytes and the terminating zero
constexpr int RecordSize1 = IndexField + BodyField; // 554
constexpr int RecordSize2 = RecordSize1 + 4;        // 558

enum class ReadStatus { Ok, NotADeck, Damaged, ReadError };
struct ReadResult {
    ReadStatus status = ReadStatus::NotADeck;
    quint32 format = 0;
    CardBlock cards;
    // Damaged: the number of the first damaged card (from 1; past the last when the file is
    // cut short or runs on) and what is wrong with it.
    int damagedCard = 0;
    QString damage;
};

// Reads a whole deck file in one pass: the cards, or NotADeck when the file does not begin
// with a format word or a version 1 or 2 file is shorter than its count says, Damaged when a
// version 3 record does not hold what a card holds (sizes beyond the file or the limits, text
// that is not UTF-8, a zero byte, a control character in an index), or ReadError when the
// device fails. A count of zero or less is an empty deck. Bytes after the last record of
// version 1 or 2 are ignored, but hashed with the rest when a hash is given.
ReadResult read(QIODevice& device, ContentHash* hash = nullptr);
// The same for bytes already in memory; nothing unless they hold a whole deck file.
std::optional<CardBlock> parse(QByteArrayView bytes);

// The size of the version 2 file of a deck of that many cards.
constexpr qint64 fileSize(int cards) {
    return HeaderSize + qint64(cards) * RecordSize2;
}
// The size of the file of those cards in a format.
qint64 fileSize(const CardRing& cards, quint32 format);

// Writes the cards as a version 2 or 3 file, front card first. In version 2, bytes after each
// text's terminator are zero, so the same deck always gives the same file. Stops, false, when
// stop is set.
bool write(const CardRing& cards, QIODevice& device, const std::atomic<bool>* stop = nullptr,
           quint32 format = FormatVersion2);

} // namespace DeckFile
