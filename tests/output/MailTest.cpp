#include "output/Mail.h"
#include "deck/CharacterSet.h"
#include "support/DeckHelpers.h"
#include "support/FakeMailer.h"
#include "support/FakeUi.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

class MailHandOff : public testing::Test {
protected:
    FakeMailer mailer;
    Deck deck;
    FakeUi ui;
    const CharacterSet western;
    Mail mail{western};
};

TEST(MailMessageFields, LimitsAndNames) {
    MailMessage m(MailMessage::Note);
    m.SetMailText(std::string(40, 's'), std::string(600, 'n'), CharacterSet());
    EXPECT_EQ(m.subject, std::string(31, 's'));
    EXPECT_EQ(m.noteText, std::string(511, 'n'));
    // Cut between characters of a double-byte set; a Unicode deck's texts go whole.
    m.SetMailText(std::string(40, '\x82'), "", CharacterSet::forCodePage(932));
    EXPECT_EQ(m.subject.size(), 30u);
    const std::string long_ = QString(300, QChar(0x4e2d)).toStdString();
    m.SetMailText(long_, long_, CharacterSet::unicode());
    EXPECT_EQ(m.subject, long_);
    EXPECT_EQ(m.noteText, long_);
    MailMessage f(MailMessage::File);
    f.SetMailAttachment(QStringLiteral("/tmp/x/home.qrx.txt"));
    EXPECT_EQ(f.attachmentName, QStringLiteral("home.qrx.txt"));
    f.SetMailAttachment(QStringLiteral("plain"));
    EXPECT_EQ(f.attachmentName, QString());
    EXPECT_EQ(Mail::attachmentName(QStringLiteral("/home/a/Decks/home.qrx")),
              QStringLiteral("home.qrx.txt"));
    EXPECT_EQ(Mail::attachmentName(QString()), QStringLiteral("Untitled.txt"));
}

namespace {

// The subject and body a mailto: URL carries.
std::pair<QString, QString> fieldsOf(const QString& url) {
    EXPECT_TRUE(url.startsWith(QStringLiteral("mailto:"))) << url.toStdString();
    const QUrlQuery query{QUrl(url)};
    return {query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
            query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded)};
}

} // namespace

TEST_F(MailHandOff, SendCardHandsOverAReadyUrl) {
    addCards(deck, {"An index of exactly forty characters ok"});
    putBody(deck, 0, "Line one\r\nCaf\xe9 \x80 & 100%\nC:\\cards\\new");
    EXPECT_TRUE(IsMailAvailable());
    mail.SendCard(deck, ui);
    ASSERT_EQ(mailer.arguments().size(), 1);
    EXPECT_EQ(fieldsOf(mailer.arguments()[0]),
              std::pair(QStringLiteral("An index of exactly forty chara"),
                        QStringLiteral("Line one\r\nCaf\u00e9 \u20ac & 100%\r\nC:\\cards\\new")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(deck.isModified());

    // Empty fields are left out, never passed as empty options.
    putBody(deck, 0, "");
    mail.SendCard(deck, ui);
    EXPECT_EQ(
        mailer.arguments(),
        QStringList{QStringLiteral("mailto:?subject=An%20index%20of%20exactly%20forty%20chara")});
}

TEST_F(MailHandOff, SendListAttachesTheIndexLinesAsAFileOfTheDecksName) {
    addCards(deck, {"Apple", "Banana"});
    mail.SendList(deck, QString(), ui);
    const QStringList args = mailer.arguments();
    ASSERT_EQ(args.size(), 4);
    EXPECT_EQ(args[1], QStringLiteral("--attach"));
    EXPECT_EQ(args[3], QStringLiteral("mailto:"));
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

    putTag(deck, 1, 1);
    putBody(deck, 1, "caf\xe9");
    mail.SendTag(deck, QString(), ui);
    // Text for a mail program: UTF-8, with CR LF.
    EXPECT_EQ(mailer.attachment(),
              QByteArray("b\r\ncaf\xc3\xa9\r\n") + QByteArray(60, '-') + "\r\n\r\n");
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

// The real xdg-email, which calls the program named by MAILER with the URL it made: what a
// mail program would be given, empty fields, backslashes, attachments and all.
class RealXdgEmail : public testing::Test {
protected:
    QTemporaryDir dir;
    Deck deck;
    FakeUi ui;
    const CharacterSet western;
    Mail mail{western};
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
            GTEST_SKIP() << "xdg-email is not installed";
        QFile script(dir.filePath(QStringLiteral("mailer")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/url\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        qputenv("MAILER", QFile::encodeName(script.fileName()));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    void TearDown() override { qunsetenv("MAILER"); }
    QString url() const {
        QFile f(dir.filePath(QStringLiteral("url")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
};

TEST_F(RealXdgEmail, EveryCardArrivesWhole) {
    addCards(deck, {"C:\\cards\\new"});
    putBody(deck, 0, "Path C:\\cards\\new\\tab\r\n\\c stops echo; 50% \xe9\x80");
    mail.SendCard(deck, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(
        fieldsOf(url()),
        std::pair(QStringLiteral("C:\\cards\\new"),
                  QStringLiteral("Path C:\\cards\\new\\tab\r\n\\c stops echo; 50% \u00e9\u20ac")));

    // An empty body, and an empty index, are sent too.
    putIndex(deck, 0, "");
    putBody(deck, 0, "");
    mail.SendCard(deck, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(url(), QStringLiteral("mailto:"));

    mail.SendList(deck, QStringLiteral("/decks/caf\u00e9.qrx"), ui);
    EXPECT_TRUE(ui.messages.empty());
    const QString attach =
        QUrlQuery(QUrl(url())).queryItemValue(QStringLiteral("attach"), QUrl::FullyDecoded);
    EXPECT_TRUE(attach.endsWith(QStringLiteral("/caf\u00e9.qrx.txt"))) << url().toStdString();
    EXPECT_TRUE(QFileInfo::exists(attach));
}
