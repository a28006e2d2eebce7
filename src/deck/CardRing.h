#pragma once

#include "CardBlock.h"

#include <memory>
#include <vector>

// Cards in an order that is read cyclically from a front card: the deck itself, or a copy of
// it. The order is a ring of pointers, and rotating only moves its start, so bringing a card
// to the front costs the same for ten cards or a million.
class CardRing {
public:
    int count() const { return m_ring ? static_cast<int>(m_ring->size()) : 0; }
    bool isEmpty() const { return count() == 0; }
    // 0 <= k < count()
    const Card& card(int k) const { return *(*m_ring)[slot(k)]; }
    // The deck position of the first card in index order: sorting puts it at the start of the
    // ring, and rotations and removals keep it there.
    int firstInIndexOrder() const {
        const std::size_t n = static_cast<std::size_t>(count());
        return n == 0 ? 0 : static_cast<int>((n - m_front) % n);
    }
    // The bytes the cards take, headers included: the records of a Unicode deck file.
    std::size_t byteSize() const { return m_bytes; }
    // Every card, front card first: for whole-deck work (merging, converting).
    std::vector<const Card*> cards() const {
        std::vector<const Card*> out;
        out.reserve(static_cast<std::size_t>(count()));
        for (int k = 0, n = count(); k < n; ++k)
            out.push_back(&card(k));
        return out;
    }

protected:
    using Ring = std::vector<const Card*>;
    std::size_t slot(int k) const {
        std::size_t s = m_front + static_cast<std::size_t>(k);
        return s >= m_ring->size() ? s - m_ring->size() : s;
    }

    std::shared_ptr<Ring> m_ring;
    std::size_t m_front = 0;
    std::size_t m_bytes = 0;
};

// The deck at one moment, which any thread may read while the deck goes on changing: it holds
// the order of that moment and keeps every card of it alive.
class DeckSnapshot : public CardRing {
public:
    DeckSnapshot() = default;

private:
    friend class Deck;
    std::vector<std::shared_ptr<const CardBlock>> m_owners;
};
