#include "support/FrameFixture.h"
#include "ui/CommandTable.h"
#include "ui/IndexList.h"
#include "ui/IndexListModel.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>

#include <map>
#include <random>
#include <set>

// The list view: every index, a filter over index and body, and the front card selected.
class ListView : public FrameFixture {
protected:
    IndexList* list() const { return frame->indexList(); }
    QStringList rows() const {
        QStringList out;
        const auto* model = list()->list()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            out << model->index(r, 0).data().toString();
        return out;
    }
    QString selected() const { return list()->list()->currentIndex().data().toString(); }
};

TEST_F(ListView, ShowsEveryIndexInIndexOrderWithTheFrontCardSelected) {
    showCards({"Apple", "Banana", "Cherry", "Date"});
    frame->deck().BringCardToFront(2);  // Cherry in front
    EXPECT_FALSE(frame->isListShown()); // the program starts with the cards
    QTest::keyClick(frame.get(), Qt::Key_F6);
    ASSERT_TRUE(frame->isListShown());
    EXPECT_TRUE(frame->action(Cmd::ViewList)->isChecked());
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Apple"), QStringLiteral("Banana"),
                                   QStringLiteral("Cherry"), QStringLiteral("Date")}));
    EXPECT_EQ(selected(), QStringLiteral("Cherry"));
    EXPECT_TRUE(list()->filterBox()->hasFocus());

    // Selecting an entry brings its card to the front; the entries stay where they are.
    QTest::keyClick(list()->filterBox(), Qt::Key_Down);
    EXPECT_TRUE(list()->list()->hasFocus());
    QTest::keyClick(list()->list(), Qt::Key_Up);
    EXPECT_EQ(indexes().front(), "Banana");
    QTest::keyClick(list()->list(), Qt::Key_End);
    EXPECT_EQ(indexes().front(), "Date");
    EXPECT_EQ(rows().front(), QStringLiteral("Apple"));
    // So every command on the front card acts on the selected one.
    script.answer(Answer::Yes);
    frame->runCommand(Cmd::Delete);
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(selected(), QStringLiteral("Apple"));

    // Enter opens the card view with that card in front and the keyboard in its body.
    QTest::keyClick(list()->list(), Qt::Key_Down);
    QTest::keyClick(list()->list(), Qt::Key_Return);
    EXPECT_FALSE(frame->isListShown());
    EXPECT_EQ(indexes().front(), "Banana");
    EXPECT_TRUE(editor()->hasFocus());
    // Screen readers hear each entry by its index.
    frame->showView(true);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list()->list());
    ASSERT_NE(iface, nullptr);
    bool named = false;
    for (int i = 0; i < iface->childCount(); ++i)
        named = named || iface->child(i)->text(QAccessible::Name) == QStringLiteral("Cherry");
    EXPECT_TRUE(named);
}

TEST_F(ListView, TypingFiltersOnIndexAndBody) {
    showCards({"Apple", "Banana", "Cherry"});
    putBody(frame->deck(), 1, "yellow, more or less");
    putBody(frame->deck(), 2, "small and RED when ripe");
    frame->runCommand(Cmd::ViewList);
    QTest::keyClicks(list()->filterBox(), QStringLiteral("re"));
    // "re" in Cherry's body (RED, case folded) and in Banana's ("more").
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Banana"), QStringLiteral("Cherry")}));
    QTest::keyClicks(list()->filterBox(), QStringLiteral("d "));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("Cherry")});
    EXPECT_EQ(frame->deckStatusBar()->countText(), QStringLiteral("1 of 3 Cards"));
    // Down and Enter: the one card found, in front, in the card view.
    QTest::keyClick(list()->filterBox(), Qt::Key_Down);
    QTest::keyClick(list()->list(), Qt::Key_Return);
    EXPECT_EQ(indexes().front(), "Cherry");
    EXPECT_FALSE(frame->isListShown());
    // The filter is kept while the list stays open, and Escape clears it.
    frame->runCommand(Cmd::ViewList);
    EXPECT_EQ(list()->filterBox()->text(), QStringLiteral("red "));
    QTest::keyClick(list()->filterBox(), Qt::Key_Escape);
    EXPECT_EQ(rows().size(), 3);
    EXPECT_EQ(frame->deckStatusBar()->countText(), QStringLiteral("3 Cards"));
}

TEST_F(ListView, TheMenuCommandsWorkFromTheList) {
    showCards({"Apple", "Kiwi"});
    frame->runCommand(Cmd::ViewList);
    list()->list()->setCurrentIndex(list()->list()->model()->index(1, 0));
    EXPECT_EQ(indexes().front(), "Kiwi");
    frame->runCommand(Cmd::Duplicate);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("Apple"), QStringLiteral("Kiwi"),
                                   QStringLiteral("Kiwi")}));
    EXPECT_TRUE(frame->isCommandEnabled(Cmd::Undelete) == false);
    script.answer(Answer::Yes);
    frame->runCommand(Cmd::Delete);
    ASSERT_TRUE(frame->isCommandEnabled(Cmd::Undelete));
    frame->runCommand(Cmd::Undelete);
    EXPECT_EQ(rows().size(), 3);
    EXPECT_TRUE(frame->deck().isModified());
}

// A seeded run of what a user does in the list (filter, edit keys, delete, add, duplicate,
// undelete, re-index, switch views): after every step no card the user could not see has
// changed or gone, and while cards are listed the front card is one of them.
TEST_F(ListView, CommandsChangeOnlyTheCardsTheListShows) {
    showCards({"Apple", "Banana", "Cherry", "Date", "Elder", "Fig", "Grape", "Kiwi"});
    const char* const words[] = {"red", "yellow", "green", "sweet", "sour", "\xe9t\xe9"};
    std::mt19937 random(11);
    for (int k = 0; k < frame->deck().count(); ++k)
        putBody(frame->deck(), k,
                std::string(words[random() % 6]) + ' ' + std::string(words[random() % 6]));
    frame->showView(true);
    const char* const filters[] = {"", "e", "yel", "SOUR", "\xc9T\xc9", "zzz", "an"};
    struct Seen {
        std::string index, body;
        bool operator==(const Seen&) const = default;
    };
    for (int step = 0; step < 400; ++step) {
        Deck& deck = frame->deck();
        std::map<const Card*, Seen> before;
        for (int k = 0; k < deck.count(); ++k)
            before[&deck.card(k)] = {std::string(deck.card(k).indexText()),
                                     std::string(deck.card(k).bodyText())};
        std::set<const Card*> shown;
        if (frame->isListShown()) {
            for (int r = 0; r < list()->model()->rowCount(); ++r)
                shown.insert(&deck.card(list()->model()->position(r)));
        } else if (!deck.isEmpty()) {
            shown.insert(&deck.card(0));
        }
        const auto run = [&](int id) {
            if (frame->isCommandEnabled(id))
                frame->runCommand(id);
        };
        const unsigned action = random() % 10;
        switch (action) {
        case 0:
            list()->filterBox()->setText(QString::fromLatin1(filters[random() % 7]));
            break;
        case 1:
            QApplication::clipboard()->setText(QStringLiteral("p"));
            run(Cmd::Paste);
            break;
        case 2:
            run(Cmd::Undo);
            break;
        case 3:
            list()->filterBox()->selectAll();
            run(Cmd::Cut);
            break;
        case 4:
            if (frame->isCommandEnabled(Cmd::Delete)) {
                script.answer(Answer::Yes);
                frame->runCommand(Cmd::Delete);
            }
            break;
        case 5:
            script.type(QByteArray("New ") + words[random() % 6]);
            run(Cmd::Add);
            break;
        case 6:
            run(Cmd::Duplicate);
            break;
        case 7:
            run(Cmd::Undelete);
            break;
        case 8:
            if (frame->isCommandEnabled(Cmd::EditIndex)) {
                script.type("Renamed");
                frame->runCommand(Cmd::EditIndex);
            }
            break;
        case 9:
            frame->showView(!frame->isListShown());
            break;
        }
        std::set<const Card*> now;
        for (int k = 0; k < deck.count(); ++k) {
            const Card* card = &deck.card(k);
            now.insert(card);
            if (before.count(card) && !shown.count(card)) {
                ASSERT_EQ(before[card],
                          (Seen{std::string(card->indexText()), std::string(card->bodyText())}))
                    << "step " << step << ": a card not shown changed";
            }
        }
        for (const auto& [card, seen] : before) {
            ASSERT_TRUE(now.count(card) || shown.count(card))
                << "step " << step << ": a card not shown went";
        }
        if (frame->isListShown() && list()->model()->rowCount() > 0) {
            ASSERT_GE(list()->model()->rowOf(0), 0) << "step " << step << ", action " << action;
        }
    }
}
