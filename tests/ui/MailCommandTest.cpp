#include "support/FakeMailer.h"
#include "support/FrameFixture.h"
#include "ui/CardButton.h"
#include "ui/CommandTable.h"

class MailCommand : public FrameFixture {
protected:
    FakeMailer mailer;
};

TEST_F(MailCommand, TheMailButtonSendsTheFrontCard) {
    showCards({"Apple", "Pear"});
    ASSERT_TRUE(front()->hasMail());
    EXPECT_EQ(front()->tooltipRight(), 320);
    CardButton* mail = front()->button(Cmd::MailButton);
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->geometry().left(), 346); // 345 in the card's client area
    QTest::mouseClick(mail, Qt::LeftButton);
    EXPECT_EQ(mailer.arguments(), QStringList{QStringLiteral("mailto:?subject=Apple")});
    EXPECT_TRUE(editor()->hasFocus());
    EXPECT_TRUE(frame->isCommandEnabled(Cmd::SendCard));
}

TEST_F(MailCommand, WithoutTheHandOffThereIsNoMailButtonAndSendCardIsGrayed) {
    mailer.hide();
    showCards({"Apple"});
    EXPECT_FALSE(front()->hasMail());
    EXPECT_EQ(front()->button(Cmd::MailButton), nullptr);
    EXPECT_EQ(front()->tooltipRight(), 345);
    EXPECT_EQ(front()->button(Cmd::NextCard)->geometry().left(), 321);
    frame->updateCommandStates();
    EXPECT_FALSE(frame->action(Cmd::SendCard)->isEnabled());
    // Send List stays available and says what is missing.
    EXPECT_TRUE(frame->action(Cmd::SendList)->isEnabled());
    script.answer(Answer::Ok);
    frame->runCommand(Cmd::SendList);
    EXPECT_TRUE(script.messages.at(0).text.startsWith(QStringLiteral("Load Fail\n")));
}

TEST_F(MailCommand, SendListAndTagFromTheMenu) {
    showCards({"Apple", "Banana"});
    putTag(frame->deck(), 1, 1);
    frame->runCommand(Cmd::SendList);
    EXPECT_EQ(mailer.attachment(), QByteArray("Apple\r\nBanana\r\n"));
    frame->runCommand(Cmd::SendTag);
    EXPECT_TRUE(mailer.attachment().startsWith("Banana\r\n"));
    EXPECT_FALSE(frame->deck().isModified());
}
