#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Copies text into a fixed zero-terminated field: up to its first zero byte and at most
// size - 1 bytes, the rest of the field cleared.
void storeTextField(char* field, std::size_t size, std::string_view text);

// One index card. The fields keep the fixed sizes and the packing of the deck file's record,
// so the file's records are read straight into cards and written straight from them; texts are
// bytes of the deck's character set.
#pragma pack(push, 1)
struct Card {
    static constexpr int IndexSize = 42; // 41 characters and the terminating zero
    static constexpr int BodySize = 512; // 511 characters and the terminating zero
    static constexpr int MaxIndexLength = IndexSize - 1;
    static constexpr int MaxBodyLength = BodySize - 1;

    char index[IndexSize] = {};
    char body[BodySize] = {};
    std::int32_t tag = 0; // non-zero means tagged

    Card() = default;
    explicit Card(std::string_view indexText) { setIndex(indexText); }

    std::string_view indexText() const;
    std::string_view bodyText() const;
    bool isTagged() const { return tag != 0; }

    // Both setters stop at a zero byte, keep at most the field's limit and clear the rest of
    // the field, so equal cards always have equal bytes. An index never holds a control byte:
    // each one becomes a blank.
    void setIndex(std::string_view text);
    void setBody(std::string_view text);
    // Brings bytes taken as they are (a record of a file) to the form the setters give.
    void tidy();
};
#pragma pack(pop)
static_assert(sizeof(Card) == Card::IndexSize + Card::BodySize + 4);
