#pragma once

#include "Card.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The order of index texts: bytes compared unsigned, with only the capitals A-Z folded to
// small letters. Returns a negative value, zero or a positive value like strcmp.
int CompareIndexes(std::string_view a, std::string_view b);

// Folds A-Z to a-z and leaves every other byte alone.
constexpr unsigned char foldIndexByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

// Positions 0 to keys.size() - 1 in the order of their keys, zero-terminated bytes compared
// unsigned; equal keys in position order. A radix sort: a fraction of a comparison sort's cost.
// It reads up to eight bytes past a key's terminator, which must be readable.
std::vector<std::uint32_t> orderByKeys(const std::vector<const unsigned char*>& keys);

// The order of the index texts of a deck, which its character set decides.
class IndexOrder {
public:
    virtual ~IndexOrder() = default;
    // Negative, zero or positive, like strcmp.
    virtual int compare(std::string_view a, std::string_view b) const = 0;

    // Where the cards, read from there round to the start again, are in the order a stable
    // sort gives: 0 when they are in index order already, the place of the smallest index for a
    // sorted deck that was turned (as a deck saved with another card in front), and
    // cards.size() when only a sort can tell.
    std::size_t start(std::span<const Card* const> cards) const;
    // The positions of the cards in index order, cards of equal indexes in the order given: what
    // a stable sort by compare() gives.
    virtual std::vector<std::uint32_t> order(std::span<const Card* const> cards) const;
};

// CompareIndexes, on each index's bytes as keyBytes gives them (for a double-byte set, every
// character held twice as the bytes Windows writes for it). Sorts by a radix of folded keys,
// at a fraction of a comparison sort's cost.
class ByteIndexOrder : public IndexOrder {
public:
    using KeyBytes = std::string (*)(const void* context, std::string_view index);
    ByteIndexOrder() = default;
    ByteIndexOrder(KeyBytes keyBytes, std::shared_ptr<const void> context)
        : m_keyBytes(keyBytes)
        , m_context(std::move(context)) {}

    int compare(std::string_view a, std::string_view b) const override;
    std::vector<std::uint32_t> order(std::span<const Card* const> cards) const override;

    // The plain order of CompareIndexes.
    static std::shared_ptr<const IndexOrder> plain();

private:
    KeyBytes m_keyBytes = nullptr;
    std::shared_ptr<const void> m_context;
};
