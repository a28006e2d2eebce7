#include "files/DeckFile.h"
#include "support/DeckHelpers.h"

#include <QBuffer>

#include <cstring>
#include <random>

#include <gtest/gtest.h>

namespace {

QByteArray saved(const Deck& deck) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(DeckFile::write(deck, buffer));
    return buffer.data();
}

QByteArray record(const QByteArray& index, const QByteArray& body, std::optional<qint32> tag) {
    QByteArray r = index.leftJustified(DeckFile::IndexField, '\0', true);
    r += body.leftJustified(DeckFile::BodyField, '\0', true);
    if (tag)
        r += le32(*tag);
    return r;
}

// A device that accepts only so many bytes, as a full disk does.
class FullDevice : public QIODevice {
public:
    explicit FullDevice(qint64 room)
        : m_room(room) {
        open(QIODevice::WriteOnly);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override {
        if (size > m_room)
            return -1;
        m_room -= size;
        return size;
    }

private:
    qint64 m_room;
};

// A device whose reads fail after so many bytes, as a disk or a network share can.
class FailingReader : public QIODevice {
public:
    FailingReader(QByteArray data, qint64 failAt)
        : m_data(std::move(data))
        , m_failAt(failAt) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* to, qint64 max) override {
        if (m_pos >= m_failAt)
            return -1;
        const qint64 n = std::min({max, m_failAt - m_pos, qint64(m_data.size()) - m_pos});
        std::memcpy(to, m_data.constData() + m_pos, static_cast<std::size_t>(n));
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_failAt;
    qint64 m_pos = 0;
};

} // namespace

TEST(DeckFile, ReadErrorsAreToldApartFromDamagedFiles) {
    QByteArray file = QByteArray::fromHex("abaa0000") + le32(3);
    for (int i = 0; i < 3; ++i)
        file += record("card", "body", 0);
    FailingReader failing(file, 600);
    DeckFile::ReadResult result = DeckFile::read(failing);
    EXPECT_EQ(result.status, DeckFile::ReadStatus::ReadError);
    EXPECT_TRUE(result.cards.empty());

    FailingReader whole(file, file.size() + 1);
    EXPECT_EQ(DeckFile::read(whole).cards.size(), 3u);
    FailingReader cut(file.left(1000), 100000); // a sequential device ending early
    EXPECT_EQ(DeckFile::read(cut).status, DeckFile::ReadStatus::NotADeck);
}

TEST(DeckFile, OneCardGivesTheKnownBytes) {
    Deck deck;
    deck.AppendCard("A");
    putBody(deck, 0, "x");
    putTag(deck, 0, 1);
    const QByteArray bytes = saved(deck);
    ASSERT_EQ(bytes.size(), 566);
    EXPECT_EQ(bytes.left(8), QByteArray::fromHex("abaa000001000000"));
    EXPECT_EQ(bytes.mid(8, 42), QByteArray("A").leftJustified(42, '\0'));
    EXPECT_EQ(bytes.mid(50, 2), QByteArray::fromHex("7800"));
    EXPECT_EQ(bytes.mid(52, 510), QByteArray(510, '\0')); // the same deck, the same bytes
    EXPECT_EQ(bytes.right(4), QByteArray::fromHex("01000000"));

    Deck empty;
    EXPECT_EQ(saved(empty), QByteArray::fromHex("abaa000000000000"));
}

TEST(DeckFile, WritesInDeckOrderAndReadsBack) {
    Deck deck;
    addCards(deck, {"Apple", "Mango", "Pear"});
    putBody(deck, 1, "line one\r\nline two");
    putTag(deck, 2, 7);
    deck.BringCardToFront(1);
    auto cards = DeckFile::parse(saved(deck));
    ASSERT_TRUE(cards);
    ASSERT_EQ(cards->size(), 3u);
    EXPECT_EQ(cards->cards()[0]->indexText(), "Mango");
    EXPECT_EQ(cards->cards()[0]->bodyText(), "line one\r\nline two");
    EXPECT_EQ(cards->cards()[1]->indexText(), "Pear");
    EXPECT_EQ(cards->cards()[1]->tag(), 7);
    EXPECT_EQ(cards->cards()[2]->indexText(), "Apple");
}

TEST(DeckFile, ReadsVersionOneUntagged) {
    QByteArray file = QByteArray::fromHex("aaaa0000") + le32(2);
    file += record("one", "body one", std::nullopt);
    file += record("two", "body two", std::nullopt);
    auto cards = DeckFile::parse(file);
    ASSERT_TRUE(cards);
    ASSERT_EQ(cards->size(), 2u);
    EXPECT_EQ(cards->cards()[1]->indexText(), "two");
    EXPECT_EQ(cards->cards()[1]->bodyText(), "body two");
    EXPECT_EQ(cards->cards()[0]->tag(), 0);
}

TEST(DeckFile, FieldsWithoutTerminatorKeepTheirLimits) {
    QByteArray file = QByteArray::fromHex("abaa0000") + le32(1);
    file += QByteArray(42, 'i') + QByteArray(512, 'b') + le32(1);
    auto cards = DeckFile::parse(file);
    ASSERT_TRUE(cards);
    EXPECT_EQ(cards->cards()[0]->indexText(), std::string(41, 'i'));
    EXPECT_EQ(cards->cards()[0]->bodyText(), std::string(511, 'b'));
}

struct RefusedFile {
    const char* name;
    QByteArray bytes;
};

void PrintTo(const RefusedFile& file, std::ostream* os) {
    *os << file.name;
}

class DeckFileRefuses : public testing::TestWithParam<RefusedFile> {};

TEST_P(DeckFileRefuses, DamagedOrForeignFiles) {
    EXPECT_FALSE(DeckFile::parse(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeckFileRefuses,
    testing::Values(
        RefusedFile{"empty", QByteArray()}, RefusedFile{"two_bytes", QByteArray::fromHex("abaa")},
        RefusedFile{"card_file", QByteArray("MGC\x01\x00", 5) + QByteArray(60, '\0')},
        RefusedFile{"text", QByteArray("Hello, this is text\n")},
        RefusedFile{"wrong_word", QByteArray::fromHex("abab000000000000")},
        RefusedFile{"no_count", QByteArray::fromHex("abaa0000")},
        RefusedFile{"short_count", QByteArray::fromHex("abaa000001")},
        RefusedFile{"count_beyond_end",
                    QByteArray::fromHex("abaa0000") + le32(2) + record("a", "b", 0)},
        RefusedFile{"last_record_short",
                    QByteArray::fromHex("abaa0000") + le32(1) + record("a", "b", 0).left(557)},
        RefusedFile{"huge_count", QByteArray::fromHex("abaa0000ffffff7f") + record("a", "b", 0)},
        RefusedFile{"v1_short", QByteArray::fromHex("aaaa0000") + le32(1) + QByteArray(553, 'x')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeckFile, CountsOfZeroOrLessAreEmptyDecksAndExtraBytesAreIgnored) {
    for (qint64 count : {0LL, -1LL, -2147483648LL}) {
        auto cards = DeckFile::parse(QByteArray::fromHex("abaa0000") + le32(count) + "junk");
        ASSERT_TRUE(cards) << count;
        EXPECT_TRUE(cards->empty());
    }
    auto cards =
        DeckFile::parse(QByteArray::fromHex("abaa0000") + le32(1) + record("a", "b", 1) + "tail");
    ASSERT_TRUE(cards);
    EXPECT_EQ(cards->size(), 1u);
}

TEST(DeckFile, WriteReportsAFullDevice) {
    Deck deck;
    for (int i = 0; i < 600; ++i)
        deck.AppendCard("card");
    for (qint64 room : {0LL, 7LL, 8LL, 1000LL, 8LL + 558 * 256, 8LL + 558 * 599}) {
        FullDevice device(room);
        EXPECT_FALSE(DeckFile::write(deck, device)) << room;
    }
    FullDevice enough(8 + 558 * 600);
    EXPECT_TRUE(DeckFile::write(deck, enough));
}

namespace {

QByteArray version3(const Deck& deck) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(DeckFile::write(deck, buffer, nullptr, DeckFile::FormatVersion3));
    return buffer.data();
}

QByteArray record3(const QByteArray& index, const QByteArray& body, qint32 tag = 0) {
    QByteArray r;
    r += char(index.size() & 0xFF);
    r += char(index.size() >> 8);
    r += char(body.size() & 0xFF);
    r += char(body.size() >> 8);
    return r + le32(tag) + index + body;
}

DeckFile::ReadResult read3(const QByteArray& bytes) {
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    return DeckFile::read(buffer);
}

} // namespace

// Random text of every plane, tags of every kind: written as version 3 and read back, card
// for card, byte for byte; a record is as long as its texts.
TEST(DeckFile3, EveryPlaneRoundTrips) {
    std::mt19937 random(30);
    const char32_t planes[] = {0x0, 0x10000, 0x20000, 0x30000, 0xE0000, 0xF0000, 0x100000};
    const auto someText = [&](int length, bool index) {
        std::u32string text;
        while (static_cast<int>(text.size()) < length) {
            char32_t c = planes[random() % 7] + random() % 0x10000;
            if (random() % 3 == 0)
                c = 0x20 + random() % 0x2000; // Latin, Greek, Cyrillic, marks, ...
            if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF) || (index && c == 0x7F))
                continue;
            text += c;
        }
        return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size())).toStdString();
    };
    Deck deck;
    CardBlock cards;
    qint64 size = DeckFile::HeaderSize;
    for (int i = 0; i < 300; ++i) {
        const std::string index = someText(static_cast<int>(random() % 42), true);
        const std::string body = someText(static_cast<int>(random() % 512), false);
        cards.append(index, body, static_cast<std::int32_t>(random()));
        size += static_cast<qint64>(Card::HeaderSize + index.size() + body.size());
    }
    deck.appendCards(std::move(cards));
    const QByteArray file = version3(deck);
    EXPECT_EQ(file.size(), size);
    EXPECT_EQ(file.left(4), QByteArray::fromHex("acaa0000"));
    const DeckFile::ReadResult read = read3(file);
    ASSERT_EQ(read.status, DeckFile::ReadStatus::Ok);
    EXPECT_EQ(read.format, DeckFile::FormatVersion3);
    const std::vector<const Card*> back = read.cards.cards();
    ASSERT_EQ(static_cast<int>(back.size()), deck.count());
    for (int k = 0; k < deck.count(); ++k)
        ASSERT_TRUE(back[static_cast<std::size_t>(k)]->sameAs(deck.card(k))) << k;
}

// A damaged version 3 file is refused with the number of the card where the damage is, and
// every cut is seen.
TEST(DeckFile3, DamageIsRefusedWithTheCardsNumber) {
    const QByteArray head = QByteArray::fromHex("acaa0000") + le32(3);
    const QByteArray a = record3("a", "\xc3\xa9t\xc3\xa9");
    const QByteArray b = record3("b", "ok");
    const struct {
        const char* what;
        QByteArray file;
        int card;
    } table[] = {
        {"not UTF-8", head + a + record3("b", "caf\xe9") + b, 2},
        {"a surrogate", head + a + b + record3("c", "\xed\xa0\x80"), 3},
        {"an overlong form", head + record3("\xc0\xaf", "") + a + b, 1},
        {"a zero byte", head + a + record3("b", QByteArray("x\0y", 3)) + b, 2},
        {"a line break in an index", head + a + b + record3("c\nd", ""), 3},
        {"an index too long", head + a + b + record3(QByteArray(5000, 'x'), ""), 3},
        {"a record running past the end", head + a + b + record3("c", "text").chopped(1), 3},
        {"one card missing", head + a + b, 3},
        {"bytes after the last card", head + a + b + b + "x", 4},
        // A count of a billion cards reserves nothing it cannot fill.
        {"a count far past the file", QByteArray::fromHex("acaa0000") + le32(0x46400003) + a, 2},
    };
    for (const auto& row : table) {
        const DeckFile::ReadResult read = read3(row.file);
        EXPECT_EQ(read.status, DeckFile::ReadStatus::Damaged) << row.what;
        EXPECT_EQ(read.damagedCard, row.card) << row.what;
        EXPECT_FALSE(read.damage.isEmpty()) << row.what;
        EXPECT_TRUE(read.cards.empty()) << row.what;
    }
    const QByteArray whole = head + a + b + b;
    ASSERT_EQ(read3(whole).status, DeckFile::ReadStatus::Ok);
    for (qsizetype cut = 8; cut < whole.size(); ++cut)
        EXPECT_EQ(read3(whole.left(cut)).status, DeckFile::ReadStatus::Damaged) << cut;
}
