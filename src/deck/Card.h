#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// One index card: its index line, its body and its tag word. Texts are bytes of the deck's
// character set (a code page, or UTF-8).
//
// A card lies in one piece of memory and never changes once made: an edit makes a new card and
// puts it in the old one's place. So a copy of the deck taken for another thread (the recovery
// copy, a save) stays whole while the user types on, and the deck as it was last saved costs
// nothing to keep. The piece is laid out as a record of the Unicode deck file, little-endian:
// the index's size and the body's size (16 bits each), the tag (32 bits), then the index bytes
// and the body bytes. Cards lie one after another with no gaps, so every field is read by value.
class Card {
public:
    static constexpr std::size_t HeaderSize = 8;
    // What a card holds, counted as its deck counts: bytes of a code page, or characters.
    static constexpr int MaxIndexLength = 41;
    static constexpr int MaxBodyLength = 511;
    // Whatever the deck counts, a card's texts never take more bytes than these.
    static constexpr std::size_t MaxIndexBytes = 4095;
    static constexpr std::size_t MaxBodyBytes = 65535;

    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    std::string_view indexText() const { return {text(), indexSize()}; }
    std::string_view bodyText() const { return {text() + indexSize(), bodySize()}; }
    std::int32_t tag() const { return static_cast<std::int32_t>(read32(4)); }
    bool isTagged() const { return tag() != 0; } // any non-zero word
    // The bytes the card takes, its header included.
    std::size_t size() const { return HeaderSize + indexSize() + bodySize(); }
    bool sameAs(const Card& other) const {
        return tag() == other.tag() && indexText() == other.indexText() &&
               bodyText() == other.bodyText();
    }
    // The same to the user: the same texts, and tagged or not alike (any non-zero word tags).
    bool sameContentAs(const Card& other) const {
        return isTagged() == other.isTagged() && indexText() == other.indexText() &&
               bodyText() == other.bodyText();
    }

    // The texts as a card keeps them: each ends at its first zero byte and at its byte cap, and
    // an index never holds a control byte (a line break, a TAB from a file written elsewhere would
    // break the lists and exports): each one becomes a blank.
    struct Texts {
        std::string_view index;
        std::string_view body;
    };
    static Texts keptTexts(std::string_view index, std::string_view body);
    static std::size_t sizeFor(std::string_view index, std::string_view body) {
        const Texts kept = keptTexts(index, body);
        return HeaderSize + kept.index.size() + kept.body.size();
    }
    // Makes a card at `at`, which has room for sizeFor(index, body) bytes.
    static const Card* make(char* at, std::string_view index, std::string_view body,
                            std::int32_t tag);
    // The card whose record starts at `at`.
    static const Card* at(const char* record) { return reinterpret_cast<const Card*>(record); }

private:
    Card() = default;
    const char* text() const { return reinterpret_cast<const char*>(this) + HeaderSize; }
    std::uint32_t read16(std::size_t at) const { return m_header[at] | m_header[at + 1] << 8; }
    std::uint32_t read32(std::size_t at) const { return read16(at) | read16(at + 2) << 16; }
    std::size_t indexSize() const { return read16(0); }
    std::size_t bodySize() const { return read16(2); }

    unsigned char m_header[HeaderSize];
};
static_assert(alignof(Card) == 1 && sizeof(Card) == Card::HeaderSize);

// Copies text into a fixed zero-terminated field: up to its first zero byte and at most
// size - 1 bytes, the rest of the field cleared.
void storeTextField(char* field, std::size_t size, std::string_view text);
