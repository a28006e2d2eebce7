#include "FindWalk.h"

#include "IndexOrder.h"

#include <algorithm>
#include <cstring>
#include <string>

FindWalk::FindWalk(Deck& deck)
    : m_deck(deck) {
    m_deck.setObserver(this);
}

FindWalk::~FindWalk() {
    m_deck.setObserver(nullptr);
}

void FindWalk::start() {
    m_passed = 0;
    m_position = 0;
    if (m_deck.isEmpty()) {
        m_current = m_last = nullptr;
        return;
    }
    m_current = &m_deck.card(0);
    m_last = &m_deck.card(m_deck.count() - 1);
}

std::size_t FindWalk::find(std::string_view body, std::string_view upperText, std::size_t from) {
    const std::size_t m = upperText.size();
    if (m == 0 || body.size() < m || from > body.size() - m)
        return std::string_view::npos;
    // The places where the text may start are found with memchr, for its first byte in both
    // cases: a search over a hundred thousand cards runs at the speed of memory.
    const char upper = upperText[0];
    const auto u = static_cast<unsigned char>(upper);
    const char lower = u >= 'A' && u <= 'Z' ? static_cast<char>(u + 0x20) : upper;
    const char* const begin = body.data();
    const char* const last = begin + (body.size() - m) + 1; // one past the last start
    const auto next = [last](const char* p, char c) {
        const void* hit = std::memchr(p, c, static_cast<std::size_t>(last - p));
        return hit ? static_cast<const char*>(hit) : last;
    };
    const char* atUpper = next(begin + from, upper);
    const char* atLower = lower == upper ? last : next(begin + from, lower);
    for (;;) {
        const char* p = std::min(atUpper, atLower);
        if (p >= last)
            return std::string_view::npos;
        std::size_t j = 1;
        while (j < m && upperAscii(static_cast<unsigned char>(p[j])) ==
                            static_cast<unsigned char>(upperText[j]))
            ++j;
        if (j == m)
            return static_cast<std::size_t>(p - begin);
        if (p == atUpper)
            atUpper = next(p + 1, upper);
        if (p == atLower)
            atLower = next(p + 1, lower);
    }
}

int FindWalk::positionOfCurrent() {
    if (m_position < m_deck.count() && &m_deck.card(m_position) == m_current)
        return m_position;
    m_position = m_deck.positionOf(m_current);
    return m_position;
}

FindWalk::Result FindWalk::findNext(std::string_view text, Match& match) {
    if (m_deck.isEmpty())
        return Result::EmptyDeck;
    if (text.empty())
        return Result::NothingToFind;
    if (hasEnded())
        return Result::EndOfSelection;

    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(upperAscii(static_cast<unsigned char>(c)));

    int position = positionOfCurrent();
    const int n = m_deck.count();
    // Every card is passed at most once per press, so the loop ends even if the walk's
    // bookkeeping were ever wrong.
    for (int steps = 0; position >= 0 && steps <= n; ++steps) {
#if defined(__GNUC__)
        // The walk reads cards scattered over the heap: ask for the next ones early.
        const int ahead = (position + 4) % n;
        __builtin_prefetch(m_deck.card(ahead).body);
        __builtin_prefetch(m_deck.card(ahead).body + 64);
        __builtin_prefetch(m_deck.card(ahead).body + 128);
#endif
        const std::string_view body = m_deck.card(position).bodyText();
        // Skip what was already shown; the text may have been edited since.
        std::size_t offset = 0;
        bool skipped = true;
        for (int i = 0; i < m_passed; ++i) {
            const std::size_t q = find(body, upper, offset);
            if (q == std::string_view::npos) {
                skipped = false;
                break;
            }
            offset = q + upper.size();
        }
        const std::size_t q = skipped ? find(body, upper, offset) : std::string_view::npos;
        if (q != std::string_view::npos) {
            ++m_passed;
            m_deck.BringCardToFront(position);
            m_position = 0;
            match.start = static_cast<int>(q);
            match.length = static_cast<int>(upper.size());
            return Result::Found;
        }
        m_passed = 0;
        if (m_current == m_last)
            break;
        position = position + 1 == n ? 0 : position + 1;
        m_current = &m_deck.card(position);
        m_position = position;
    }
    m_current = m_last = nullptr;
    return Result::EndOfSelection;
}

void FindWalk::cardRemoving(const Card& card, int position) {
    if (hasEnded())
        return;
    const int n = m_deck.count();
    if (&card == m_current) {
        if (m_current == m_last || n <= 1) {
            m_current = m_last = nullptr;
            return;
        }
        m_current = &m_deck.card(position + 1 == n ? 0 : position + 1);
        m_passed = 0;
    } else if (&card == m_last) {
        m_last = &m_deck.card(position == 0 ? n - 1 : position - 1);
    }
}

void FindWalk::cardsClearing() {
    m_current = m_last = nullptr;
}
