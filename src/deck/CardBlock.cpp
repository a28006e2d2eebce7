#include "CardBlock.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// Cards are moved as bytes when the block grows, and come into being in memory that a read
// has filled.
static_assert(std::is_trivially_copyable_v<Card> && std::is_trivially_destructible_v<Card>);

CardBlock::~CardBlock() {
    std::free(m_storage);
}

CardBlock::CardBlock(CardBlock&& other) noexcept
    : m_storage(std::exchange(other.m_storage, nullptr))
    , m_cards(std::exchange(other.m_cards, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_capacity(std::exchange(other.m_capacity, 0)) {}

CardBlock& CardBlock::operator=(CardBlock&& other) noexcept {
    if (this != &other) {
        std::free(m_storage);
        m_storage = std::exchange(other.m_storage, nullptr);
        m_cards = std::exchange(other.m_cards, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void CardBlock::reserve(std::size_t capacity) {
    constexpr std::size_t Line = 64;
    if (capacity <= m_capacity)
        return;
    if (capacity > (SIZE_MAX - Line) / sizeof(Card))
        throw std::bad_alloc();
    void* storage = std::malloc(capacity * sizeof(Card) + Line);
    if (!storage)
        throw std::bad_alloc();
    const auto address = reinterpret_cast<std::uintptr_t>(storage);
    auto* cards = reinterpret_cast<Card*>(address + (LineOffset - address % Line + Line) % Line);
    if (m_size > 0)
        std::memcpy(static_cast<void*>(cards), m_cards, m_size * sizeof(Card));
    std::free(m_storage);
    m_storage = storage;
    m_cards = cards;
    m_capacity = capacity;
}

Card* CardBlock::appendUninitialized(std::size_t n) {
    if (m_size + n > m_capacity)
        reserve(std::max(m_size + n, m_capacity + m_capacity / 2));
    Card* added = m_cards + m_size;
    m_size += n;
    return added;
}

Card& CardBlock::append(const Card& card) {
    Card* added = appendUninitialized(1);
    std::memcpy(static_cast<void*>(added), &card, sizeof(Card));
    return *added;
}

void CardBlock::truncate(std::size_t n) {
    if (n < m_size)
        m_size = n;
}
