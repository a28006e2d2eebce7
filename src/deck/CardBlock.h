#pragma once

#include "Card.h"

#include <cstddef>

// Cards made together, as those of one file are: one allocation holds them all, so a deck of a
// million cards costs the memory of its cards and little more. A block grows only until it is
// handed to a deck; from then on its cards stay where they are.
class CardBlock {
public:
    CardBlock() = default;
    explicit CardBlock(std::size_t capacity) { reserve(capacity); }
    ~CardBlock();
    CardBlock(CardBlock&& other) noexcept;
    CardBlock& operator=(CardBlock&& other) noexcept;
    CardBlock(const CardBlock&) = delete;
    CardBlock& operator=(const CardBlock&) = delete;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Card& operator[](std::size_t i) { return m_cards[i]; }
    const Card& operator[](std::size_t i) const { return m_cards[i]; }
    Card* begin() { return m_cards; }
    Card* end() { return m_cards + m_size; }
    const Card* begin() const { return m_cards; }
    const Card* end() const { return m_cards + m_size; }

    // A copy of the card at the back (by default an empty card).
    Card& append(const Card& card = Card());
    // Room for n more cards at the back with their bytes left as they are: the caller writes
    // every byte of them before anything reads them.
    Card* appendUninitialized(std::size_t n);
    // Keeps the first n cards.
    void truncate(std::size_t n);
    void reserve(std::size_t capacity);

    // Where within a 64-byte line the first card lies: where a deck file's first record lies
    // in the file, after its 8-byte header. The system's copy from its file cache straight into
    // the cards then moves bytes between like places; some processors copy a third slower
    // when the two lie a few bytes apart.
    static constexpr std::size_t LineOffset = 8;

private:
    void* m_storage = nullptr;
    Card* m_cards = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};
