#include "ui/FindDialog.h"
#include "support/FrameFixture.h"
#include "ui/CommandTable.h"

#include <QLineEdit>
#include <QPushButton>

class FindWidget : public FrameFixture {};

TEST_F(FindWidget, StartsWithTheSelectionAndSelectsWhatItFinds) {
    showCards({"A", "B"});
    putBody(frame->deck(), 1, "first line\r\nsecond line\r\nthe word");
    putBody(frame->deck(), 0, "say word twice");
    QTextCursor cursor = editor()->textCursor();
    cursor.setPosition(4);
    cursor.setPosition(8, QTextCursor::KeepAnchor);
    editor()->setTextCursor(cursor);

    frame->runCommand(Cmd::Find);
    FindDialog* find = frame->findDialog();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    EXPECT_EQ(find->edit()->text(), QStringLiteral("word"));
    EXPECT_TRUE(find->findNextButton()->isEnabled());

    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("word"));
    EXPECT_EQ(editor()->textCursor().selectionStart(), 4);

    // The next one lies behind two line breaks: byte 29 of the body, character 27 here.
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(indexes().front(), "B");
    EXPECT_EQ(editor()->textCursor().selectedText(), QStringLiteral("word"));
    EXPECT_EQ(editor()->textCursor().selectionStart(), 27);

    script.answer(Answer::Ok);
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(script.messages.back().text, QStringLiteral("End of Selection"));
}

TEST_F(FindWidget, FindNextWaitsForText) {
    showCards({"A"});
    frame->runCommand(Cmd::Find);
    FindDialog* find = frame->findDialog();
    EXPECT_TRUE(find->edit()->text().isEmpty());
    EXPECT_FALSE(find->findNextButton()->isEnabled());
    QTest::keyClicks(find->edit(), QStringLiteral("x"));
    EXPECT_TRUE(find->findNextButton()->isEnabled());
    // At most 127 characters: a longer paste keeps what fits.
    find->edit()->insert(QString(200, u'y'));
    EXPECT_EQ(find->edit()->text(), u'x' + QString(126, u'y'));
}

TEST_F(FindWidget, ASecondFindReusesTheDialogAndStartsANewWalk) {
    showCards({"A", "B"});
    putBody(frame->deck(), 0, "hit");
    putBody(frame->deck(), 1, "hit");
    frame->runCommand(Cmd::Find);
    FindDialog* find = frame->findDialog();
    find->edit()->setText(QStringLiteral("hit"));
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    script.answer(Answer::Ok);
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton); // end

    editor()->selectAll();
    frame->runCommand(Cmd::Find);
    EXPECT_EQ(frame->findDialog(), find);
    EXPECT_EQ(find->edit()->text(), QStringLiteral("hit"));
    QTest::mouseClick(find->findNextButton(), Qt::LeftButton);
    EXPECT_EQ(indexes().front(), "B"); // the card then in front
    EXPECT_EQ(script.messages.size(), 1u);
}

TEST_F(FindWidget, EditingCommandsRunFromTheMenuAndKeys) {
    script.type("Pear");
    QTest::keyClick(frame.get(), Qt::Key_F7);
    EXPECT_EQ(indexes(), (Indexes{"Pear"}));
    script.type("Apple");
    frame->runCommand(Cmd::Add);
    EXPECT_EQ(indexes(), (Indexes{"Apple", "Pear"}));
    script.type("pe");
    QTest::keyClick(editor(), Qt::Key_F5);
    EXPECT_EQ(indexes().front(), "Pear");
    script.answer(Answer::Yes);
    frame->runCommand(Cmd::Delete);
    EXPECT_EQ(indexes(), (Indexes{"Apple"}));
    script.type("Zebra");
    frame->runCommand(Cmd::EditIndex);
    EXPECT_EQ(indexes(), (Indexes{"Zebra"}));
    EXPECT_TRUE(frame->deck().isModified());
}
