#include "deck/BodyText.h"
#include "deck/Card.h"
#include "deck/CardBlock.h"
#include "support/FakeUi.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray bytesOf(const BodyText& body) {
    return body.toBytes().value_or(QByteArray("<cannot store>"));
}

BodyText fromBytes(const QByteArray& bytes) {
    return BodyText::fromBytes(std::string_view(bytes.constData(), bytes.size()));
}

} // namespace

TEST(BodyText, EveryBodyRoundTripsWithItsOwnBreaks) {
    // Every byte but NUL, and breaks of every kind in every order, come back unchanged.
    std::mt19937 random(7);
    const char pieces[][3] = {"\r\n", "\r", "\n", "\n\r", "a", " ", "\xe9", "\x80", "\t"};
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes;
        const int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) {
            if (random() % 4 == 0)
                bytes += static_cast<char>(1 + random() % 255);
            else
                bytes += pieces[random() % std::size(pieces)];
        }
        const BodyText body = fromBytes(bytes);
        ASSERT_EQ(bytesOf(body), bytes) << bytes.toHex().toStdString();
        EXPECT_EQ(body.storedSize(), bytes.size());
        EXPECT_EQ(body.text().count(u'\n'), static_cast<qsizetype>(body.breaks().size()));
    }
}

TEST(BodyText, AnEditKeepsTheBytesOfEveryOtherBreak) {
    BodyText body = fromBytes("one\ntwo\rthree\r\nfour");
    // Typing in the second line, and a new break typed in the last.
    body.replace(5, 0, QStringLiteral("X"));
    body.replace(body.text().size() - 2, 0, QStringLiteral("\n"));
    EXPECT_EQ(bytesOf(body), QByteArray("one\ntXwo\rthree\r\nfo\r\nur"));
    // Deleting a whole line with its break takes only that break.
    body.replace(4, 5, QString()); // "tXwo" and the CR after it
    EXPECT_EQ(bytesOf(body), QByteArray("one\nthree\r\nfo\r\nur"));
}

TEST(BodyText, ALoneCrMeetingALoneLfStaysTwoBreaks) {
    // CR then LF would read back as one CR LF break: the CR is stored as CR LF.
    BodyText body = fromBytes("a\rb\nc");
    body.replace(2, 1, QString());
    EXPECT_EQ(bytesOf(body), QByteArray("a\r\n\nc"));
    EXPECT_EQ(body.storedSize(), 5);
    EXPECT_EQ(fromBytes(bytesOf(body)).text(), body.text());
}

TEST(BodyText, FollowingTheEditorNarrowsWhatItReports) {
    BodyText body = fromBytes("a\nb\rc");
    // A report that covers the whole text (as when the editor reformats) changes no break.
    body.follow(QStringLiteral("a\nb\nc"), 0, 5);
    EXPECT_EQ(bytesOf(body), QByteArray("a\nb\rc"));
    // A report that runs past the end is clamped; a wrong one falls back to a diff.
    body.follow(QStringLiteral("a\nbX\nc"), 3, 99);
    EXPECT_EQ(bytesOf(body), QByteArray("a\nbX\rc"));
    body.follow(QStringLiteral("a\nbX\nc!"), 0, 0);
    EXPECT_EQ(bytesOf(body), QByteArray("a\nbX\rc!"));
    // Of two equal breaks the one the editor names goes.
    BodyText two = fromBytes("a\n\rb");
    two.follow(QStringLiteral("a\nb"), 1, 0);
    EXPECT_EQ(bytesOf(two), QByteArray("a\rb"));
}

TEST(BodyText, ByteOffsetsMapToEditorPositionsWhateverTheBreaks) {
    const std::string_view bytes = "ab\r\ncd\ref\ngh";
    EXPECT_EQ(BodyText::positionOfByte(bytes, 2), 2);
    EXPECT_EQ(BodyText::positionOfByte(bytes, 4), 3);  // after CR LF
    EXPECT_EQ(BodyText::positionOfByte(bytes, 7), 6);  // after the lone CR
    EXPECT_EQ(BodyText::positionOfByte(bytes, 10), 9); // after the lone LF
    EXPECT_EQ(BodyText::positionOfByte(bytes, 12), 11);
}

TEST(BodyText, TextACardCannotHoldIsNeverStored) {
    BodyText body = fromBytes("ok");
    body.replace(2, 0, QStringLiteral("\U0001F600"));
    EXPECT_FALSE(body.toBytes());
    body = fromBytes("ok");
    body.replace(1, 0, QString(QChar(0)));
    EXPECT_FALSE(body.toBytes());
}

TEST(Card, KeepsItsTextsAsACardHoldsThem) {
    CardBlock block;
    block.append("a\tb\nc\rd\x01", "body\r\n", 7);
    block.append(std::string_view("x\0y", 3), std::string_view("one\0two", 7));
    block.append(std::string(5000, 'i'), std::string(70000, 'b'));
    const std::vector<const Card*> cards = block.cards();
    ASSERT_EQ(cards.size(), 3u);
    // An index is one line: a control byte reads as a blank. A body keeps its breaks.
    EXPECT_EQ(cards[0]->indexText(), "a b c d ");
    EXPECT_EQ(cards[0]->bodyText(), "body\r\n");
    EXPECT_EQ(cards[0]->tag(), 7);
    EXPECT_EQ(cards[1]->indexText(), "x");
    EXPECT_EQ(cards[1]->bodyText(), "one");
    EXPECT_FALSE(cards[1]->isTagged());
    EXPECT_EQ(cards[2]->indexText().size(), Card::MaxIndexBytes);
    EXPECT_EQ(cards[2]->bodyText().size(), Card::MaxBodyBytes);
    EXPECT_EQ(block.byteSize(), cards[0]->size() + cards[1]->size() + cards[2]->size());
}
