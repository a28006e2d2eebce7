#include "session/DeckCommands.h"
#include "deck/CharacterSet.h"
#include "support/DeckHelpers.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

class DeckEditing : public testing::Test {
protected:
    Deck deck;
    CharacterSet western;
    FakeUi ui;
    DeckCommands commands{deck, ui, ui, western};

    DeckEditing() { ui.watch(deck); }
};

TEST_F(DeckEditing, AddPutsTheNewCardInFrontOfTheSortedDeck) {
    addCards(deck, {"Apple", "zebra"});
    deck.BringCardToFront(1);
    ui.type("pear");
    commands.Add();
    EXPECT_EQ(indexesOf(deck), (Indexes{"pear", "zebra", "Apple"}));
    EXPECT_EQ(deck.card(0).bodyText(), "");
    EXPECT_EQ(deck.card(0).tag(), 0);
    EXPECT_TRUE(deck.isModified());
    EXPECT_EQ(ui.indexDialogs.at(0).first, IndexDialogMode::AddCard);
    EXPECT_EQ(ui.indexDialogs.at(0).second, QByteArray());
    // The deck announces the change once, and the window shows it.
    EXPECT_EQ(ui.log.mid(ui.log.indexOf(QStringLiteral("index:1")) + 1),
              (QStringList{QStringLiteral("relabel")}));
}

TEST_F(DeckEditing, AddWithAnEqualIndexPutsTheNewCardInFront) {
    addCards(deck, {"Apple", "kiwi"});
    putBody(deck, 0, "old");
    ui.type("apple");
    commands.Add();
    // The user types into the new card, never into the older one of the same name.
    EXPECT_EQ(indexesOf(deck), (Indexes{"apple", "kiwi", "Apple"}));
    EXPECT_EQ(deck.card(0).bodyText(), "");
    EXPECT_EQ(deck.card(2).bodyText(), "old");
}

TEST_F(DeckEditing, AddRefusesAnEmptyIndexAndCancelAddsNothing) {
    addCards(deck, {"a"});
    ui.type("").answer(Answer::Ok);
    commands.Add();
    EXPECT_EQ(ui.messages.at(0).text, QStringLiteral("Did Not Create Card"));
    EXPECT_EQ(ui.messages.at(0).caption, QStringLiteral("Quorix Warning"));
    EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Exclamation);
    ui.cancelIndex();
    commands.Add();
    EXPECT_EQ(deck.count(), 1);
    EXPECT_FALSE(deck.isModified());
}

TEST_F(DeckEditing, DeleteAsksAndRemovesTheFrontCard) {
    addCards(deck, {"A", "B", "C"});
    ui.answer(Answer::No);
    commands.Delete();
    EXPECT_EQ(ui.messages.at(0).text, QStringLiteral("Delete \"A\" ?"));
    EXPECT_EQ(ui.messages.at(0).caption, QStringLiteral("Delete Card"));
    EXPECT_EQ(ui.messages.at(0).icon, MessageIcon::Question);
    EXPECT_EQ(ui.messages.at(0).buttons, MessageButtons::YesNo);
    EXPECT_EQ(deck.count(), 3);
    EXPECT_FALSE(deck.isModified());

    ui.answer(Answer::Yes);
    commands.Delete();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C"}));
    EXPECT_TRUE(deck.isModified());

    Deck one;
    FakeUi oneUi;
    DeckCommands oneCommands(one, oneUi, oneUi, western);
    addCards(one, {"only"});
    oneUi.answer(Answer::Yes);
    oneCommands.Delete();
    EXPECT_TRUE(one.isEmpty());
    oneCommands.Delete(); // nothing left: no question
}

TEST_F(DeckEditing, EditIndexResortsAndBringsTheCardToTheFront) {
    addCards(deck, {"Apple", "Mango", "Pear"});
    ui.type("Zucchini");
    commands.EditIndex();
    EXPECT_EQ(indexesOf(deck), (Indexes{"Zucchini", "Mango", "Pear"}));
    EXPECT_EQ(ui.indexDialogs.at(0).first, IndexDialogMode::EditIndex);
    EXPECT_EQ(ui.indexDialogs.at(0).second, QByteArray("Apple"));
    EXPECT_TRUE(deck.isModified());
}

TEST_F(DeckEditing, EditIndexToAnExactTwinKeepsTheRenamedCardInFront) {
    addCards(deck, {"x", "b", "c"});
    putBody(deck, 0, "renamed");
    putBody(deck, 1, "the twin");
    ui.type("b");
    commands.EditIndex();
    EXPECT_EQ(indexesOf(deck), (Indexes{"b", "b", "c"}));
    EXPECT_EQ(deck.card(0).bodyText(), "renamed");
}

TEST_F(DeckEditing, EditIndexMarksTheDeckOnlyWhenTheIndexChanges) {
    addCards(deck, {"a", "b"});
    ui.cancelIndex();
    commands.EditIndex();
    EXPECT_FALSE(deck.isModified());
    ui.type("a");
    commands.EditIndex();
    EXPECT_FALSE(deck.isModified());

    ui.type("").answer(Answer::Ok);
    commands.EditIndex();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Did Not Change Text"));
    EXPECT_EQ(deck.card(0).indexText(), "a");
    EXPECT_FALSE(deck.isModified());

    ui.type("A"); // a change of case is a change
    commands.EditIndex();
    EXPECT_EQ(indexesOf(deck), (Indexes{"A", "b"}));
    EXPECT_TRUE(deck.isModified());
}

TEST_F(DeckEditing, GoToMatchesTheFirstLetterAndAnyPart) {
    addCards(deck, {"Apple", "Nine"});
    ui.type("ne");
    commands.GoTo();
    EXPECT_EQ(deck.card(0).indexText(), "Nine");
    EXPECT_FALSE(deck.isModified());

    deck.BringCardToFront(1);
    ui.type("ine").answer(Answer::Ok);
    commands.GoTo();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("\"ine\" Not Found"));
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Quorix Warning"));
    EXPECT_EQ(deck.card(0).indexText(), "Apple");

    // The front card itself is never examined.
    ui.type("Apple").answer(Answer::Ok);
    commands.GoTo();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("\"Apple\" Not Found"));

    ui.type("").answer(Answer::Ok);
    commands.GoTo();
    EXPECT_EQ(ui.messages.back().text, QStringLiteral("Text Not Found"));
    EXPECT_EQ(ui.messages.back().caption, QStringLiteral("Quorix Warning..."));
}

TEST_F(DeckEditing, GoToIgnoresCase) {
    addCards(deck, {"kiwi", "apple"});
    ui.type("APP");
    commands.GoTo();
    EXPECT_EQ(deck.card(0).indexText(), "apple");
}

TEST_F(DeckEditing, NavigationMoves) {
    addCards(deck, {"A", "B", "C", "D"});
    commands.Next();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C", "D", "A"}));
    commands.Previous();
    commands.Previous();
    EXPECT_EQ(indexesOf(deck), (Indexes{"D", "A", "B", "C"}));
    commands.bringToFront(2);
    EXPECT_EQ(deck.card(0).indexText(), "B");
    commands.bringToFront(99); // beyond the deck: ignored
    commands.jumpToInitial('d');
    EXPECT_EQ(deck.card(0).indexText(), "D");
    EXPECT_FALSE(deck.isModified());
}

TEST_F(DeckEditing, DuplicateUndeleteAndRestoreCard) {
    addCards(deck, {"Apple", "Kiwi"});
    putBody(deck, 0, "red");
    putTag(deck, 0, 1);
    commands.Duplicate();
    EXPECT_EQ(indexesOf(deck), (Indexes{"Apple", "Kiwi", "Apple"}));
    EXPECT_NE(&deck.card(0), &deck.card(2)); // the copy is in front
    EXPECT_EQ(deck.card(0).bodyText(), "red");
    EXPECT_EQ(deck.card(0).tag(), 1);
    EXPECT_TRUE(deck.isModified());

    // Restore Card undoes every change since the card came to the front, index and all.
    deck.markClean();
    EXPECT_FALSE(commands.canRestoreCard());
    putBody(deck, 0, "changed");
    ui.type("Zebra");
    commands.EditIndex();
    EXPECT_EQ(indexesOf(deck), (Indexes{"Zebra", "Apple", "Kiwi"}));
    EXPECT_TRUE(commands.canRestoreCard());
    commands.RestoreCard();
    EXPECT_EQ(deck.card(0).indexText(), "Apple");
    EXPECT_EQ(deck.card(0).bodyText(), "red");
    EXPECT_FALSE(commands.canRestoreCard());
    EXPECT_TRUE(deck.isModified());
    commands.Next(); // another card came to the front: nothing to restore for it
    EXPECT_FALSE(commands.canRestoreCard());

    // Undelete brings deleted cards back, the most recent first, each in front.
    deck.RemoveAllCards();
    EXPECT_FALSE(deck.hasDeletedCard());
    addCards(deck, {"A", "B", "C"});
    putBody(deck, 1, "b's body");
    ui.answer(Answer::Yes).answer(Answer::Yes);
    commands.Delete(); // A
    commands.Delete(); // B
    EXPECT_EQ(indexesOf(deck), (Indexes{"C"}));
    commands.Undelete();
    EXPECT_EQ(indexesOf(deck), (Indexes{"B", "C"}));
    EXPECT_EQ(deck.card(0).bodyText(), "b's body");
    commands.Undelete();
    EXPECT_EQ(indexesOf(deck), (Indexes{"A", "B", "C"}));
    EXPECT_FALSE(deck.hasDeletedCard());
    // Emptying the deck (New, Open, an import, closing) forgets the deleted cards.
    ui.answer(Answer::Yes);
    commands.Delete();
    deck.RemoveAllCards();
    EXPECT_FALSE(deck.hasDeletedCard());
}
