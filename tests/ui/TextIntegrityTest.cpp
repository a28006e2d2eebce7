#include "deck/CharacterSet.h"
#include "support/FrameFixture.h"
#include "support/TypeText.h"
#include "ui/CommandTable.h"
#include "ui/FindDialog.h"
#include "ui/IndexDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

// The user's text is never lost or changed behind their back.
class TextIntegrity : public FrameFixture {
protected:
    std::string body(int k = 0) const { return std::string(frame->deck().card(k).bodyText()); }
    void load(const std::string& bytes) {
        putBody(frame->deck(), 0, bytes);
        frame->deck().markClean();
    }
    void sendKey(Qt::Key key, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(editor(), &press);
    }
    QString hint() const { return frame->deckStatusBar()->messageText(); }
    // Activation is asynchronous; a transient dialog counts as active for Qt's own wait while
    // its parent has the keyboard, so wait for the window itself.
    static bool becomesActive(QWidget* window) {
        return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
    }
};

TEST_F(TextIntegrity, WhatACardCannotHoldNeverReachesTheBody) {
    showCards({"a"});
    const std::string full = std::string(500, 'x') + "\r\n" + std::string(9, 'y'); // 511 bytes
    const QString foreign[] = {QStringLiteral("\U0001F600"), QStringLiteral("\u200e"),
                               QStringLiteral("\ue000"), QStringLiteral("\u4e2d")};
    load("keep");
    script.pick(1); // the deck stays one of its code page, asked once
    for (const QString& text : foreign) {
        sendKey(Qt::Key_unknown, Qt::NoModifier, text);
        EXPECT_EQ(body(), "keep");
        EXPECT_EQ(hint(),
                  QStringLiteral("Left out, as a card in Western (Windows-1252) cannot hold it: ") +
                      text);
    }
    // The soft hyphen is Windows-1252, but a full card has no room for it.
    load(full);
    editor()->moveCursor(QTextCursor::End);
    sendKey(Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u00ad"));
    EXPECT_EQ(body(), full);
    EXPECT_EQ(hint(), QStringLiteral("A card holds at most 511 characters."));
    // Alt with a letter belongs to the menus; an input method's text passes the same gate.
    load("keep");
    sendKey(Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    EXPECT_EQ(body(), "keep");
    editor()->moveCursor(QTextCursor::End);
    QInputMethodEvent im;
    im.setCommitString(QStringLiteral("\u00e9\U0001F600!"));
    QApplication::sendEvent(editor(), &im);
    EXPECT_EQ(body(), "keep\xe9!");
    EXPECT_FALSE(frame->deck().card(0).bodyText().empty());
}

TEST_F(TextIntegrity, LoneLineBreaksKeepTheirBytesThroughEdits) {
    showCards({"a"});
    // 511 bytes of lines ending in lone LF and CR: written back as CR LF they would not fit.
    std::string bytes;
    while (bytes.size() < 500)
        bytes += "line\n" + std::string("word\r");
    bytes.resize(511, 'z');
    load(bytes);
    editor()->moveCursor(QTextCursor::Start);
    QTest::keyClick(editor(), Qt::Key_Delete);
    EXPECT_EQ(body(), bytes.substr(1));
    QTest::keyClick(editor(), Qt::Key_X);
    std::string typed = bytes; // the first byte, deleted, and an x in its place
    typed[0] = 'x';
    EXPECT_EQ(body(), typed);
    // A typed break is CR LF, and two bytes do not fit in one.
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(body(), typed);
    QTest::keyClick(editor(), Qt::Key_Backspace);
    QTest::keyClick(editor(), Qt::Key_Delete);
    QTest::keyClick(editor(), Qt::Key_Return);
    std::string broken = bytes;
    broken.replace(0, 2, "\r\n");
    EXPECT_EQ(body(), broken);
    EXPECT_EQ(body().size(), 511u);
}

TEST_F(TextIntegrity, FindSelectsTheRightCharactersWhateverTheBreaks) {
    showCards({"A", "B"});
    putBody(frame->deck(), 1, "one\ntwo\rthree\r\nfour target");
    frame->runCommand(Cmd::Find);
    FindDialog* find = frame->findDialog();
    find->edit()->setText(QStringLiteral("target"));
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("target"));
    // The found text stays marked while the dialog keeps the keyboard.
    ASSERT_EQ(editor()->extraSelections().size(), 1);
    EXPECT_EQ(editor()->extraSelections().front().cursor.selectedText(), QStringLiteral("target"));
}

TEST_F(TextIntegrity, FindKeepsTheKeyboardAndEnterFindsTheNext) {
    showCards({"A", "B"});
    putBody(frame->deck(), 0, "cat and cat");
    putBody(frame->deck(), 1, "no");
    frame->activateWindow();
    ASSERT_TRUE(becomesActive(frame.get()));
    frame->runCommand(Cmd::Find);
    FindDialog* find = frame->findDialog();
    ASSERT_TRUE(becomesActive(find));
    QTest::keyClicks(find->edit(), QStringLiteral("cat"));
    EXPECT_TRUE(find->edit()->hasFocus());
    QTest::keyClick(find->edit(), Qt::Key_Return);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 0);
    EXPECT_TRUE(find->edit()->hasFocus());
    // A second Enter finds the next one; the found text is never typed over.
    QTest::keyClick(find->edit(), Qt::Key_Return);
    EXPECT_EQ(editor()->textCursor().selectionStart(), 8);
    EXPECT_EQ(body(), "cat and cat");
    EXPECT_FALSE(frame->deck().isModified());
    // After "End of Selection" the keyboard is back in the dialog.
    script.answer(Answer::Ok);
    QTest::keyClick(find->edit(), Qt::Key_Return);
    EXPECT_EQ(script.messages.back().text, QStringLiteral("End of Selection"));
    EXPECT_TRUE(becomesActive(find));
    // Closing the dialog gives the keyboard to the card.
    QTest::keyClick(find->edit(), Qt::Key_Escape);
    EXPECT_TRUE(becomesActive(frame.get()));
    EXPECT_TRUE(editor()->hasFocus());
}

TEST(IndexBox, OneLineWithoutControlCharactersAndWithTheHint) {
    const CharacterSet western;
    IndexDialog dialog(nullptr, QByteArray("old"), IndexDialogMode::AddCard, western);
    dialog.show();
    QLineEdit* edit = dialog.edit();
    edit->clear();
    QApplication::clipboard()->setText(QStringLiteral("ab\ncd"));
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    edit->setCursorPosition(1);
    QApplication::clipboard()->setText(QStringLiteral("X\tY\rZ"));
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("aXYb"));
    QApplication::clipboard()->setText(QStringLiteral("\u4e2d!"));
    edit->paste();
    EXPECT_EQ(edit->text(), QStringLiteral("aXY!b"));
    EXPECT_EQ(dialog.text(), QByteArray("aXY!b"));

    FindDialog find(nullptr, western);
    find.show();
    QApplication::clipboard()->setText(QStringLiteral("two\nlines"));
    find.edit()->paste();
    EXPECT_EQ(find.edit()->text(), QStringLiteral("two"));
}

TEST_F(TextIntegrity, NoClickOnTheFrontCardRotatesTheDeck) {
    showCards({"Apple", "Mango", "Pear"});
    // Cancel on the header's Edit Index leaves the same card in front.
    script.cancelIndex();
    QTest::mouseClick(front(), Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(indexes(), (Indexes{"Apple", "Mango", "Pear"}));
    // Its border, where the card behind lies underneath, is no click on that card.
    const QPoint border = front()->mapTo(frame->cardStack(), QPoint(399, 100));
    QTest::mouseClick(frame->cardStack(), Qt::LeftButton, {}, border);
    QTest::mouseClick(front(), Qt::LeftButton, {}, QPoint(399, 100));
    EXPECT_EQ(indexes(), (Indexes{"Apple", "Mango", "Pear"}));
    // After a rename through the header the renamed card is in front.
    script.type("Nectarine");
    QTest::mouseClick(front(), Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(indexes(), (Indexes{"Nectarine", "Pear", "Mango"}));
    EXPECT_TRUE(frame->deck().isModified());
}
