#include "deck/DeckMerge.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <tuple>

namespace {

using Content = std::tuple<std::string, std::string, bool>;
using Counts = std::map<Content, int>;

Counts countsOf(const CardBlock& block) {
    Counts counts;
    for (const Card& card : block)
        ++counts[{std::string(card.indexText()), std::string(card.bodyText()), card.isTagged()}];
    return counts;
}

int count(const Counts& counts, const Content& c) {
    const auto it = counts.find(c);
    return it == counts.end() ? 0 : it->second;
}

// A side's edits of the base: each card kept, deleted, retitled, rewritten or retagged, and
// new cards; `shared` edits come out the same on both sides.
CardBlock edit(const CardBlock& base, std::mt19937& random, unsigned shared) {
    CardBlock out;
    std::mt19937 same(shared);
    int k = 0;
    for (const Card& card : base) {
        std::string index(card.indexText()), body(card.bodyText());
        bool tagged = card.isTagged();
        const unsigned roll = (k++ % 7 == 0 ? same() : random()) % 10;
        if (roll == 0)
            continue; // deleted
        if (roll == 1)
            index += "'";
        else if (roll == 2)
            body += " more";
        else if (roll == 3)
            tagged = !tagged;
        out.append(index, body, tagged ? 1 : 0);
    }
    for (int n = static_cast<int>(random() % 4); n > 0; --n)
        out.append(std::string("new ").append(std::to_string(random() % 6)),
                   std::string("b").append(std::to_string(random() % 3)));
    return out;
}

DeckMerge::Result merged(const CardBlock& base, const CardBlock& mine, const CardBlock& theirs) {
    return DeckMerge::merge({base.cards(), mine.cards(), theirs.cards(), true, {}});
}

} // namespace

// Random edits on both sides of random decks: every card either side added or changed is in
// the result, no card comes more often than a side has it, one side's changes alone give that
// side's deck, and the result is the same whichever side is "mine".
TEST(DeckMerge, NothingEitherSideWroteIsLostAndNothingIsDoubled) {
    std::mt19937 random(31);
    for (int round = 0; round < 2000; ++round) {
        CardBlock base;
        const int n = static_cast<int>(random() % 30);
        for (int i = 0; i < n; ++i)
            base.append("card " + std::to_string(i % 12) + (i >= 12 ? "b" : ""),
                        "body " + std::to_string(i), static_cast<std::int32_t>(random() % 2));
        const unsigned shared = static_cast<unsigned>(random());
        const CardBlock mine = edit(base, random, shared);
        const CardBlock theirs = edit(base, random, shared);
        const DeckMerge::Result result = merged(base, mine, theirs);
        const Counts b = countsOf(base), m = countsOf(mine), t = countsOf(theirs),
                     r = countsOf(result.cards);
        for (const auto& [c, k] : m)
            ASSERT_GE(count(r, c), std::max(0, k - count(b, c))) << round; // mine's new ones
        for (const auto& [c, k] : t)
            ASSERT_GE(count(r, c), std::max(0, k - count(b, c))) << round; // theirs' new ones
        for (const auto& [c, k] : r)
            ASSERT_LE(k, std::max(count(m, c), count(t, c))) << round; // nothing doubled
        // The same, seen from the other side.
        ASSERT_EQ(countsOf(merged(base, theirs, mine).cards), r) << round;
        // One side's changes alone.
        ASSERT_EQ(countsOf(merged(base, mine, base).cards), m) << round;
        ASSERT_EQ(countsOf(merged(base, base, theirs).cards), t) << round;
    }
}

// The rules on one card: one side's change wins, both sides' different changes are both
// kept and named, alike changes come once, a change meets a deletion and is kept.
TEST(DeckMerge, EachCaseOfOneCard) {
    CardBlock base;
    base.append("Apple", "red");
    base.append("Pear", "green");
    base.append("Plum", "blue");
    base.append("Kiwi", "brown");
    CardBlock mine;
    mine.append("Apple", "red and sweet"); // changed here only
    mine.append("Pear", "yellow");         // changed on both sides, differently
    mine.append("Plum", "purple");         // changed on both sides, alike
    mine.append("Kiwi", "brown, hairy");   // changed here, deleted there
    mine.append("Fig", "new");             // added here and there alike
    CardBlock theirs;
    theirs.append("Apple", "red");
    theirs.append("Pear", "golden");
    theirs.append("Plum", "purple");
    theirs.append("Fig", "new");
    const DeckMerge::Result r = merged(base, mine, theirs);
    const Counts counts = countsOf(r.cards);
    EXPECT_EQ(counts, (Counts{{{"Apple", "red and sweet", false}, 1},
                              {{"Pear", "yellow", false}, 1},
                              {{"Pear", "golden", false}, 1},
                              {{"Plum", "purple", false}, 1},
                              {{"Kiwi", "brown, hairy", false}, 1},
                              {{"Fig", "new", false}, 1}}));
    EXPECT_EQ(r.conflicts, (std::vector<std::string>{"Pear", "Kiwi"}));
    // Without a base every distinct card of both comes: a deleted one returns.
    const DeckMerge::Result u = DeckMerge::merge({{}, base.cards(), theirs.cards(), false, {}});
    EXPECT_EQ(countsOf(u.cards).size(), 7u);
    EXPECT_EQ(u.fromTheirsOnly, 3);
}
