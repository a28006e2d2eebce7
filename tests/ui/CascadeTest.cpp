#include "files/DeckFile.h"
#include "support/FrameFixture.h"
#include "support/TypeText.h"
#include "ui/CardButton.h"
#include "ui/CardMenu.h"
#include "ui/ChangeBar.h"
#include "ui/CommandTable.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QListView>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>

class Cascade : public FrameFixture {
protected:
    // A point in the header band of the card at stack position k.
    QPoint headerOf(int k) const {
        return frame->cardStack()->cardRect(k).topLeft() + QPoint(12, 10);
    }
    std::string body() const { return std::string(frame->deck().card(0).bodyText()); }
    // Another program's version of a deck file.
    static void writeDeck(const QString& name,
                          std::initializer_list<std::pair<const char*, const char*>> cards) {
        Deck other;
        other.appendCards(cardsOf(cards));
        other.SortByIndex();
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(DeckFile::write(other, out));
    }
};

TEST(CascadeGeometry, CardsStepRightAndUpFromTheBottomLeft) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("quorix.conf")), QSettings::IniFormat);
    WindowPort port;
    DeckSession session(settings, port);
    addCards(session.deck(), {"A", "B", "C"});
    CardStack stack(session, nullptr);
    stack.show();
    stack.resize(600, 382); // a client area of 400 with an 18-pixel status bar
    stack.RelabelCards();
    EXPECT_EQ(stack.front()->geometry(), QRect(0, 182, 400, 200));
    EXPECT_EQ(stack.cardRect(1), QRect(25, 157, 400, 200));
    EXPECT_EQ(stack.cardRect(2), QRect(50, 132, 400, 200));

    // Growing the window by 100 pixels moves every card down by 100.
    stack.resize(600, 482);
    EXPECT_EQ(stack.front()->geometry(), QRect(0, 282, 400, 200));
    EXPECT_EQ(stack.cardRect(2), QRect(50, 232, 400, 200));

    // Of 20 cards only those whose bottom edge is inside are painted and hit.
    for (int i = 0; i < 17; ++i)
        session.deck().AppendCard("more");
    stack.resize(600, 382);
    EXPECT_EQ(stack.visibleBackCards(), 15);
    EXPECT_EQ(stack.cardRect(8).top(), -18);
    EXPECT_EQ(stack.backCardAt(QPoint(210, 3)), 8);  // the lowest pixels of card 8's header
    EXPECT_EQ(stack.backCardAt(QPoint(5, 300)), -1); // the front card is not a back card
}

TEST_F(Cascade, ClickingACardBehindRotatesTheDeck) {
    showCards({"A", "B", "C", "D", "E"});
    QTest::mouseClick(frame->cardStack(), Qt::LeftButton, {}, headerOf(2));
    EXPECT_EQ(indexes(), (Indexes{"C", "D", "E", "A", "B"}));
    EXPECT_EQ(front()->geometry().topLeft(), frame->cardStack()->cardRect(0).topLeft());
    EXPECT_FALSE(frame->deck().isModified());

    // Every release counts: a double click on position 2 rotates twice, so the card that was
    // at position 4 comes to the front. A double click arrives as press, release, double
    // click, release.
    QWidget* stack = frame->cardStack();
    QTest::mousePress(stack, Qt::LeftButton, {}, headerOf(2));
    QTest::mouseRelease(stack, Qt::LeftButton, {}, headerOf(2));
    QMouseEvent dbl(QEvent::MouseButtonDblClick, headerOf(2), stack->mapToGlobal(headerOf(2)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(stack, &dbl);
    QTest::mouseRelease(stack, Qt::LeftButton, {}, headerOf(2));
    EXPECT_EQ(indexes(), (Indexes{"B", "C", "D", "E", "A"}));
    // The header of card 1 shows on top of card 2's strip: a click there picks card 1.
    QTest::mouseClick(frame->cardStack(), Qt::LeftButton, {}, headerOf(1));
    EXPECT_EQ(indexes(), (Indexes{"C", "D", "E", "A", "B"}));
}

TEST_F(Cascade, HeaderShortensLongIndexesAndTheTooltipShowsThemWhole) {
    const std::string forty = "A very long index of exactly forty chars";
    ASSERT_EQ(forty.size(), 40u);
    showCards({forty.c_str()});
    EXPECT_EQ(front()->headerText(std::string(33, 'x')), QString(32, u'x') + QStringLiteral("..."));
    EXPECT_EQ(front()->headerText(std::string(32, 'x')), QString(32, u'x'));
    const int right = front()->tooltipRight();
    EXPECT_EQ(right, front()->hasMail() ? 320 : 345);
    const auto tip = [this] {
        QHelpEvent help(QEvent::ToolTip, QPoint(20, 10), front()->mapToGlobal(QPoint(20, 10)));
        QApplication::sendEvent(front(), &help);
        QTextDocument shown;
        shown.setHtml(QToolTip::text());
        QToolTip::hideText();
        return shown.toPlainText();
    };
    EXPECT_EQ(tip(), QString::fromStdString(forty));
    // Deck text is data: markup in an index is shown as it is, never obeyed.
    putIndex(frame->deck(), 0, "<img src=x.png><a href=y>z</a>");
    EXPECT_EQ(tip(), QStringLiteral("<img src=x.png><a href=y>z</a>"));
}

TEST_F(Cascade, TypingStoresTheBodyAtOnce) {
    showCards({"a"});
    editor()->setFocus();
    QTest::keyClick(editor(), Qt::Key_X);
    EXPECT_EQ(body(), "x");
    EXPECT_TRUE(frame->deck().isModified());
    QTest::keyClick(editor(), Qt::Key_Return);
    QTest::keyClicks(editor(), QStringLiteral("yz"));
    EXPECT_EQ(body(), "x\r\nyz");
    typeText(editor(), QStringLiteral("\u00e9\u20ac"));
    EXPECT_EQ(body(), "x\r\nyz\xe9\x80");
}

TEST_F(Cascade, OnlyAChangeMarksTheDeckModified) {
    showCards({"a", "b"});
    putBody(frame->deck(), 0, "body");
    EXPECT_FALSE(frame->deck().isModified());
    // Browsing, menu keys and modifiers change nothing; Alt with a letter types nothing.
    for (Qt::Key key : {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Left, Qt::Key_Home, Qt::Key_End,
                        Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Shift, Qt::Key_Control})
        QTest::keyClick(editor(), key);
    QTest::keyClick(editor(), Qt::Key_F, Qt::AltModifier);
    QTest::keyClick(editor(), Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(editor(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(body(), "body");
    EXPECT_FALSE(frame->deck().isModified());
    QTest::keyClick(editor(), Qt::Key_X);
    EXPECT_TRUE(frame->deck().isModified());
    // Undone back to the text as it was read: unmodified; redone: modified again.
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(body(), "body");
    EXPECT_FALSE(frame->deck().isModified());
    QTest::keyClick(editor(), Qt::Key_Tab);
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(frame->deck().isModified());
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(frame->deck().isModified());
}

TEST_F(Cascade, CtrlLetterJumpsToTheNextCardWithThatInitial) {
    showCards({"Apple", "Banana", "Cherry"});
    QTest::keyClick(editor(), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(indexes().front(), "Banana");
    frame->deck().markClean();

    // Ctrl+Q: no card begins with q; nothing moves, but the editor is reloaded.
    putBody(frame->deck(), 0, "some text");
    editor()->selectAll();
    QTest::keyClick(editor(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(indexes().front(), "Banana");
    EXPECT_FALSE(editor()->textCursor().hasSelection());

    // Ctrl+Shift+C jumps, as Ctrl+C copies.
    QTest::keyClick(editor(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(indexes().front(), "Cherry");

    // Ctrl+Enter is Ctrl+J: it types nothing.
    QTest::keyClick(editor(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(body(), "");
}

// The key table: the desktop's editing keys edit the card in front and never jump; Ctrl+S
// saves; every other chord of Ctrl or Ctrl+Shift with a letter jumps, and leaves the card it
// jumps from untouched.
TEST_F(Cascade, TheDesktopsEditingKeysEditAndEveryOtherChordJumps) {
    const std::string text = "first line\nsecond\r\nthird";
    const QString edits[] = {QStringLiteral("Ctrl+C"), QStringLiteral("Ctrl+X"),
                             QStringLiteral("Ctrl+V"), QStringLiteral("Ctrl+Z"),
                             QStringLiteral("Ctrl+A"), QStringLiteral("Ctrl+Shift+Z"),
                             QStringLiteral("Ctrl+S")};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const auto key = static_cast<Qt::Key>(Qt::Key_A + (letter - 'A'));
        for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::ControlModifier),
                                           Qt::ControlModifier | Qt::ShiftModifier}) {
            const QString chord = QKeySequence(mods | key).toString();
            const bool edit =
                std::find(std::begin(edits), std::end(edits), chord) != std::end(edits);
            const std::string other = std::string(1, letter) + "-card";
            frame->deck().RemoveAllCards();
            showCards({"0 first", other.c_str()});
            putBody(frame->deck(), 0, text);
            QApplication::clipboard()->setText(QStringLiteral("pasted"));
            QTextCursor c = editor()->textCursor();
            c.setPosition(3);
            c.setPosition(5, QTextCursor::KeepAnchor);
            editor()->setTextCursor(c);
            if (chord == QLatin1String("Ctrl+S"))
                script.cancelDialog(); // Save of an untitled deck asks where
            QTest::keyClick(editor(), key, mods);
            if (!edit) {
                EXPECT_EQ(indexes().front(), other) << chord.toStdString();
                EXPECT_EQ(frame->deck().card(1).bodyText(), text) << chord.toStdString();
                EXPECT_FALSE(frame->deck().isModified()) << chord.toStdString();
                continue;
            }
            EXPECT_EQ(indexes().front(), "0 first") << chord.toStdString();
            const std::string now(frame->deck().card(0).bodyText());
            if (chord == QLatin1String("Ctrl+C")) {
                EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("st"));
            } else if (chord == QLatin1String("Ctrl+X")) {
                EXPECT_EQ(now, "fir line\nsecond\r\nthird");
            } else if (chord == QLatin1String("Ctrl+V")) {
                EXPECT_EQ(now, "firpasted line\nsecond\r\nthird");
            } else if (chord == QLatin1String("Ctrl+A")) {
                EXPECT_EQ(editor()->textCursor().selectedText().size(),
                          editor()->toPlainText().size());
            } else if (chord == QLatin1String("Ctrl+S")) {
                EXPECT_EQ(script.fileDialogs.back().kind, FileDialogRequest::Kind::Save);
            }
        }
    }
    // Undo and redo of a change typed in the card.
    frame->deck().RemoveAllCards();
    showCards({"a"});
    QTest::keyClicks(editor(), QStringLiteral("typed"));
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(body(), "");
    QTest::keyClick(editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(body(), "typed");
}

TEST_F(Cascade, EditsWithoutTypedCharactersSurviveARotation) {
    showCards({"A", "B"});
    putBody(frame->deck(), 0, "hello");
    editor()->moveCursor(QTextCursor::Start);
    QTest::keyClick(editor(), Qt::Key_Delete);
    QTest::mouseClick(front()->button(Cmd::NextCard), Qt::LeftButton);
    EXPECT_EQ(indexes().front(), "B");
    QTest::mouseClick(front()->button(Cmd::PreviousCard), Qt::LeftButton);
    EXPECT_EQ(body(), "ello");
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("ello"));

    // Shift+Del cuts and Shift+Ins pastes, both kept.
    editor()->selectAll();
    QTest::keyClick(editor(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(body(), "");
    QTest::keyClick(editor(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(body(), "ello");
}

TEST_F(Cascade, UndoIsStoredAndMarksTheDeck) {
    showCards({"a"});
    QTest::keyClicks(editor(), QStringLiteral("xy"));
    frame->deck().markClean(); // as after a save
    frame->runCommand(Cmd::Undo);
    EXPECT_EQ(body(), "");
    EXPECT_TRUE(frame->deck().isModified());
}

TEST_F(Cascade, TheBodyHoldsAtMost511Bytes) {
    showCards({"a"});
    putBody(frame->deck(), 0, std::string(509, 'x'));
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(editor(), Qt::Key_Y);
    EXPECT_EQ(body().size(), 510u);
    QTest::keyClick(editor(), Qt::Key_Return); // a line break takes two bytes
    EXPECT_EQ(body().size(), 510u);
    EXPECT_EQ(frame->deckStatusBar()->messageText(),
              QStringLiteral("A card holds at most 511 characters."));
    QTest::keyClick(editor(), Qt::Key_Z);
    EXPECT_EQ(body().size(), 511u);
    QTest::keyClick(editor(), Qt::Key_Z);
    EXPECT_EQ(body().size(), 511u);

    // A paste is cut to the room left; characters outside the code page are left out, once
    // the user chose to keep the deck in its code page (asked once).
    editor()->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("ab\u4e2dcd"));
    script.pick(1);
    editor()->paste();
    EXPECT_EQ(body(), "abcd");
    typeText(editor(), QStringLiteral("\u4e2d"));
    EXPECT_EQ(body(), "abcd");
}

TEST_F(Cascade, InsertTogglesOverwriteTyping) {
    showCards({"a"});
    putBody(frame->deck(), 0, "abc");
    const bool before = frame->cardStack()->overwriteTyping();
    QTest::keyClick(editor(), Qt::Key_Insert);
    EXPECT_NE(frame->cardStack()->overwriteTyping(), before);
    EXPECT_EQ(editor()->overwriteMode(), frame->cardStack()->overwriteTyping());
    EXPECT_EQ(frame->deckStatusBar()->indicatorText(4),
              frame->cardStack()->overwriteTyping() ? QStringLiteral("OVR") : QString());
    if (!frame->cardStack()->overwriteTyping())
        QTest::keyClick(editor(), Qt::Key_Insert);
    ASSERT_TRUE(frame->cardStack()->overwriteTyping());
    editor()->moveCursor(QTextCursor::Start);
    QTest::keyClick(editor(), Qt::Key_X);
    EXPECT_EQ(body(), "xbc");

    // Neither Ctrl+Insert, the keypad's Insert nor an auto-repeated Insert toggles it.
    QTest::keyClick(editor(), Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(editor(), Qt::Key_Insert, Qt::KeypadModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(editor(), &repeat);
    EXPECT_TRUE(frame->cardStack()->overwriteTyping());
    QTest::keyClick(editor(), Qt::Key_Insert);
    EXPECT_FALSE(frame->cardStack()->overwriteTyping());
    EXPECT_EQ(frame->deckStatusBar()->indicatorText(4), QString());
}

TEST_F(Cascade, TheCardMenuListsEveryCardAndEveryEntryWorks) {
    for (int i = 0; i < 102; ++i)
        frame->deck().AppendCard("card " + std::to_string(1000 + i));
    CardMenu* menu = frame->showCardMenu(QPoint(50, 50));
    QListView* list = menu->list();
    ASSERT_EQ(list->model()->rowCount(), 102);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), QStringLiteral("card 1000"));
    list->setCurrentIndex(list->model()->index(101, 0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(indexes().front(), "card 1101");

    // Typing the first letters finds an entry.
    frame->deck().RemoveAllCards();
    showCards({"Apple", "Banana", "Cherry"});
    menu = frame->showCardMenu(QPoint(50, 50));
    QTest::keyClicks(menu->list(), QStringLiteral("ch"));
    QTest::keyClick(menu->list(), Qt::Key_Return);
    EXPECT_EQ(indexes().front(), "Cherry");
    EXPECT_FALSE(frame->deck().isModified());
}

TEST_F(Cascade, NextPreviousAndTheStatusTexts) {
    showCards({"A", "B", "C", "D"});
    QTest::mouseClick(front()->button(Cmd::NextCard), Qt::LeftButton);
    EXPECT_EQ(indexes(), (Indexes{"B", "C", "D", "A"}));
    QTest::mouseClick(front()->button(Cmd::PreviousCard), Qt::LeftButton);
    QTest::mouseClick(front()->button(Cmd::PreviousCard), Qt::LeftButton);
    EXPECT_EQ(indexes(), (Indexes{"D", "A", "B", "C"}));
    EXPECT_TRUE(editor()->hasFocus());

    QTest::mouseMove(front()->button(Cmd::PrintButton));
    EXPECT_EQ(frame->deckStatusBar()->messageText(), QStringLiteral("Print the front most card"));
    QTest::mouseMove(front()->button(Cmd::NextCard));
    EXPECT_EQ(frame->deckStatusBar()->messageText(), QStringLiteral("Bring next card to front"));

    frame->deck().RemoveAllCards();
    showCards({"only"});
    QTest::mouseClick(front()->button(Cmd::NextCard), Qt::LeftButton);
    EXPECT_EQ(indexes(), (Indexes{"only"}));
}

TEST_F(Cascade, AClickOnTheFrontHeaderEditsTheIndex) {
    showCards({"Apple", "Mango"});
    script.cancelIndex();
    QTest::mouseClick(front(), Qt::LeftButton, {}, QPoint(100, 10));
    ASSERT_EQ(script.indexDialogs.size(), 1u);
    EXPECT_EQ(script.indexDialogs[0].first, IndexDialogMode::EditIndex);
    EXPECT_EQ(script.indexDialogs[0].second, QByteArray("Apple"));
    EXPECT_FALSE(frame->deck().isModified()); // the click, unlike the menu, marks nothing
}

TEST_F(Cascade, TheFrontCardComesAndGoesWithTheCards) {
    EXPECT_EQ(front(), nullptr);
    showCards({"a"});
    ASSERT_NE(front(), nullptr);
    EXPECT_TRUE(editor()->hasFocus());
    frame->runCommand(Cmd::New);
    EXPECT_EQ(front(), nullptr);
}

TEST_F(Cascade, RestoreCardUndoesTheTypingSinceTheCardCameToTheFront) {
    {
        // Shown as one change, as a file is.
        const Deck::Batch loading(frame->deck());
        addCards(frame->deck(), {"Apple", "Kiwi"});
        putBody(frame->deck(), 0, "as loaded");
        frame->deck().markClean();
    }
    frame->updateCommandStates();
    EXPECT_FALSE(frame->action(Cmd::RestoreCard)->isEnabled());
    editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor(), QStringLiteral(" and typed"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(body(), "as loaded and typed\r\n");
    frame->updateCommandStates();
    EXPECT_TRUE(frame->action(Cmd::RestoreCard)->isEnabled());
    frame->action(Cmd::RestoreCard)->trigger();
    EXPECT_EQ(body(), "as loaded");
    EXPECT_EQ(editor()->toPlainText(), QStringLiteral("as loaded"));
    // The card is as it was loaded again, and so is the deck.
    EXPECT_FALSE(frame->deck().isModified());
    frame->updateCommandStates();
    EXPECT_FALSE(frame->action(Cmd::RestoreCard)->isEnabled());
}

// Another program's change read in while the user works in a card: the same card stays in
// front, even when its index was renamed or others share it, and the cursor, the selection and
// the scroll stay where the user was.
TEST_F(Cascade, AReloadKeepsTheCardTheCursorAndTheSelection) {
    const QString file = path("shared.qrx");
    const auto writeFile = [&](std::initializer_list<std::pair<const char*, const char*>> cards) {
        writeDeck(file, cards);
    };
    writeFile({{"Same", "first"}, {"Same", "second line one\r\nline two"}, {"Zed", "z"}});
    ASSERT_TRUE(frame->session().documentCommands().openFile(file));
    QTest::mouseClick(frame->cardStack(), Qt::LeftButton, {},
                      frame->cardStack()->cardRect(1).topLeft() + QPoint(40, 8));
    ASSERT_EQ(frame->deck().card(0).bodyText(), "second line one\r\nline two");
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(7);
    cursor.setPosition(11, QTextCursor::KeepAnchor); // "line"
    editor()->setTextCursor(cursor);

    // Text inserted before the selection moves it along; the front card is the second "Same".
    writeFile({{"Same", "first"}, {"Same", "NEW second line one\r\nline two"}, {"Zed", "z!"}});
    ASSERT_EQ(frame->session().documentCommands().reloadIfChanged(),
              DocumentCommands::Reload::Reloaded);
    EXPECT_EQ(frame->deck().card(0).bodyText(), "NEW second line one\r\nline two");
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("line"));
    EXPECT_TRUE(editor()->hasFocus());

    // Renamed by the other program: still that card, found by its body.
    writeFile({{"Same", "first"}, {"Renamed", "NEW second line one\r\nline two"}, {"Zed", "z!"}});
    frame->session().documentCommands().reloadIfChanged();
    EXPECT_EQ(frame->deck().card(0).indexText(), "Renamed");
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("line"));
    QTest::keyClicks(editor(), QStringLiteral("word"));
    EXPECT_EQ(frame->deck().card(0).bodyText(), "NEW second word one\r\nline two");
}

// Another program's change under unsaved typing is offered at once, in a bar that leaves the
// keyboard in the card; Merge keeps both sides, and Save then writes without asking. A sync
// tool's conflict copy is offered the same way, and is never removed without asking.
TEST_F(Cascade, AChangeFromElsewhereIsOfferedAtOnceAndMergedCardByCard) {
    const QString file = path("shared.qrx");
    const auto writeFile =
        [this](const QString& name,
               std::initializer_list<std::pair<const char*, const char*>> cards) {
            writeDeck(name, cards);
        };
    writeFile(file, {{"a", "one"}, {"b", "two"}});
    ASSERT_TRUE(frame->session().documentCommands().openFile(file));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("mine "));
    ChangeBar* bar = frame->changeBar();
    EXPECT_FALSE(bar->isVisible());

    writeFile(file, {{"a", "one"}, {"b", "two theirs"}, {"c", "new"}});
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 2000);
    EXPECT_TRUE(bar->text().contains(QStringLiteral("\"shared.qrx\"")));
    EXPECT_TRUE(editor()->hasFocus());
    script.answer(Answer::Ok); // what came of the merge
    QTest::mouseClick(bar->mergeButton(), Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(indexes(), (Indexes{"a", "b", "c"}));
    EXPECT_EQ(frame->deck().card(0).bodyText(), "mine one");
    EXPECT_EQ(frame->deck().card(1).bodyText(), "two theirs");
    EXPECT_TRUE(frame->deck().isModified());
    EXPECT_TRUE(editor()->hasFocus());
    ASSERT_TRUE(frame->session().documentCommands().Save()); // no question: it holds theirs
    EXPECT_FALSE(frame->deck().isModified());

    const QString copy = path("shared.sync-conflict-20261208-101500-ABCDEFG.qrx");
    writeFile(copy, {{"a", "mine one"}, {"d", "from the copy"}});
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 2000);
    EXPECT_TRUE(bar->text().contains(QStringLiteral("sync-conflict")));
    script.answer(Answer::Ok);
    QTest::mouseClick(bar->mergeButton(), Qt::LeftButton);
    EXPECT_EQ(indexes(), (Indexes{"a", "b", "c", "d"}));
    script.pick(1); // keep the conflict copy
    ASSERT_TRUE(frame->session().documentCommands().Save());
    EXPECT_TRUE(script.lastChoices.value(0).contains(QStringLiteral("Trash")));
    EXPECT_TRUE(QFile::exists(copy));

    // A copy that is not a deck is named, and left as it is.
    const QString garbage = path("shared (conflicted copy 2026-12-08 101500).qrx");
    QFile out(garbage);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("not a deck");
    out.close();
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), 2000);
    script.answer(Answer::Ok);
    QTest::mouseClick(bar->mergeButton(), Qt::LeftButton);
    EXPECT_TRUE(script.messages.back().text.contains(QStringLiteral("conflicted copy")));
    EXPECT_EQ(indexes(), (Indexes{"a", "b", "c", "d"}));
    EXPECT_FALSE(frame->deck().isModified());
    QFile back(garbage);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll(), QByteArray("not a deck"));
}

// A right-to-left paragraph reads from the right edge of the card, a left-to-right one from
// the left, each on its own, as laid out again after typing.
TEST_F(Cascade, EachParagraphIsAlignedToTheSideItIsReadFrom) {
    showCards({"a"});
    frame->session().setCharacterSet(1255);
    putBody(frame->deck(), 0, "\xF9\xEC\xE5\xED\r\nABC"); // שלום, then ABC
    const auto startOf = [this](int block) {
        QTextCursor at(editor()->document()->findBlockByNumber(block));
        editor()->setTextCursor(at);
        return editor()->cursorRect().x();
    };
    const int middle = editor()->viewport()->width() / 2;
    EXPECT_GT(startOf(0), middle);
    EXPECT_LT(startOf(1), middle);
    typeText(editor(), QStringLiteral("\u05d0"));
    EXPECT_GT(startOf(1), middle); // now a Hebrew paragraph
}
