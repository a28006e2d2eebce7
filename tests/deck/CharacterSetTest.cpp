#include "deck/CharacterSet.h"
#include "deck/BodyText.h"

#include <gtest/gtest.h>

#include <random>

TEST(CharacterSets, TheLocaleChoosesTheSetOfItsWindows) {
    const struct {
        const char* locale;
        int codePage;
    } table[] = {{"cs_CZ.UTF-8", 1250}, {"pl_PL", 1250},       {"ru_RU.UTF-8", 1251},
                 {"uk_UA", 1251},       {"sr_RS@latin", 1251}, {"el_GR.UTF-8", 1253},
                 {"tr_TR", 1254},       {"he_IL", 1255},       {"fa_IR", 1256},
                 {"lt_LT", 1257},       {"vi_VN", 1258},       {"th_TH.UTF-8", 874},
                 {"ja_JP.UTF-8", 932},  {"zh_CN.UTF-8", 936},  {"zh_SG", 936},
                 {"ko_KR.EUC-KR", 949}, {"zh_TW.UTF-8", 950},  {"zh_HK", 950},
                 {"de_DE.UTF-8", 1252}, {"C", 1252},           {"", 1252}};
    for (const auto& row : table)
        EXPECT_EQ(CharacterSet::codePageForLocale(QString::fromLatin1(row.locale)), row.codePage)
            << row.locale;
}

// Random text of every set's own characters goes to bytes and back unchanged, and every cut at
// a byte limit ends between characters, however the characters are long.
TEST(CharacterSets, TextRoundTripsAndLimitsNeverSplitACharacter) {
    std::mt19937 random(22);
    for (int codePage : CharacterSet::codePages()) {
        const CharacterSet set = CharacterSet::forCodePage(codePage);
        // The set's repertoire: what its bytes decode to, but the stand-ins for a lead byte
        // found alone in damaged text, which join a following byte when read again.
        bool leads[256] = {};
        for (int b = 0x80; b < 0x100; ++b) {
            for (int t = 0x40; t < 0xFF && !leads[b]; ++t)
                leads[b] = set.characterSize(std::string{char(b), char(t)}, 0) == 2;
        }
        QString repertoire;
        for (int i = 0; i < 2000; ++i) {
            const char pair[2] = {static_cast<char>(0x20 + random() % 0xE0),
                                  static_cast<char>(0x40 + random() % 0xBF)};
            for (QChar c : set.decode(std::string_view(pair, 2))) {
                const QByteArray alone = set.encode(QString(c)).value_or(QByteArray());
                if (alone.size() != 1 || !leads[static_cast<unsigned char>(alone[0])])
                    repertoire += c;
            }
        }
        for (int round = 0; round < 200; ++round) {
            QString text;
            for (int n = static_cast<int>(random() % 300); n > 0; --n)
                text += repertoire[random() % repertoire.size()];
            const auto bytes = set.encode(text);
            ASSERT_TRUE(bytes) << codePage;
            ASSERT_EQ(set.decode(bytes->toStdString()), text) << codePage;
            ASSERT_EQ(set.byteLength(text), bytes->size());
            const int limit = static_cast<int>(random() % 520);
            const QByteArray cut = set.cut(*bytes, limit);
            ASSERT_LE(cut.size(), limit);
            const QString kept = set.decode(cut.toStdString());
            ASSERT_EQ(text.left(kept.size()), kept) << codePage;
            // A character of two bytes is never halved: nothing more would have fitted.
            if (cut.size() < bytes->size()) {
                ASSERT_GT(cut.size() + set.characterSize(bytes->toStdString(), cut.size()), limit);
            }
            // The editor's view of the same bytes counts characters, not bytes.
            const BodyText body = BodyText::fromBytes(bytes->toStdString(), set);
            ASSERT_EQ(body.storedSize(), bytes->size());
            ASSERT_EQ(body.toBytes(), bytes);
        }
    }
}

// In Shift-JIS the second byte of a character may be an ASCII letter or a backslash: it never
// matches on its own, and only a to z fold.
TEST(CharacterSets, DoubleByteSearchComparesWholeCharacters) {
    const CharacterSet japanese = CharacterSet::forCodePage(932);
    ASSERT_TRUE(japanese.isDoubleByte());
    const QString text = QStringLiteral("\u30bd\u30a2x\\A\uff41");  // ソア x \ A ａ
    const std::string bytes = japanese.encode(text)->toStdString(); // ソ = 83 5C, ア = 83 41
    ASSERT_EQ(bytes.substr(0, 4), std::string("\x83\x5c\x83\x41", 4));
    const auto find = [&](std::string_view what) {
        const QByteArray folded = japanese.foldForSearch(what);
        return japanese.find(bytes, std::string_view(folded.constData(), folded.size()));
    };
    EXPECT_EQ(find("\\"), 5u);
    EXPECT_EQ(find("a"), 6u);
    EXPECT_EQ(find("\x83\x41"), 2u);
    EXPECT_EQ(find("\x5c\x83"), std::string_view::npos);
    // A full-width letter is no ASCII letter: it does not fold.
    EXPECT_EQ(find(japanese.encode(QStringLiteral("\uff21"))->toStdString()),
              std::string_view::npos);
    EXPECT_EQ(BodyText::positionOfByte(bytes, 4, japanese), 2);
    EXPECT_EQ(japanese.cut(std::string_view(bytes), 3), std::string_view(bytes).substr(0, 2));
}
