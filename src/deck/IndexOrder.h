#pragma once

#include "Card.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The order of index texts: bytes compared unsigned, with only the capitals A-Z folded to
// small letters. Returns a negative value, zero or a positive value like strcmp.
int CompareIndexes(std::string_view a, std::string_view b);

// Folds A-Z to a-z and leaves every other byte alone.
constexpr unsigned char foldIndexByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

// Where the cards, read from there round to the start again, are in the order a stable sort
// by CompareIndexes gives: 0 when they are in index order already, the place of the smallest
// index for a sorted deck that was turned (as a deck saved with another card in front), and
// cards.size() when only a sort can tell.
std::size_t indexOrderStart(std::span<const Card* const> cards);
// The positions of the cards in index order, cards of equal indexes in the order given: what a
// stable sort by CompareIndexes gives, at a fraction of its cost.
std::vector<std::uint32_t> indexOrder(std::span<const Card* const> cards);
