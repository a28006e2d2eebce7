#include "deck/CharacterSet.h"
#include "session/DeckCommands.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <random>

namespace {

struct Shown {
    std::string card;
    int start;
    int end;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
    *os << s.card << ' ' << s.start << '-' << s.end;
}

} // namespace

class Find : public testing::Test {
protected:
    Deck deck;
    CharacterSet western;
    FakeUi ui;
    DeckCommands commands{deck, ui, ui, western};

    void cards(std::initializer_list<std::pair<const char*, const char*>> list) {
        const bool modified = deck.isModified();
        deck.appendCards(cardsOf(list));
        if (!modified)
            deck.markClean();
    }
    // One press of Find Next: the card then in front and the selection, or "end".
    Shown press(const char* text) {
        const std::size_t before = ui.messages.size();
        ui.selection = {-1, -1};
        commands.FindNext(QByteArray(text));
        if (ui.messages.size() > before) {
            EXPECT_EQ(ui.messages.back().text, QStringLiteral("End of Selection"));
            EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Quorix Info"));
            return {"end", -1, -1};
        }
        return {std::string(deck.card(0).indexText()), ui.selection.first, ui.selection.second};
    }
    void expectEnd(int times = 1) {
        for (int i = 0; i < times; ++i) {
            ui.answer(Answer::Ok);
            EXPECT_EQ(press("x"), (Shown{"end", -1, -1}));
        }
    }
};

TEST_F(Find, OneOccurrencePerPressAcrossTheDeck) {
    cards({{"A", "cat and cat"}, {"B", "dog"}, {"C", "Cat"}});
    commands.startFind();
    EXPECT_EQ(press("CAT"), (Shown{"A", 0, 3}));
    EXPECT_EQ(press("CAT"), (Shown{"A", 8, 11}));
    EXPECT_EQ(press("CAT"), (Shown{"C", 0, 3}));
    ui.answer(Answer::Ok).answer(Answer::Ok);
    EXPECT_EQ(press("CAT"), (Shown{"end", -1, -1}));
    EXPECT_EQ(press("CAT"), (Shown{"end", -1, -1}));
    EXPECT_FALSE(deck.isModified());
}

TEST_F(Find, CardsWithoutTheTextArePassedSilently) {
    cards({{"A", "x"}, {"B", "cat"}, {"C", "cat cat"}});
    commands.startFind();
    EXPECT_EQ(press("cat"), (Shown{"B", 0, 3}));
    EXPECT_EQ(press("cat"), (Shown{"C", 0, 3}));
    EXPECT_EQ(press("CaT"), (Shown{"C", 4, 7}));
    expectEnd();
}

TEST_F(Find, OccurrencesNeverOverlap) {
    cards({{"A", "aaaa"}});
    commands.startFind();
    EXPECT_EQ(press("aa"), (Shown{"A", 0, 2}));
    EXPECT_EQ(press("aa"), (Shown{"A", 2, 4}));
    expectEnd();
}

TEST_F(Find, FindStartsAgainFromTheCardThenInFront) {
    cards({{"A", "hit"}, {"B", "hit"}});
    commands.startFind();
    press("hit");
    press("hit");
    expectEnd();
    commands.startFind();
    EXPECT_EQ(press("hit"), (Shown{"B", 0, 3}));
    EXPECT_EQ(press("hit"), (Shown{"A", 0, 3}));
    expectEnd();
}

TEST_F(Find, RotatingTheDeckDoesNotDisturbTheWalk) {
    cards({{"A", "hit"}, {"B", "none"}, {"C", "hit"}, {"D", "hit"}});
    commands.startFind();
    EXPECT_EQ(press("hit"), (Shown{"A", 0, 3}));
    deck.BringCardToFront(3); // the user clicks D
    EXPECT_EQ(press("hit"), (Shown{"C", 0, 3}));
    EXPECT_EQ(press("hit"), (Shown{"D", 0, 3}));
    expectEnd();
}

TEST_F(Find, DeletingTheCardBeingSearchedGoesOnWithTheNext) {
    cards({{"A", "hit hit"}, {"B", "hit"}, {"C", "hit"}});
    commands.startFind();
    EXPECT_EQ(press("hit"), (Shown{"A", 0, 3}));
    deck.RemoveFrontCard(); // the user deletes A
    EXPECT_EQ(press("hit"), (Shown{"B", 0, 3}));
    // Deleting the walk's last card makes the one before it the last.
    deck.BringCardToFront(1);
    deck.RemoveFrontCard();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B"}));
    expectEnd();
}

TEST_F(Find, CardsAddedAheadOfTheWalkAreSearched) {
    cards({{"A", "hit"}, {"C", "none"}});
    commands.startFind();
    EXPECT_EQ(press("hit"), (Shown{"A", 0, 3}));
    putBody(deck, deck.positionOf(&deck.AppendCard("B")), "hit");
    deck.SortByIndex(); // as Add does: A B C
    EXPECT_EQ(press("hit"), (Shown{"B", 0, 3}));
    expectEnd();
}

TEST_F(Find, EmptyingTheDeckEndsTheWalk) {
    cards({{"A", "hit"}, {"B", "hit"}});
    commands.startFind();
    press("hit");
    deck.RemoveAllCards();
    commands.FindNext("hit"); // an empty deck: nothing to say
    EXPECT_TRUE(ui.messages.empty());
    cards({{"C", "hit"}});
    expectEnd();
}

TEST_F(Find, EditedTextIsCountedAgainstTheOccurrencesPassed) {
    cards({{"A", "one two one"}, {"B", "two"}});
    commands.startFind();
    EXPECT_EQ(press("one"), (Shown{"A", 0, 3}));
    // The text changes in the dialog: one occurrence of "two" counts as passed in A.
    EXPECT_EQ(press("two"), (Shown{"B", 0, 3}));
    expectEnd();
}

TEST_F(Find, TheSearchFunctionFoldsEveryLetterOfTheSet) {
    EXPECT_EQ(CharacterSet().find("Caf\xe9 CAF\xc9", "CAF\xc9", 0), 0u);
    EXPECT_EQ(CharacterSet().find("abc", "ABCD", 0), std::string_view::npos);
    EXPECT_EQ(CharacterSet().find("xyz", "", 0), std::string_view::npos);
    EXPECT_EQ(CharacterSet().find("line\r\nnext", "NEXT", 0), 6u);
}

// Capital and small letters of Windows-1252 as one letter: A-Z, À-Þ but ×, Š, Œ, Ž, Ÿ.
unsigned char capital1252(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<unsigned char>(c - 0x20);
    switch (c) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
        return static_cast<unsigned char>(c - 0x10);
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

TEST(FindSearch, EveryLetterMatchesItsCapitalAndTheFastSearchAgreesWithThePlainOne) {
    const CharacterSet western;
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(static_cast<unsigned char>(western.foldForSearch(one)[0]),
                  capital1252(static_cast<unsigned char>(b)))
            << b;
    }
    // The fast search against the plain definition: the first place at or after from where
    // every byte matches, letters taken as their capitals.
    const auto simple = [](std::string_view body, std::string_view upper, std::size_t from) {
        for (std::size_t i = from; !upper.empty() && i + upper.size() <= body.size(); ++i) {
            std::size_t j = 0;
            while (j < upper.size() && capital1252(static_cast<unsigned char>(body[i + j])) ==
                                           static_cast<unsigned char>(upper[j]))
                ++j;
            if (j == upper.size())
                return i;
        }
        return std::string_view::npos;
    };
    std::mt19937 random(5);
    const std::string alphabet = "aAbB \xe9\xc9[{\xff\x9f\xf7\xd7";
    for (int round = 0; round < 20000; ++round) {
        std::string body, text;
        for (int n = static_cast<int>(random() % 12); n > 0; --n)
            body += alphabet[random() % alphabet.size()];
        for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
            text += static_cast<char>(
                capital1252(static_cast<unsigned char>(alphabet[random() % alphabet.size()])));
        const std::size_t from = random() % (body.size() + 2);
        ASSERT_EQ(western.find(body, text, from), simple(body, text, from))
            << body << " / " << text << " from " << from;
    }
}
