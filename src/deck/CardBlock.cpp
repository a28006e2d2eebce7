#include "CardBlock.h"

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#endif

CardBlock::~CardBlock() {
    std::free(m_bytes);
}

CardBlock::CardBlock(CardBlock&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, nullptr))
    , m_used(std::exchange(other.m_used, 0))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_count(std::exchange(other.m_count, 0))
    , m_starts(std::move(other.m_starts)) {}

CardBlock& CardBlock::operator=(CardBlock&& other) noexcept {
    if (this != &other) {
        std::free(m_bytes);
        m_bytes = std::exchange(other.m_bytes, nullptr);
        m_used = std::exchange(other.m_used, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_count = std::exchange(other.m_count, 0);
        m_starts = std::move(other.m_starts);
    }
    return *this;
}

void CardBlock::reserveBytes(std::size_t bytes) {
    if (bytes <= m_capacity)
        return;
    // Large blocks live in memory of their own, which the system grows without copying.
    void* grown = std::realloc(m_bytes, bytes);
    if (!grown)
        throw std::bad_alloc();
    m_bytes = static_cast<char*>(grown);
    m_capacity = bytes;
#ifdef __linux__
    // A deck read from a large file fills its block at once: in huge pages the system maps it
    // with a fraction of the faults.
    constexpr std::uintptr_t Huge = 2 << 20;
    if (bytes >= 4 * Huge) {
        const auto begin = (reinterpret_cast<std::uintptr_t>(m_bytes) + Huge - 1) & ~(Huge - 1);
        const auto end = (reinterpret_cast<std::uintptr_t>(m_bytes) + bytes) & ~(Huge - 1);
        if (end > begin)
            madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
}

char* CardBlock::room(std::size_t bytes) {
    if (bytes > m_capacity - m_used) {
        if (bytes > SIZE_MAX / 2 - m_used)
            throw std::bad_alloc();
        reserveBytes(std::max(m_used + bytes, m_capacity + m_capacity / 2 + 256));
    }
    return m_bytes + m_used;
}

void CardBlock::addWritten(std::size_t bytes, std::size_t cards) {
    m_used += bytes;
    m_count += cards;
}

void CardBlock::append(std::string_view index, std::string_view body, std::int32_t tag) {
    const std::size_t size = Card::sizeFor(index, body);
    Card::make(room(size), index, body, tag);
    addWritten(size, 1);
}

void CardBlock::shrink() {
    if (m_used == m_capacity || m_used == 0)
        return;
    if (void* kept = std::realloc(m_bytes, m_used)) {
        m_bytes = static_cast<char*>(kept);
        m_capacity = m_used;
    }
}

std::vector<const Card*> CardBlock::cards() const {
    std::vector<const Card*> out;
    out.reserve(m_count);
    for (const Card& card : *this)
        out.push_back(&card);
    return out;
}
