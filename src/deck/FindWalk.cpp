#include "FindWalk.h"

#include "CharacterSet.h"

FindWalk::FindWalk(Deck& deck, const CharacterSet& characterSet)
    : m_deck(deck)
    , m_characterSet(characterSet) {
    m_deck.addObserver(this);
}

FindWalk::~FindWalk() {
    m_deck.removeObserver(this);
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

    const QByteArray folded = m_characterSet.foldForSearch(text);
    const std::string_view upper(folded.constData(), static_cast<std::size_t>(folded.size()));

    int position = positionOfCurrent();
    const int n = m_deck.count();
    // Every card is passed at most once per press, so the loop ends even if the walk's
    // bookkeeping were ever wrong.
    for (int steps = 0; position >= 0 && steps <= n; ++steps) {
#if defined(__GNUC__)
        // The walk reads cards scattered over the heap: ask for the next ones early.
        const int ahead = (position + 4) % n;
        const char* record = reinterpret_cast<const char*>(&m_deck.card(ahead));
        __builtin_prefetch(record);
        __builtin_prefetch(record + 64);
        __builtin_prefetch(record + 128);
#endif
        const std::string_view body = m_deck.card(position).bodyText();
        // Skip what was already shown; the text may have been edited since.
        std::size_t offset = 0;
        std::size_t end = 0; // where a match ends: its length may differ from the text's
        bool skipped = true;
        for (int i = 0; i < m_passed; ++i) {
            const std::size_t q = m_characterSet.find(body, upper, offset, &end);
            if (q == std::string_view::npos) {
                skipped = false;
                break;
            }
            offset = end;
        }
        const std::size_t q =
            skipped ? m_characterSet.find(body, upper, offset, &end) : std::string_view::npos;
        if (q != std::string_view::npos) {
            ++m_passed;
            m_deck.BringCardToFront(position);
            m_position = 0;
            match.start = static_cast<int>(q);
            match.length = static_cast<int>(end - q);
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

void FindWalk::cardReplaced(const Card& before, const Card& after) {
    // An edit makes the card anew: the walk goes on with it.
    if (m_current == &before)
        m_current = &after;
    if (m_last == &before)
        m_last = &after;
}

void FindWalk::cardsClearing() {
    m_current = m_last = nullptr;
}
