#pragma once

#include "Card.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

// Cards made together, as those of one file are, one after another in one allocation: a deck
// of a million cards costs the memory of its texts and little more. A block grows only until it
// is handed to a deck; from then on it never changes and its cards stay where they are.
class CardBlock {
public:
    CardBlock() = default;
    // Room for about that many bytes of cards.
    explicit CardBlock(std::size_t bytes) { reserveBytes(bytes); }
    ~CardBlock();
    CardBlock(CardBlock&& other) noexcept;
    CardBlock& operator=(CardBlock&& other) noexcept;
    CardBlock(const CardBlock&) = delete;
    CardBlock& operator=(const CardBlock&) = delete;

    // Cards, and the bytes they take.
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    std::size_t byteSize() const { return m_used; }

    void append(std::string_view index, std::string_view body = {}, std::int32_t tag = 0);
    void append(const Card& card) { append(card.indexText(), card.bodyText(), card.tag()); }
    void reserveBytes(std::size_t bytes);

    // For a reader that lays cards out itself: room for `bytes` more at the back, which the
    // reader fills with whole cards and then counts in with addWritten().
    char* room(std::size_t bytes);
    void addWritten(std::size_t bytes, std::size_t cards);
    // For a reader that reads records as they are and checks them before it counts them in:
    // the bytes so far, and the count of the cards they hold.
    const char* data() const { return m_bytes; }
    void countIn(std::size_t cards) { m_count += cards; }
    // Where each card begins, from a reader that walked them anyway (offsets below 4 GiB): a
    // deck then finds them without walking the block again. Empty when not noted.
    void noteStarts(std::vector<std::uint32_t> starts) { m_starts = std::move(starts); }
    std::vector<std::uint32_t> takeStarts() { return std::move(m_starts); }
    // Gives back the memory reserved beyond the cards.
    void shrink();

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Card;
        using difference_type = std::ptrdiff_t;
        using pointer = const Card*;
        using reference = const Card&;
        const_iterator() = default;
        explicit const_iterator(const char* at)
            : m_at(at) {}
        const Card& operator*() const { return *Card::at(m_at); }
        const Card* operator->() const { return Card::at(m_at); }
        const_iterator& operator++() {
            m_at += Card::at(m_at)->size();
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const { return m_at == other.m_at; }

    private:
        const char* m_at = nullptr;
    };
    const_iterator begin() const { return const_iterator(m_bytes); }
    const_iterator end() const { return const_iterator(m_bytes + m_used); }
    // Every card, in order: for tests and for the few who need positions.
    std::vector<const Card*> cards() const;

private:
    char* m_bytes = nullptr;
    std::size_t m_used = 0;
    std::size_t m_capacity = 0;
    std::size_t m_count = 0;
    std::vector<std::uint32_t> m_starts;
};
