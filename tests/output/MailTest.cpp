#include "output/Mail.h"
#include "support/DeckHelpers.h"
#include "support/FakeMailer.h"
#include "support/FakeUi.h"

#include <QFileInfo>

class MailHandOff : public testing::Test {
protected:
    FakeMailer mailer;
    Deck deck;
    FakeUi ui;
    Mail mail;
};

TEST(MailMessageFields, LimitsAndNames) {
    MailMessage m(MailMessage::Note);
    m.SetMailText(std::string(40, 's'), std::string(600, 'n'));
    EXPECT_EQ(std::string(m.subject), std::string(31, 's'));
    EXPECT_EQ(std::string(m.noteText), std::string(511, 'n'));
    MailMessage f(MailMessage::File);
    f.SetMailAttachment(QStringLiteral("/tmp/x/home.qrx.txt"));
    EXPECT_EQ(f.attachmentName, QStringLiteral("home.qrx.txt"));
    f.SetMailAttachment(QStringLiteral("plain"));
    EXPECT_EQ(f.attachmentName, QString());
    EXPECT_EQ(Mail::attachmentName(QStringLiteral("/home/a/Decks/home.qrx")),
              QStringLiteral("home.qrx.txt"));
    EXPECT_EQ(Mail::attachmentName(QString()), QStringLiteral("Untitled.txt"));
}

TEST_F(MailHandOff, SendCardHandsOverSubjectAndBody) {
    addCards(deck, {"An index of exactly forty characters ok"});
    deck.card(0).setBody("Line one\r\nCaf\xe9 \x80");
    EXPECT_TRUE(IsMailAvailable());
    mail.SendCard(deck, ui);
    EXPECT_EQ(
        mailer.arguments(),
        (QStringList{QStringLiteral("--utf8"), QStringLiteral("--subject"),
                     QStringLiteral("An index of exactly forty chara"), QStringLiteral("--body"),
                     QStringLiteral("Line one\nCaf\u00e9 \u20ac")}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(deck.isModified());

    deck.card(0).setBody("");
    mail.SendCard(deck, ui);
    EXPECT_EQ(mailer.arguments().last(), QString());
}

TEST_F(MailHandOff, SendListAttachesTheIndexLinesAsAFileOfTheDecksName) {
    addCards(deck, {"Apple", "Banana"});
    mail.SendList(deck, QString(), ui);
    const QStringList args = mailer.arguments();
    ASSERT_EQ(args.size(), 3);
    EXPECT_EQ(args[1], QStringLiteral("--attach"));
    EXPECT_EQ(QFileInfo(args[2]).fileName(), QStringLiteral("Untitled.txt"));
    EXPECT_EQ(mailer.attachment(), QByteArray("Apple\r\nBanana\r\n"));
    // The file stays for the mail program to read; it lies in a folder of our own.
    EXPECT_TRUE(QFileInfo::exists(args[2]));
    EXPECT_FALSE(QFileInfo(args[2]).absolutePath() == QDir::tempPath());
    EXPECT_EQ(QFileInfo(QFileInfo(args[2]).absolutePath()).permissions() &
                  (QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());

    // A second send never rewrites the first attachment.
    deck.BringCardToFront(1);
    mail.SendList(deck, QStringLiteral("/decks/fruit.qrx"), ui);
    const QString second = mailer.arguments()[2];
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("fruit.qrx.txt"));
    EXPECT_NE(QFileInfo(second).absolutePath(), QFileInfo(args[2]).absolutePath());
    QFile first(args[2]);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), QByteArray("Apple\r\nBanana\r\n"));
}

TEST_F(MailHandOff, SendTagAttachesTheTaggedCardBlocks) {
    addCards(deck, {"a", "b"});
    mail.SendTag(deck, QString(), ui);
    EXPECT_EQ(mailer.attachment(), QByteArray());

    deck.card(1).tag = 1;
    deck.card(1).setBody("body");
    mail.SendTag(deck, QString(), ui);
    EXPECT_EQ(mailer.attachment(), QByteArray("b\r\nbody\r\n") + QByteArray(60, '-') + "\r\n\r\n");
}

TEST_F(MailHandOff, FailuresHaveTheirMessages) {
    addCards(deck, {"a"});
    mailer.exitWith(3); // no mail program set up
    ui.answer(Answer::Ok);
    mail.SendCard(deck, ui);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("Failed To Send\n")));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("desktop")));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("quorix"));
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);

    mailer.hide();
    EXPECT_FALSE(IsMailAvailable());
    ui.answer(Answer::Ok);
    mail.SendList(deck, QString(), ui);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(ui.messages[1].text.startsWith(QStringLiteral("Load Fail\n")));
    EXPECT_TRUE(ui.messages[1].text.contains(QStringLiteral("xdg-email")));
}
