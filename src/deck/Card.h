#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Copies text into a fixed zero-terminated field: up to its first zero byte and at most
// size - 1 bytes, the rest of the field cleared.
void storeTextField(char* field, std::size_t size, std::string_view text);

// One index card. The fields keep the fixed sizes and the order of the deck file's record, with
// nothing between them, so the file's records are read straight into cards and written straight
// from them; texts are bytes of the deck's character set.
struct Card {
    static constexpr int IndexSize = 42; // 41 characters and the terminating zero
    static constexpr int BodySize = 512; // 511 characters and the terminating zero
    static constexpr int MaxIndexLength = IndexSize - 1;
    static constexpr int MaxBodyLength = BodySize - 1;

    char index[IndexSize] = {};
    char body[BodySize] = {};
    // The tag word, in the machine's byte order (the file's on little-endian machines). It lies
    // unaligned, so it is read and set by value only.
    unsigned char tagBytes[4] = {};

    Card() = default;
    explicit Card(std::string_view indexText) { setIndex(indexText); }

    std::string_view indexText() const;
    std::string_view bodyText() const;
    std::int32_t tag() const {
        std::int32_t word;
        std::memcpy(&word, tagBytes, sizeof word);
        return word;
    }
    void setTag(std::int32_t word) { std::memcpy(tagBytes, &word, sizeof word); }
    bool isTagged() const { return tag() != 0; } // any non-zero word

    // Both setters stop at a zero byte, keep at most the field's limit and clear the rest of
    // the field, so equal cards always have equal bytes. An index never holds a control byte:
    // each one becomes a blank.
    void setIndex(std::string_view text);
    void setBody(std::string_view text);
    // Brings bytes taken as they are (a record of a file) to the form the setters give.
    void tidy();
};
static_assert(sizeof(Card) == Card::IndexSize + Card::BodySize + 4);
