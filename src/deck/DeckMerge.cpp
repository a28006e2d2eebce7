#include "DeckMerge.h"

#include <bit>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace DeckMerge {

namespace {

// A card as the merge sees it: its texts, and tagged or not; hashed once.
struct Key {
    const Card* card;
    std::string_view index;
    std::string_view body;
    std::size_t hash;
    bool tagged;
    bool operator==(const Key& o) const {
        return hash == o.hash && tagged == o.tagged && index == o.index && body == o.body;
    }
};

std::vector<Key> keysOf(const std::vector<const Card*>& cards) {
    std::vector<Key> keys;
    keys.reserve(cards.size());
    for (const Card* card : cards) {
        const std::string_view index = card->indexText(), body = card->bodyText();
        const std::size_t a = std::hash<std::string_view>()(index);
        const std::size_t b = std::hash<std::string_view>()(body);
        const bool tagged = card->isTagged();
        keys.push_back({card, index, body,
                        a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2)) ^ (tagged ? 1 : 0),
                        tagged});
    }
    return keys;
}

struct KeyHash {
    std::size_t operator()(const Key& k) const { return k.hash; }
};

// The cards of a list by their keys, each to be taken once, the first first: a flat table,
// since every card of a large deck goes through it.
class KeyIndex {
public:
    explicit KeyIndex(const std::vector<Key>& keys)
        : m_keys(keys)
        , m_mask(std::bit_ceil(std::max<std::size_t>(16, keys.size() * 2)) - 1)
        , m_some(m_mask + 1, -1)
        , m_first(m_mask + 1, -1)
        , m_next(keys.size(), -1) {
        for (std::size_t i = keys.size(); i-- > 0;) {
            const std::size_t s = slot(keys[i]);
            m_some[s] = static_cast<int>(i);
            m_next[i] = m_first[s];
            m_first[s] = static_cast<int>(i);
        }
    }
    // The first card with the key not yet taken, or -1.
    int take(const Key& key) {
        const std::size_t s = slot(key);
        const int i = m_first[s];
        if (i >= 0)
            m_first[s] = m_next[static_cast<std::size_t>(i)];
        return i;
    }

private:
    std::size_t slot(const Key& key) const {
        std::size_t s = key.hash & m_mask;
        while (m_some[s] >= 0 && !(m_keys[static_cast<std::size_t>(m_some[s])] == key))
            s = (s + 1) & m_mask;
        return s;
    }
    const std::vector<Key>& m_keys;
    std::size_t m_mask;
    std::vector<int> m_some;  // a card with the slot's key
    std::vector<int> m_first; // the first of them not yet taken
    std::vector<int> m_next;
};

enum class State { Kept, Deleted, Changed };

// What one side did to each card of the base.
struct Side {
    std::vector<State> state;
    std::vector<int> to;     // Kept or Changed: the side's card that stands for a base card
    std::vector<int> baseOf; // the base card each of the side's cards stands for, or -1
    std::vector<int> added;  // in the side's order
    int changes = 0;
};

Side analyse(const std::vector<Key>& base, const std::vector<Key>& side,
             const std::function<const Card*(const Card*)>& origin) {
    const std::size_t n = base.size();
    Side s;
    s.state.assign(n, State::Deleted);
    s.to.assign(n, -1);
    s.baseOf.assign(side.size(), -1);
    // Cards the side still has as they were.
    std::vector<int> fresh;
    {
        KeyIndex byKey(base);
        for (std::size_t j = 0; j < side.size(); ++j) {
            const int i = byKey.take(side[j]);
            if (i >= 0) {
                s.state[static_cast<std::size_t>(i)] = State::Kept;
                s.to[static_cast<std::size_t>(i)] = static_cast<int>(j);
                s.baseOf[j] = i;
            } else {
                fresh.push_back(static_cast<int>(j));
            }
        }
    }
    // The base cards it no longer has, paired with its new cards: by the record of its edits,
    // then the most alike first: both texts (the tag changed), the body (retitled), the index.
    std::unordered_map<const Card*, int> gone;
    std::unordered_map<std::string_view, std::vector<int>> goneByIndex, goneByBody, goneByBoth;
    std::vector<std::string> both; // index and body, for the pairs' keys
    for (std::size_t i = n; i-- > 0;) {
        if (s.state[i] == State::Kept)
            continue;
        gone.emplace(base[i].card, static_cast<int>(i));
        goneByIndex[base[i].index].push_back(static_cast<int>(i));
        if (!base[i].body.empty())
            goneByBody[base[i].body].push_back(static_cast<int>(i));
        both.push_back(std::string(base[i].index) + '\0' + std::string(base[i].body));
    }
    // Keys into `both` only once it no longer grows.
    for (std::size_t k = 0, i = n; i-- > 0;) {
        if (s.state[i] != State::Kept)
            goneByBoth[both[k++]].push_back(static_cast<int>(i));
    }
    std::vector<bool> paired(n, false);
    const auto pair = [&](int j, int i) {
        paired[static_cast<std::size_t>(i)] = true;
        s.state[static_cast<std::size_t>(i)] = State::Changed;
        s.to[static_cast<std::size_t>(i)] = j;
        s.baseOf[static_cast<std::size_t>(j)] = i;
    };
    const auto take = [&](std::unordered_map<std::string_view, std::vector<int>>& map,
                          std::string_view key) {
        auto it = map.find(key);
        if (it == map.end())
            return -1;
        while (!it->second.empty() && paired[static_cast<std::size_t>(it->second.back())])
            it->second.pop_back();
        if (it->second.empty())
            return -1;
        const int i = it->second.back();
        it->second.pop_back();
        return i;
    };
    std::vector<int> unpaired;
    for (int j : fresh) {
        if (origin) {
            if (const Card* from = origin(side[static_cast<std::size_t>(j)].card)) {
                auto it = gone.find(from);
                if (it != gone.end() && !paired[static_cast<std::size_t>(it->second)]) {
                    pair(j, it->second);
                    continue;
                }
            }
        }
        unpaired.push_back(j);
    }
    const auto pass = [&](auto keyOfCard, auto& map) {
        std::vector<int> rest;
        for (int j : unpaired) {
            const std::optional<std::string> key = keyOfCard(side[static_cast<std::size_t>(j)]);
            const int i = key ? take(map, *key) : -1;
            if (i >= 0)
                pair(j, i);
            else
                rest.push_back(j);
        }
        unpaired = std::move(rest);
    };
    pass(
        [](const Key& c) {
            return std::optional<std::string>(std::string(c.index) + '\0' + std::string(c.body));
        },
        goneByBoth);
    pass(
        [](const Key& c) {
            return c.body.empty() ? std::nullopt : std::optional<std::string>(c.body);
        },
        goneByBody);
    pass([](const Key& c) { return std::optional<std::string>(c.index); }, goneByIndex);
    s.added = std::move(unpaired);
    for (State state : s.state)
        s.changes += state != State::Kept;
    s.changes += static_cast<int>(s.added.size());
    return s;
}

// The cards chosen, as a block.
CardBlock blockOf(const std::vector<const Key*>& chosen) {
    std::size_t bytes = 0;
    for (const Key* k : chosen)
        bytes += k->card->size();
    CardBlock block(bytes);
    for (const Key* k : chosen)
        block.append(*k->card);
    return block;
}

// Keeps every distinct card of both: what a merge without a base can do.
Result unite(const Input& input) {
    const std::vector<Key> mine = keysOf(input.mine), theirs = keysOf(input.theirs);
    KeyIndex mineByKey(mine);
    Result result;
    std::vector<const Key*> chosen;
    chosen.reserve(mine.size() + theirs.size());
    for (const Key& k : mine)
        chosen.push_back(&k);
    for (const Key& k : theirs) {
        if (mineByKey.take(k) >= 0)
            continue;
        chosen.push_back(&k);
        result.conflicts.emplace_back(k.index);
        ++result.fromTheirsOnly;
    }
    result.cards = blockOf(chosen);
    return result;
}

} // namespace

bool descendsFrom(const std::vector<const Card*>& base, const std::vector<const Card*>& other) {
    if (base.empty())
        return false;
    const std::vector<Key> otherKeys = keysOf(other), baseKeys = keysOf(base);
    KeyIndex byKey(otherKeys);
    std::size_t kept = 0;
    for (const Key& k : baseKeys)
        kept += byKey.take(k) >= 0;
    return kept * 2 >= base.size();
}

Result merge(const Input& input) {
    if (!input.baseKnown)
        return unite(input);
    const std::vector<Key> base = keysOf(input.base), mineKeys = keysOf(input.mine),
                           theirsKeys = keysOf(input.theirs);
    const Side mine = analyse(base, mineKeys, input.mineOrigin);
    const Side theirs = analyse(base, theirsKeys, {});
    Result result;
    result.changedHere = mine.changes;
    result.changedThere = theirs.changes;
    std::vector<const Key*> chosen;
    chosen.reserve(mineKeys.size() + theirs.added.size() + 16);
    const auto conflict = [&](const Key& a, const Key* b) {
        result.conflicts.emplace_back(a.index);
        if (b && b->index != a.index)
            result.conflicts.emplace_back(b->index);
    };
    // Cards added on both sides alike come once.
    std::vector<bool> addedTwice(theirsKeys.size(), false); // theirs' copies of mine's additions
    std::unordered_map<Key, std::vector<int>, KeyHash> theirsAddedByKey;
    for (int j : theirs.added)
        theirsAddedByKey[theirsKeys[static_cast<std::size_t>(j)]].push_back(j);

    for (std::size_t j = 0; j < mineKeys.size(); ++j) {
        const Key& card = mineKeys[j];
        const int at = mine.baseOf[j];
        if (at < 0) { // added here
            auto same = theirsAddedByKey.find(card);
            if (same != theirsAddedByKey.end() && !same->second.empty()) {
                addedTwice[static_cast<std::size_t>(same->second.back())] = true;
                same->second.pop_back();
            }
            chosen.push_back(&card);
            continue;
        }
        const auto i = static_cast<std::size_t>(at);
        const State here = mine.state[i];
        const State there = theirs.state[i];
        const Key* other =
            theirs.to[i] >= 0 ? &theirsKeys[static_cast<std::size_t>(theirs.to[i])] : nullptr;
        if (here == State::Kept) {
            if (there == State::Kept)
                chosen.push_back(&card);
            else if (there == State::Changed)
                chosen.push_back(other);
            // deleted there: gone
            continue;
        }
        // Changed here.
        chosen.push_back(&card);
        if (there == State::Deleted) {
            conflict(card, nullptr); // kept, though deleted there
        } else if (there == State::Changed && !(*other == card)) {
            chosen.push_back(other);
            conflict(card, other);
        }
    }
    for (std::size_t j = 0; j < theirsKeys.size(); ++j) {
        const int at = theirs.baseOf[j];
        if (at < 0) { // added there
            if (!addedTwice[j])
                chosen.push_back(&theirsKeys[j]);
            continue;
        }
        const auto i = static_cast<std::size_t>(at);
        // Changed there, deleted here: kept.
        if (theirs.state[i] == State::Changed && mine.state[i] == State::Deleted) {
            chosen.push_back(&theirsKeys[j]);
            conflict(theirsKeys[j], nullptr);
        }
    }
    // Where the two sides paired the same new card with different cards of the base (alike
    // cards, alike edits), it would come twice: no card comes more often than a side has it.
    KeyIndex inMine(mineKeys), inTheirs(theirsKeys);
    std::erase_if(chosen, [&](const Key* k) {
        const bool a = inMine.take(*k) >= 0;
        const bool b = inTheirs.take(*k) >= 0;
        return !a && !b;
    });
    result.cards = blockOf(chosen);
    return result;
}

} // namespace DeckMerge
