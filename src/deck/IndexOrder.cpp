#include "IndexOrder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace {

// Cards lie hundreds of bytes apart, too far for the processor to see a pattern: passes over
// many of them ask for the cards a few steps ahead.
constexpr std::size_t Ahead = 12;
inline void prefetchIndex(std::span<const Card* const> cards, std::size_t i) {
#if defined(__GNUC__)
    if (i + Ahead < cards.size())
        __builtin_prefetch(cards[i + Ahead]);
#else
    (void)cards;
    (void)i;
#endif
}

// The folded index, zero-padded to whole words: compared as bytes, keys give the index order,
// since a text ends with its terminator, the smallest byte, and has no zero byte before it.
constexpr int KeySize = 48;
using Key = std::array<unsigned char, KeySize>;

// Eight bytes of a zero-terminated key from `at`, the first as the highest; zeros past its end.
// Eight bytes may be read from `at` (a key's buffer has room behind its end).
std::uint64_t wordAt(const unsigned char* key, std::size_t at) {
    std::uint64_t word;
    std::memcpy(&word, key + at, 8);
    if constexpr (std::endian::native == std::endian::little) {
        // The first zero byte, the lowest: what lies behind it is another key's.
        const std::uint64_t zero =
            (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL;
        if (zero != 0) {
            const int kept = std::countr_zero(zero) / 8;
            word = kept == 0 ? 0 : word & (~0ULL >> (64 - 8 * kept));
        }
#if defined(__GNUC__)
        return __builtin_bswap64(word);
#else
        std::uint64_t swapped = 0;
        for (int b = 0; b < 8; ++b)
            swapped = swapped << 8 | ((word >> (8 * b)) & 0xFF);
        return swapped;
#endif
    } else {
        std::uint64_t out = 0;
        int b = 0;
        for (; b < 8 && key[at + static_cast<std::size_t>(b)] != 0; ++b)
            out = out << 8 | key[at + static_cast<std::size_t>(b)];
        return b == 0 ? 0 : out << (8 * (8 - b));
    }
}

struct Entry {
    std::uint64_t word; // eight bytes of the key, the first as the highest
    std::uint32_t position;
};

// Stable sort by word, a byte at a time from the lowest; bytes that all entries share are
// skipped, which leaves a pass or two for runs that share a long beginning.
void radixSort(Entry* entries, Entry* scratch, std::size_t n) {
    std::array<std::array<std::uint32_t, 256>, 8> counts{};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t w = entries[i].word;
        for (int b = 0; b < 8; ++b)
            ++counts[static_cast<std::size_t>(b)][(w >> (8 * b)) & 0xFF];
    }
    Entry* from = entries;
    Entry* to = scratch;
    for (int b = 0; b < 8; ++b) {
        auto& count = counts[static_cast<std::size_t>(b)];
        if (count[(from[0].word >> (8 * b)) & 0xFF] == n)
            continue;
        std::uint32_t next = 0;
        for (std::uint32_t& c : count)
            next += std::exchange(c, next);
        for (std::size_t i = 0; i < n; ++i)
            to[count[(from[i].word >> (8 * b)) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != entries)
        std::memcpy(entries, from, n * sizeof(Entry));
}

// The entries are sorted by the word at `at`: each run of equal words is sorted by the rest of
// the keys, equal keys staying in position order.
void sortRuns(Entry* entries, Entry* scratch, std::size_t n, std::size_t at,
              const std::vector<const unsigned char*>& keys) {
    const std::size_t rest = at + 8;
    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && entries[end].word == entries[first].word)
            ++end;
        // A word whose last byte is zero holds the end of the key: equal words, equal keys.
        const bool more = (entries[first].word & 0xFF) != 0;
        const std::size_t size = end - first;
        if (size > 1 && more) {
            Entry* run = entries + first;
            if (size <= 16) {
                const auto less = [&](const Entry& a, const Entry& b) {
                    const int c =
                        std::strcmp(reinterpret_cast<const char*>(keys[a.position] + rest),
                                    reinterpret_cast<const char*>(keys[b.position] + rest));
                    return c != 0 ? c < 0 : a.position < b.position;
                };
                for (std::size_t i = 1; i < size; ++i) {
                    const Entry e = run[i];
                    std::size_t j = i;
                    for (; j > 0 && less(e, run[j - 1]); --j)
                        run[j] = run[j - 1];
                    run[j] = e;
                }
            } else {
                for (std::size_t i = 0; i < size; ++i)
                    run[i].word = wordAt(keys[run[i].position], rest);
                radixSort(run, scratch, size);
                sortRuns(run, scratch, size, rest, keys);
            }
        }
        first = end;
    }
}

} // namespace

int CompareIndexes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldIndexByte(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldIndexByte(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    // The shorter text ends with its terminator, the smallest byte.
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::size_t IndexOrder::start(std::span<const Card* const> cards) const {
    const std::size_t n = cards.size();
    std::size_t first = 0;
    for (std::size_t i = 1; i < n; ++i) {
        prefetchIndex(cards, i);
        if (compare(cards[i - 1]->indexText(), cards[i]->indexText()) > 0) {
            if (first != 0)
                return n; // a second step down: not one turned sequence
            first = i;
        }
    }
    // Turned: the last index must come before the first, or a stable sort would put the
    // equal cards from the start first.
    if (first != 0 && compare(cards[n - 1]->indexText(), cards[0]->indexText()) >= 0)
        return n;
    return first;
}

std::vector<std::uint32_t> IndexOrder::order(std::span<const Card* const> cards) const {
    std::vector<std::uint32_t> positions(cards.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(positions.begin(), positions.end(), [&](std::uint32_t a, std::uint32_t b) {
        return compare(cards[a]->indexText(), cards[b]->indexText()) < 0;
    });
    return positions;
}

std::shared_ptr<const IndexOrder> ByteIndexOrder::plain() {
    static const auto order = std::make_shared<const ByteIndexOrder>();
    return order;
}

int ByteIndexOrder::compare(std::string_view a, std::string_view b) const {
    if (!m_keyBytes)
        return CompareIndexes(a, b);
    return CompareIndexes(m_keyBytes(m_context.get(), a), m_keyBytes(m_context.get(), b));
}

std::vector<std::uint32_t> orderByKeys(const std::vector<const unsigned char*>& keys) {
    const std::size_t n = keys.size();
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i)
        entries[i] = {wordAt(keys[i], 0), static_cast<std::uint32_t>(i)};
    if (n > 1) {
        std::vector<Entry> scratch(n);
        radixSort(entries.data(), scratch.data(), n);
        sortRuns(entries.data(), scratch.data(), n, 0, keys);
    }
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = entries[i].position;
    return order;
}

std::vector<std::uint32_t> ByteIndexOrder::order(std::span<const Card* const> cards) const {
    const std::size_t n = cards.size();
    std::vector<Key> keys(n);
    std::vector<const unsigned char*> keyOf(n);
    std::string converted;
    for (std::size_t i = 0; i < n; ++i) {
        prefetchIndex(cards, i);
        std::string_view text = cards[i]->indexText();
        if (m_keyBytes) {
            converted = m_keyBytes(m_context.get(), text);
            text = converted;
        }
        if (text.size() >= KeySize || text.find('\0') != std::string_view::npos)
            return IndexOrder::order(cards); // longer than a key holds
        Key& key = keys[i];
        std::size_t b = 0;
        for (; b < text.size(); ++b)
            key[b] = foldIndexByte(static_cast<unsigned char>(text[b]));
        for (; b < KeySize; ++b)
            key[b] = 0;
        keyOf[i] = key.data();
    }
    return orderByKeys(keyOf);
}
