#include "deck/CharacterSet.h"
#include "deck/BodyText.h"
#include "deck/IndexOrder.h"

#include <gtest/gtest.h>

#include <random>

TEST(CharacterSets, TheLocaleChoosesTheSetOfItsWindows) {
    const struct {
        const char* locale;
        int codePage;
    } table[] = {{"cs_CZ.UTF-8", 1250},    {"pl_PL", 1250},       {"ru_RU.UTF-8", 1251},
                 {"uk_UA", 1251},          {"sr_RS@latin", 1250}, {"el_GR.UTF-8", 1253},
                 {"tr_TR", 1254},          {"he_IL", 1255},       {"fa_IR", 1256},
                 {"lt_LT", 1257},          {"vi_VN", 1258},       {"th_TH.UTF-8", 874},
                 {"ja_JP.UTF-8", 932},     {"zh_CN.UTF-8", 936},  {"zh_SG", 936},
                 {"ko_KR.EUC-KR", 949},    {"zh_TW.UTF-8", 950},  {"zh_HK", 950},
                 {"de_DE.UTF-8", 1252},    {"C", 1252},           {"", 1252},
                 {"sr_RS", 1251},          {"sr_ME", 1250},       {"az_AZ", 1254},
                 {"uz_UZ@cyrillic", 1251}, {"bs_BA", 1250},       {"be_BY", 1251}};
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
            ASSERT_EQ(set.measure(text), bytes->size());
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

namespace {

QByteArray bytesIn(const CharacterSet& set, const char* utf8) {
    return set.encode(QString::fromUtf8(utf8)).value_or(QByteArray("(none)"));
}

} // namespace

// Typed or pasted text is stored byte for byte as Windows stores the same text: the set's own
// characters, a letter as a base with marks, its best fit; only the rest is left out. The
// stored text types back to the same bytes.
TEST(CharacterSets, TypedTextIsStoredAsWindowsStoresIt) {
    const struct {
        int codePage;
        const char* typed;
        const char* bytes;
        const char* leftOut;
    } table[] = {
        {1258, "Tiếng Việt Đà Nẵng", "Ti\xEA\xECng Vi\xEA\xF2t \xD0\xE0 N\xE3\xDEng", ""},
        {1258, "Vie\u0323\u0302t", "Vi\xEA\xF2t", ""}, // pasted decomposed
        {1250, "Ștefan Țepeș",
         "\xAAtefan \xDE"
         "epe\xBA",
         ""},
        {1256, "ی ۱۲", "\xED 12", ""},
        {932, "〜−‖¬¥", "\x81\x60\x81\x7C\x81\x61\x81\xCA\x5C", ""},
        {932, "髙﨑", "\xFB\xFC\xFA\xB1", ""},
        {950, "十月", "\xA4\x51\xA4\xEB", ""},
        {936, "\uF8FFPay 支付", "Pay \xD6\xA7\xB8\xB6", "\uF8FF"},
        {936, "¥", "\xA3\xA4", ""},
        {874, "ที่นี่", "\xB7\xD5\xE8\xB9\xD5\xE8", ""},
        {1255, "שָׁלוֹם", "\xF9\xC8\xD1\xEC\xE5\xC9\xED", ""},
        {1252, "ā€ 中😀", "a\x80 ", "中😀"},
    };
    for (const auto& row : table) {
        const CharacterSet set = CharacterSet::forCodePage(row.codePage);
        const CharacterSet::Converted c = set.convertInput(QString::fromUtf8(row.typed));
        EXPECT_EQ(c.bytes, QByteArray(row.bytes)) << row.codePage << ' ' << row.typed;
        EXPECT_EQ(c.leftOut, QString::fromUtf8(row.leftOut)) << row.typed;
        EXPECT_EQ(c.stored, set.decode(c.bytes.toStdString())) << row.typed;
        EXPECT_EQ(set.convertInput(c.stored).bytes, c.bytes) << row.typed;
    }
    // Control bytes and ASCII read as themselves in every set; a character the pages use for
    // a lead byte found alone is never typed.
    for (int codePage : CharacterSet::codePages()) {
        const CharacterSet set = CharacterSet::forCodePage(codePage);
        for (int b = 1; b < 0x80; ++b)
            ASSERT_EQ(set.decode(std::string(1, static_cast<char>(b))), QChar(b)) << codePage;
        if (set.isDoubleByte()) {
            const QString alone = set.decode("\x81");
            EXPECT_TRUE(set.convertInput(alone).bytes.isEmpty()) << codePage;
            EXPECT_EQ(set.encode(alone), QByteArray("\x81")) << codePage;
        }
    }
}

// Find, the filter and the index order take both encodings of a character held twice as one.
TEST(CharacterSets, ACharacterHeldTwiceIsOneCharacter) {
    const struct {
        int codePage;
        std::string windows, other;
    } table[] = {{932, "\xFB\xFC", "\xEE\xE0"},
                 {932, "\xFA\x40", "\xEE\xEF"},
                 {950, "\xA4\x51", "\xA2\xCC"}};
    for (const auto& row : table) {
        const CharacterSet set = CharacterSet::forCodePage(row.codePage);
        EXPECT_EQ(set.decode(row.windows), set.decode(row.other));
        EXPECT_EQ(set.encode(set.decode(row.other)), QByteArray::fromStdString(row.windows));
        for (const auto& [text, query] :
             {std::pair{row.windows, row.other}, {row.other, row.windows}}) {
            const QByteArray folded = set.foldForSearch(query);
            EXPECT_TRUE(set.contains("x" + text + "y", folded.toStdString())) << row.codePage;
        }
        EXPECT_EQ(set.indexOrder()->compare(row.windows + "1", row.other + "1"), 0);
    }
    // "十月" as Quorix once wrote it sorts after "一月", as Windows writes it.
    const CharacterSet big5 = CharacterSet::forCodePage(950);
    EXPECT_GT(big5.indexOrder()->compare("\xA2\xCC\xA4\xEB", bytesIn(big5, "一月").toStdString()),
              0);
}

// Search folds as the set's language pairs its letters.
TEST(CharacterSets, SearchFoldsAsTheSetsLanguageDoes) {
    const struct {
        int codePage;
        const char* text;
        const char* query;
        bool found;
    } table[] = {
        {1254, "İstanbul", "istanbul", true},
        {1254, "İZMİR", "izmir", true},
        {1254, "ISI", "ısı", true},
        {1254, "isi", "ısı", false},
        {1254, "istanbul", "Istanbul", false},
        {1253, "ΑΘΗΝΑ", "αθήνα", true},
        {1253, "Αθήνα", "αθηνα", true},
        {1253, "οδός", "ΟΔΟΣ", true},
        {1253, "ΟΔΟΣ", "οδος", true},
        {1251, "Ёлка", "елка", true},
        {1251, "елка", "ёлка", true},
        {1252, "CAFÉ", "café", true},
        {1252, "cafe", "café", false},
    };
    for (const auto& row : table) {
        const CharacterSet set = CharacterSet::forCodePage(row.codePage);
        const QByteArray folded = set.foldForSearch(bytesIn(set, row.query).toStdString());
        EXPECT_EQ(set.contains(bytesIn(set, row.text).toStdString(), folded.toStdString()),
                  row.found)
            << row.text << " / " << row.query;
    }
}
