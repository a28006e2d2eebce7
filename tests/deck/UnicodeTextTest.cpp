#include "deck/UnicodeText.h"
#include "deck/CardBlock.h"
#include "deck/CharacterSet.h"
#include "deck/IndexOrder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string utf8(const char16_t* text) {
    return QString::fromUtf16(text).toStdString();
}

} // namespace

// Search ignores case by full folding and canonical differences, follows the locale's i, and
// a match never begins or ends inside a character.
TEST(UnicodeSearch, FoldsCaseAndCanonicalFormsAndKeepsCharactersWhole) {
    const struct {
        const char* locale;
        const char16_t* text;
        const char16_t* query;
        int at; // the match's byte offset; -1 for none
        int length;
    } table[] = {
        {"de_DE", u"die Straße", u"STRASSE", 4, 7},
        {"de_DE", u"die Straße", u"stras", 4, 6}, // as it is typed
        {"de_DE", u"Grüße", u"GRÜS", 0, 6},
        {"de_DE", u"Ärger", u"a\u0308rger", 0, 6},       // typed decomposed, stored composed
        {"de_DE", u"Ärger", u"arger", -1, 0},            // the mark counts
        {"de_DE", u"cafe\u0301 au lait", u"café", 0, 6}, // stored decomposed
        {"de_DE", u"cafe\u0301", u"cafe", -1, 0},        // never before a mark
        {"de_DE", u"café", u"cafe", -1, 0},
        {"el_GR", u"ΟΔΟΣ", u"οδος", 0, 8}, // final sigma
        {"ru_RU", u"Москва", u"МОСКВА", 0, 12},
        {"tr_TR", u"İstanbul", u"istanbul", 0, 9},
        {"tr_TR", u"ISI", u"ısı", 0, 3},
        {"tr_TR", u"isi", u"ısı", -1, 0},
        {"en_US", u"Istanbul", u"istanbul", 0, 8},
        {"en_US", u"a 👍🏽 b", u"👍🏽", 2, 8},
        {"en_US", u"a 👍🏽 b", u"👍", -1, 0}, // not without its modifier
        {"ja_JP", u"東京タワー", u"タワー", 6, 9},
    };
    for (const auto& row : table) {
        const CharacterSet set = CharacterSet::unicode(QString::fromLatin1(row.locale));
        const QByteArray folded = set.foldForSearch(utf8(row.query));
        const std::string text = utf8(row.text);
        std::size_t end = 0;
        const std::size_t at = set.find(text, folded.toStdString(), 0, &end);
        if (row.at < 0) {
            EXPECT_EQ(at, std::string::npos) << row.locale << ' ' << text;
            continue;
        }
        EXPECT_EQ(at, static_cast<std::size_t>(row.at)) << row.locale << ' ' << text;
        EXPECT_EQ(end - at, static_cast<std::size_t>(row.length)) << text;
    }
    // A filter narrowed by more typed text looks only among what it found, but a mark typed
    // after a letter makes it another letter.
    const CharacterSet set = CharacterSet::unicode(QStringLiteral("de_DE"));
    const auto folded = [&](const char16_t* text) {
        return set.foldForSearch(utf8(text)).toStdString();
    };
    EXPECT_TRUE(set.narrows(folded(u"gr"), folded(u"grüs")));
    EXPECT_FALSE(set.narrows(folded(u"cafe"), folded(u"cafe\u0301")));
}

// Limits count characters as the user sees them; a cut never splits one, nor a UTF-8 sequence
// at a byte cap.
TEST(UnicodeLimits, CharactersAreCountedAndCutWhole) {
    const CharacterSet set = CharacterSet::unicode(QStringLiteral("en_US"));
    EXPECT_EQ(set.measure(u"e\u0301a"), 2);
    EXPECT_EQ(set.measure(u"👍🏽👨‍👩‍👧\r\n"), 3);
    EXPECT_EQ(set.measure(u"ไทย"), 3);
    const std::string text = utf8(u"e\u0301👍🏽xyz");
    EXPECT_EQ(set.cut(std::string_view(text), 2), utf8(u"e\u0301👍🏽"));
    EXPECT_EQ(set.cutBytes(text, 4), utf8(u"e\u0301"));
    EXPECT_EQ(set.cutBytes(text, 2), "");
    EXPECT_EQ(set.fit(u"ab\u0301c", 2), QString::fromUtf16(u"ab\u0301"));
    // Typed text: composed; controls, noncharacters and lone surrogates left out.
    const CharacterSet::Converted c =
        set.convertInput(QString::fromUtf16(u"Vie\u0323\u0302t\u0007\uFFFE") + QChar(0xD800));
    EXPECT_EQ(c.stored, QString::fromUtf16(u"Vi\u1EC7t"));
    EXPECT_EQ(c.leftOut.size(), 3);
    EXPECT_EQ(set.encode(QString(QChar(0xDC00))), std::nullopt);
    // Well-formed UTF-8 only.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x82", "\x80"})
        EXPECT_FALSE(UnicodeText::isValid(bad)) << bad;
    EXPECT_TRUE(UnicodeText::isValid(utf8(u"ok é 東 👍")));
}

// Indexes sort by the locale's collation, case ignored, equal ones in the order they came.
TEST(UnicodeOrder, TheLocalesCollationCaseIgnored) {
    const auto sorted = [](const char* locale, std::vector<const char16_t*> indexes) {
        CardBlock block;
        for (const char16_t* index : indexes)
            block.append(utf8(index));
        const std::vector<const Card*> cards = block.cards();
        const auto order =
            CharacterSet::unicode(QString::fromLatin1(locale)).indexOrder()->order(cards);
        std::vector<std::string> out;
        for (std::uint32_t i : order)
            out.emplace_back(cards[i]->indexText());
        return out;
    };
    const auto list = [](std::vector<const char16_t*> indexes) {
        std::vector<std::string> out;
        for (const char16_t* index : indexes)
            out.push_back(utf8(index));
        return out;
    };
    EXPECT_EQ(sorted("de_DE", {u"Birne", u"äpfel", u"Apfel", u"apfel", u"Zebra"}),
              list({u"Apfel", u"apfel", u"äpfel", u"Birne", u"Zebra"}));
    EXPECT_EQ(sorted("sv_SE", {u"Öl", u"Zebra", u"Apa"}), list({u"Apa", u"Zebra", u"Öl"}));
    EXPECT_EQ(sorted("de_DE", {u"Öl", u"Zebra", u"Apa"}), list({u"Apa", u"Öl", u"Zebra"}));
    // Russian puts its own letters first.
    EXPECT_EQ(sorted("ru_RU", {u"яблоко", u"Zebra", u"Апельсин"}),
              list({u"Апельсин", u"яблоко", u"Zebra"}));
    const auto order = CharacterSet::unicode(QStringLiteral("de_DE")).indexOrder();
    EXPECT_EQ(order->compare(utf8(u"STRASSE"), utf8(u"strasse")), 0);
    EXPECT_LT(order->compare(utf8(u"Apfel"), utf8(u"Äpfel")), 0);
}

// The fast check of whole texts agrees with one made a sequence at a time, on texts of valid
// sequences with random damage anywhere (the last bytes of a block and of the text included).
TEST(UnicodeLimits, TheFastUtf8CheckAgreesWithThePlainOne) {
    std::mt19937 random(31);
    const char32_t samples[] = {U'a',      U'\x7f',    U'\x80',     U'\x7ff',
                                U'\x800',  U'\xfff',   U'\xd7ff',   U'\xe000',
                                U'\xffff', U'\x10000', U'\x10ffff', U'\x1f600'};
    const auto reference = [](std::string_view s) {
        for (std::size_t i = 0; i < s.size();) {
            const int size = UnicodeText::sequenceAt(s, i);
            if (size == 0)
                return false;
            i += static_cast<std::size_t>(size);
        }
        return true;
    };
    for (int round = 0; round < 20000; ++round) {
        std::u32string text;
        for (int n = static_cast<int>(random() % 70); n > 0; --n)
            text += samples[random() % std::size(samples)];
        std::string bytes =
            QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size())).toStdString();
        if (!bytes.empty() && random() % 2) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
            case 0:
                bytes[at] = static_cast<char>(random() % 256);
                break;
            case 1:
                bytes.erase(at, 1);
                break;
            default:
                bytes.insert(at, 1, static_cast<char>(0x80 + random() % 0x80));
            }
        }
        ASSERT_EQ(UnicodeText::isValid(bytes), reference(bytes)) << round;
    }
}

// Comparing two indexes agrees with sorting them by their collation keys, in locales with and
// without their own rules for ASCII letters (Czech ch, Danish aa, Thai's ignorable punctuation).
TEST(UnicodeOrder, ComparisonsAgreeWithTheCollationKeys) {
    std::mt19937 random(32);
    const char* const pieces[] = {"a", "A", "b", "c", "ch", "h", "aa", "z", "Z", "0", "9", " ", ",",
                                  "-", "é", "e\xcc\x81", "ß", "я", "東", "ä", "å", "ı", "I",
                                  // beyond the first plane: a pair of UTF-16 units each
                                  "\xf0\x9f\x98\x80", "\xf0\x9d\x92\x9c"};
    for (const char* locale : {"en_US", "de_DE", "cs_CZ", "da_DK", "sv_SE", "tr_TR", "th_TH"}) {
        const auto order = CharacterSet::unicode(QString::fromLatin1(locale)).indexOrder();
        for (int round = 0; round < 3000; ++round) {
            const auto some = [&] {
                std::string s;
                for (int n = 1 + static_cast<int>(random() % 5); n > 0; --n)
                    s += pieces[random() % std::size(pieces)];
                return s;
            };
            std::string a = some(), b = random() % 2 ? a + some() : some();
            if (random() % 3 == 0) {
                const QString start = QString::fromStdString(a);
                b = start.left(start.size() / 2).toStdString() + some();
            }
            CardBlock block;
            block.append(a);
            block.append(b);
            const std::vector<const Card*> cards = block.cards();
            const std::vector<std::uint32_t> sorted = order->order(cards);
            const std::vector<const Card*> reversed{cards[1], cards[0]};
            const std::vector<std::uint32_t> sortedBack = order->order(reversed);
            const int c = order->compare(a, b);
            // Keys put a first in both orders only when a < b; equal keys keep the order given.
            const int byKeys = sorted[0] == 0 && sortedBack[0] == 1   ? -1
                               : sorted[0] == 1 && sortedBack[0] == 0 ? 1
                                                                      : 0;
            ASSERT_EQ((c > 0) - (c < 0), byKeys) << locale << " '" << a << "' '" << b << "'";
        }
    }
}
