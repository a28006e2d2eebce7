#include "deck/Deck.h"
#include "deck/CharacterSet.h"
#include "deck/IndexOrder.h"
#include "support/DeckHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

TEST(IndexOrder, FoldsOnlyCapitalLettersAndComparesBytesUnsigned) {
    EXPECT_EQ(CompareIndexes("apple", "APPLE"), 0);
    EXPECT_LT(CompareIndexes("a", "ab"), 0);
    EXPECT_GT(CompareIndexes("ab", "a"), 0);
    EXPECT_LT(CompareIndexes("", "a"), 0);
    // '_' (0x5F) lies between the capitals and the small letters; folding puts it before both.
    EXPECT_LT(CompareIndexes("_tmp", "abc"), 0);
    EXPECT_LT(CompareIndexes("_tmp", "ABC"), 0);
    EXPECT_LT(CompareIndexes("[", "A"), 0);
    EXPECT_LT(CompareIndexes(" ", "["), 0);
    EXPECT_LT(CompareIndexes("9", "["), 0);
    // Bytes above 0x7F sort after ASCII and are not folded.
    EXPECT_GT(CompareIndexes("\xC9", "z"), 0);
    EXPECT_NE(CompareIndexes("\xC9", "\xE9"), 0);
}

TEST(Deck, SortIsStableAndUsesTheIndexOrder) {
    Deck deck;
    addCards(deck, {"banana", "Apple", "cherry"});
    deck.SortByIndex();
    EXPECT_EQ(indexesOf(deck), (Indexes{"Apple", "banana", "cherry"}));

    Deck zoo;
    addCards(zoo, {"Zoo", "_tmp", "abc", "ab", "a"});
    zoo.SortByIndex();
    EXPECT_EQ(indexesOf(zoo), (Indexes{"_tmp", "a", "ab", "abc", "Zoo"}));

    // Equal indexes keep their former order, also from a rotated deck.
    Deck equal;
    addCards(equal, {"x", "APPLE", "b", "apple", "Apple"});
    putBody(equal, 1, "first");
    putBody(equal, 3, "second");
    putBody(equal, 4, "third");
    equal.BringCardToFront(1);
    equal.SortByIndex();
    ASSERT_EQ(indexesOf(equal), (Indexes{"APPLE", "apple", "Apple", "b", "x"}));
    EXPECT_EQ(equal.card(0).bodyText(), "first");
    EXPECT_EQ(equal.card(2).bodyText(), "third");
}

TEST(Deck, SortMatchesAStableReferenceOnManyEqualKeys) {
    // Short keys of a few letters (many equal), and long ones that share beginnings of every
    // length up to the whole field, with any byte after them.
    std::mt19937 rng(7);
    const auto shortKey = [&] {
        std::string index(1 + rng() % 3, 'a');
        for (char& c : index)
            c = "aAbB_"[rng() % 5];
        return index;
    };
    const auto longKey = [&] {
        std::string index(rng() % 42, 'M');
        for (std::size_t i = 0; i < index.size(); ++i)
            index[i] = "Mm\xE9"[rng() % (i < 30 ? 2 : 3)];
        if (rng() % 2 && !index.empty())
            index.back() = static_cast<char>(1 + rng() % 255);
        return index;
    };
    for (const auto& makeKey : {std::function<std::string()>(shortKey), {longKey}}) {
        for (const int n : {2, 40, 5000}) {
            Deck deck;
            std::vector<std::pair<std::string, int>> reference;
            for (int i = 0; i < n; ++i) {
                deck.AppendCard(makeKey());
                putTag(deck, i, i + 1);
                reference.emplace_back(deck.card(i).indexText(), i + 1);
            }
            // Sorted as it comes, and again once turned as a file saved with another card in
            // front comes in.
            const auto less = [](const auto& a, const auto& b) {
                return CompareIndexes(a.first, b.first) < 0;
            };
            for (const int turn : {0, static_cast<int>(rng() % n)}) {
                deck.BringCardToFront(turn);
                std::rotate(reference.begin(), reference.begin() + turn, reference.end());
                deck.SortByIndex();
                std::stable_sort(reference.begin(), reference.end(), less);
                for (int k = 0; k < deck.count(); ++k)
                    ASSERT_EQ(deck.card(k).tag(), reference[static_cast<std::size_t>(k)].second)
                        << n << " " << turn;
                ASSERT_EQ(deck.firstInIndexOrder(), 0);
            }
        }
    }
}

TEST(Deck, RotationsKeepTheCyclicOrder) {
    Deck deck;
    addCards(deck, {"A", "B", "C", "D", "E"});
    deck.BringCardToFront(0);
    EXPECT_EQ(indexesOf(deck), (Indexes{"A", "B", "C", "D", "E"}));
    deck.BringCardToFront(2);
    EXPECT_EQ(indexesOf(deck), (Indexes{"C", "D", "E", "A", "B"}));
    deck.BringCardToFront(4);
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C", "D", "E", "A"}));
    // Appending after a rotation puts the card at the back of the current order.
    deck.AppendCard("F");
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C", "D", "E", "A", "F"}));
    EXPECT_EQ(deck.positionOf(&deck.card(3)), 3);
    CardBlock stranger;
    stranger.append("A");
    EXPECT_EQ(deck.positionOf(&*stranger.begin()), -1);
}

TEST(Deck, IndexSearchesLookWhereTheyShould) {
    Deck exact;
    addCards(exact, {"a", "B", "b"});
    EXPECT_TRUE(exact.BringExactIndexToFront("b"));
    EXPECT_EQ(indexesOf(exact), (Indexes{"b", "a", "B"}));
    // The front card is never examined.
    EXPECT_FALSE(exact.BringExactIndexToFront("b"));
    EXPECT_EQ(exact.card(0).indexText(), "b");

    Deck folded;
    addCards(folded, {"apple", "pear"});
    EXPECT_TRUE(folded.BringIndexToFront("APPLE"));
    EXPECT_EQ(folded.card(0).indexText(), "apple");
    EXPECT_TRUE(folded.BringIndexToFront("PEAR"));
    EXPECT_EQ(folded.card(0).indexText(), "pear");
    EXPECT_FALSE(folded.BringIndexToFront("plum"));
    EXPECT_EQ(folded.card(0).indexText(), "pear");

    Deck initials;
    addCards(initials, {"Apple", "banana", "Cherry"});
    EXPECT_TRUE(initials.JumpToInitial('c'));
    EXPECT_EQ(initials.card(0).indexText(), "Cherry");
    EXPECT_FALSE(initials.JumpToInitial('c'));
    EXPECT_TRUE(initials.JumpToInitial('b'));
    EXPECT_EQ(initials.card(0).indexText(), "banana");
    EXPECT_FALSE(initials.JumpToInitial('q'));

    Deck one;
    addCards(one, {"cat"});
    EXPECT_FALSE(one.JumpToInitial('c'));
    EXPECT_FALSE(one.BringExactIndexToFront("cat"));

    // Any byte may be asked for: only the letters A-Z pair with their small letters.
    Deck bytes;
    addCards(bytes, {"a", "[x", "{y", "\xe9t\xe9", "\xc9t\xe9"});
    EXPECT_TRUE(bytes.JumpToInitial('{'));
    EXPECT_EQ(bytes.card(0).indexText(), "{y");
    EXPECT_TRUE(bytes.JumpToInitial('['));
    EXPECT_EQ(bytes.card(0).indexText(), "[x");
    EXPECT_TRUE(bytes.JumpToInitial('\xc9'));
    EXPECT_EQ(bytes.card(0).indexText(), "\xc9t\xe9");
    EXPECT_TRUE(bytes.JumpToInitial('\xe9'));
    EXPECT_EQ(bytes.card(0).indexText(), "\xe9t\xe9");
    EXPECT_FALSE(bytes.JumpToInitial('\0'));
    EXPECT_FALSE(bytes.JumpToInitial('\x7f'));
}

TEST(Deck, RemovingCards) {
    Deck deck;
    addCards(deck, {"A", "B", "C"});
    deck.RemoveFrontCard();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C"}));
    deck.BringCardToFront(1);
    deck.RemoveFrontCard();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B"}));
    deck.RemoveFrontCard();
    EXPECT_TRUE(deck.isEmpty());
    EXPECT_EQ(deck.count(), 0);
    deck.RemoveFrontCard(); // nothing to remove

    addCards(deck, {"A", "B", "C", "D"});
    deck.BringCardToFront(3);
    deck.RemoveFrontCard();
    EXPECT_EQ(indexesOf(deck), (Indexes{"A", "B", "C"}));
    deck.RemoveAllCards();
    EXPECT_TRUE(deck.isEmpty());
    // Nothing to bring back is nothing done.
    EXPECT_FALSE(deck.hasDeletedCard());
    EXPECT_EQ(deck.Undelete(), nullptr);
    EXPECT_TRUE(deck.isEmpty());
}

// A listener that stops listening while it is told, or makes another stop, never makes the
// others miss the news.
TEST(Deck, ListenersMayStopListeningWhileTheyAreTold) {
    Deck deck;
    struct Listener : DeckObserver {
        Deck* deck = nullptr;
        DeckObserver* alsoRemove = nullptr;
        int told = 0;
        void deckChanged(DeckChanges) override {
            ++told;
            deck->removeObserver(this);
            if (alsoRemove)
                deck->removeObserver(alsoRemove);
        }
    } first, second, third;
    for (Listener* l : {&first, &second, &third}) {
        l->deck = &deck;
        deck.addObserver(l);
    }
    second.alsoRemove = &third;
    deck.AppendCard("a");
    EXPECT_EQ(first.told, 1);
    EXPECT_EQ(second.told, 1);
    EXPECT_EQ(third.told, 0); // it had stopped listening before its turn
    deck.AppendCard("b");
    EXPECT_EQ(first.told + second.told + third.told, 2);
}

// The deck knows what was saved: an edit that puts a card back as it was is no change, and a
// copy of the deck for another thread stays as it was while the deck changes.
TEST(Deck, TheSavedStateAndSnapshots) {
    Deck deck;
    addCards(deck, {"a", "b"});
    putBody(deck, 0, "saved");
    EXPECT_FALSE(deck.isModified());
    const DeckSnapshot before = deck.snapshot();
    deck.setBody(0, "typed");
    EXPECT_TRUE(deck.isModified());
    deck.setIndex(1, "c");
    deck.setBody(0, "saved");
    EXPECT_TRUE(deck.isModified());
    deck.setIndex(1, "b");
    EXPECT_FALSE(deck.isModified());
    // Away from the saved text again, and back (an undo, a redo, an undo).
    deck.setBody(0, "again");
    EXPECT_TRUE(deck.isModified());
    deck.setBody(0, "saved");
    EXPECT_FALSE(deck.isModified());
    EXPECT_EQ(before.card(0).bodyText(), "saved");
    EXPECT_EQ(deck.savedState().card(1).indexText(), "b");
    // Cards that came or went keep it modified until it is saved.
    deck.AppendCard("d");
    deck.BringCardToFront(2);
    deck.RemoveFrontCard();
    EXPECT_TRUE(deck.isModified());
    deck.markClean();
    EXPECT_FALSE(deck.isModified());
}

TEST(Deck, ObserverHearsOfEveryCardBeforeItGoes) {
    struct Recorder : DeckObserver {
        std::vector<std::string> removed;
        int clears = 0;
        void cardRemoving(const Card& card, int position) override {
            removed.push_back(std::string(card.indexText()) + "@" + std::to_string(position));
        }
        void cardsClearing() override { ++clears; }
    } recorder;
    Deck deck;
    deck.addObserver(&recorder);
    addCards(deck, {"A", "B"});
    deck.RemoveFrontCard();
    deck.RemoveAllCards();
    deck.RemoveAllCards();
    EXPECT_EQ(recorder.removed, (std::vector<std::string>{"A@0"}));
    EXPECT_EQ(recorder.clears, 1);
}

TEST(WesternText, EveryByteRoundTripsAndForeignCharactersAreRefused) {
    const CharacterSet western;
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = western.decode(all);
    ASSERT_EQ(text.size(), 255);
    EXPECT_EQ(text[0x80 - 1], QChar(0x20AC)); // the euro sign
    EXPECT_EQ(text[0xE9 - 1], QChar(0xE9));
    const auto back = western.encode(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toStdString(), all);
    EXPECT_FALSE(western.encode(QStringLiteral("caf\u00e9 \u4e2d")));
    EXPECT_FALSE(western.encode(QStringLiteral("\U0001F600")));
    EXPECT_EQ(western.encodedSize(QChar(0x2122)), 1);
    EXPECT_EQ(western.encodedSize(QChar(0x0100)), 0);
}
