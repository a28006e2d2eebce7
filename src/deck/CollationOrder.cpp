#include "CollationOrder.h"

#include <QStringList>

#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include <vector>

QByteArray CollationOrder::icuLocale(const QString& locale) {
    const QString name = locale.section(u'.', 0, 0).section(u'@', 0, 0);
    const QString modifier = locale.section(u'@', 1).toLower();
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX"))
        return QByteArray("root");
    // The script a modifier names comes between language and territory, as ICU writes it.
    const QString language = name.section(u'_', 0, 0);
    const QString territory = name.section(u'_', 1);
    QString script;
    if (modifier.startsWith(QLatin1String("latin")))
        script = QStringLiteral("Latn");
    else if (modifier.startsWith(QLatin1String("cyrillic")))
        script = QStringLiteral("Cyrl");
    QStringList parts{language};
    if (!script.isEmpty())
        parts << script;
    if (!territory.isEmpty())
        parts << territory;
    return parts.join(u'_').toLatin1();
}

CollationOrder::CollationOrder(const QString& locale) {
    UErrorCode error = U_ZERO_ERROR;
    m_collator = ucol_open(icuLocale(locale).constData(), &error);
    if (U_FAILURE(error) || !m_collator) {
        error = U_ZERO_ERROR;
        m_collator = ucol_open("root", &error);
    }
    // Case ignored: capitals and small letters sort as one, accents still count.
    ucol_setStrength(m_collator, UCOL_SECONDARY);
    rankAscii();
    // Sorting takes keys of the letters alone, which are quicker to make.
    error = U_ZERO_ERROR;
    m_primary = ucol_open(icuLocale(locale).constData(), &error);
    if (U_FAILURE(error) || !m_primary) {
        error = U_ZERO_ERROR;
        m_primary = ucol_open("root", &error);
    }
    ucol_setStrength(m_primary, UCOL_PRIMARY);
}

void CollationOrder::rankAscii() {
    UErrorCode error = U_ZERO_ERROR;
    if (ucol_getAttribute(m_collator, UCOL_NUMERIC_COLLATION, &error) == UCOL_ON)
        return; // digits go by their numbers' values
    // An ASCII character that expands, or that a contraction joins to an ASCII character
    // before or after it (Czech ch, Danish aa), is not ranked: its weight depends on its
    // neighbours. (One joined only to other scripts' characters is: a ranked character is
    // only used between ASCII characters.)
    USet* contractions = uset_openEmpty();
    USet* expansions = uset_openEmpty();
    ucol_getContractionsAndExpansions(m_collator, contractions, expansions, true, &error);
    if (U_FAILURE(error)) {
        uset_close(contractions);
        uset_close(expansions);
        return;
    }
    std::array<bool, 128> joined{};
    UChar text[64];
    for (int32_t i = 0, n = uset_getItemCount(contractions); i < n; ++i) {
        UChar32 start = 0, end = 0;
        UErrorCode e = U_ZERO_ERROR;
        const int32_t length = uset_getItem(contractions, i, &start, &end, text, 64, &e);
        for (int32_t k = 0; k < length && k < 64; ++k) {
            if (text[k] >= 0x80)
                continue;
            if ((k + 1 < length && text[k + 1] < 0x80) || (k > 0 && text[k - 1] < 0x80))
                joined[text[k]] = true;
        }
    }
    for (int32_t i = 0, n = uset_getItemCount(expansions); i < n; ++i) {
        UChar32 start = 0, end = 0;
        UErrorCode e = U_ZERO_ERROR;
        const int32_t length = uset_getItem(expansions, i, &start, &end, text, 64, &e);
        for (UChar32 c = start; length == 0 && c <= end && c < 0x80; ++c)
            joined[static_cast<std::size_t>(c)] = true;
        for (int32_t k = 0; k < length && k < 64; ++k) {
            if (text[k] < 0x80)
                joined[text[k]] = true;
        }
    }
    uset_close(contractions);
    uset_close(expansions);
    // Each printable character's primary weight, as the first level of its sort key.
    ucol_setStrength(m_collator, UCOL_PRIMARY);
    std::vector<std::pair<QByteArray, int>> weights;
    for (int c = 0x20; c < 0x7F; ++c) {
        const UChar text[1] = {static_cast<UChar>(c)};
        uint8_t key[64];
        const int32_t size = ucol_getSortKey(m_collator, text, 1, key, sizeof key);
        // The bytes before the terminator (and before a level separator, should there be
        // one); none for an ignorable character.
        QByteArray primary(reinterpret_cast<const char*>(key),
                           static_cast<qsizetype>(std::max(0, size - 1)));
        if (const qsizetype separator = primary.indexOf('\x01'); separator >= 0)
            primary.truncate(separator);
        if (!primary.isEmpty() && !joined[static_cast<std::size_t>(c)])
            weights.emplace_back(primary, c);
    }
    ucol_setStrength(m_collator, UCOL_SECONDARY);
    std::sort(weights.begin(), weights.end());
    unsigned char rank = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (i == 0 || weights[i].first != weights[i - 1].first)
            ++rank;
        m_asciiRank[static_cast<std::size_t>(weights[i].second)] = rank;
    }
}

std::optional<int> CollationOrder::quickCompare(std::string_view a, std::string_view b) const {
    // The first byte that differs, eight bytes at a time.
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t p = 0;
    for (; p + 8 <= n; p += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a.data() + p, 8);
        std::memcpy(&y, b.data() + p, 8);
        if (x != y) {
            // The first differing byte: the lowest in memory order.
            const std::uint64_t d = x ^ y;
            p += static_cast<std::size_t>(std::endian::native == std::endian::little
                                              ? std::countr_zero(d)
                                              : std::countl_zero(d)) /
                 8;
            break;
        }
    }
    while (p < n && a[p] == b[p])
        ++p;
    const auto rank = [this](std::string_view s, std::size_t at) -> int {
        const auto c = static_cast<unsigned char>(s[at]);
        return c < 0x80 ? m_asciiRank[c] : 0;
    };
    // What follows the differing characters may not be a mark that changes them, nor what
    // comes before them a character that joins them.
    const auto plainAfter = [](std::string_view s, std::size_t at) {
        return at + 1 >= s.size() || static_cast<unsigned char>(s[at + 1]) < 0x80;
    };
    if (p > 0 && static_cast<unsigned char>(a[p - 1]) >= 0x80)
        return std::nullopt;
    if (p == a.size() || p == b.size()) {
        if (a.size() == b.size())
            return 0;
        // One is the start of the other: the longer one has more weights.
        const std::string_view& longer = a.size() > b.size() ? a : b;
        if (rank(longer, p) == 0)
            return std::nullopt;
        return a.size() < b.size() ? -1 : 1;
    }
    const int x = rank(a, p), y = rank(b, p);
    if (x == 0 || y == 0 || x == y || !plainAfter(a, p) || !plainAfter(b, p))
        return std::nullopt;
    return x < y ? -1 : 1;
}

CollationOrder::~CollationOrder() {
    ucol_close(m_collator);
    ucol_close(m_primary);
}

int CollationOrder::compare(std::string_view a, std::string_view b) const {
    if (const std::optional<int> quick = quickCompare(a, b))
        return *quick;
    const std::lock_guard<std::mutex> guard(m_lock);
    UErrorCode error = U_ZERO_ERROR;
    const UCollationResult result =
        ucol_strcollUTF8(m_collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), &error);
    return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}

namespace {

// An index's UTF-16, for ICU. A deck's texts are checked UTF-8, decoded here directly; anything
// else (never expected) goes through ICU's lenient conversion.
int32_t toUtf16(std::string_view utf8, UChar* out, std::size_t room) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    std::size_t n = 0;
    while (p < end && n + 2 <= room) {
        const unsigned c = *p;
        if (c < 0x80) {
            out[n++] = static_cast<UChar>(c);
            ++p;
        } else if (c >= 0xC2 && c < 0xE0 && end - p >= 2) {
            out[n++] = static_cast<UChar>(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if (c >= 0xE0 && c < 0xF0 && end - p >= 3) {
            out[n++] =
                static_cast<UChar>(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else if (c >= 0xF0 && c < 0xF5 && end - p >= 4) {
            const unsigned cp =
                ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            out[n++] = static_cast<UChar>(0xD7C0 + (cp >> 10));
            out[n++] = static_cast<UChar>(0xDC00 | (cp & 0x3FF));
            p += 4;
        } else {
            break;
        }
    }
    if (p == end)
        return static_cast<int32_t>(n);
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8Lenient(out, static_cast<int32_t>(room), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), &error);
    return U_SUCCESS(error) ? length : 0;
}

} // namespace

std::vector<std::uint32_t> CollationOrder::order(std::span<const Card* const> cards) const {
    const std::size_t n = cards.size();
    // The keys, one after another in one buffer, each ending with its zero.
    std::vector<unsigned char> keys(n * 32 + 4096);
    std::size_t used = 0;
    std::vector<std::size_t> offsets(n);
    std::vector<UChar> text(Card::MaxIndexBytes + 1);
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        for (std::size_t i = 0; i < n; ++i) {
#if defined(__GNUC__)
            if (i + 8 < n)
                __builtin_prefetch(cards[i + 8]);
#endif
            const std::string_view index = cards[i]->indexText();
            const int32_t length = toUtf16(index, text.data(), text.size());
            for (;;) {
                const auto room = static_cast<int32_t>(keys.size() - used);
                const int32_t size =
                    ucol_getSortKey(m_primary, text.data(), length, keys.data() + used, room);
                if (size <= room) {
                    offsets[i] = used;
                    used += static_cast<std::size_t>(size);
                    break;
                }
                keys.resize(keys.size() * 2 + static_cast<std::size_t>(size));
            }
        }
    }
    keys.resize(used + 8); // room for the sort to read a word past the last key's end
    std::vector<const unsigned char*> keyOf(n);
    for (std::size_t i = 0; i < n; ++i)
        keyOf[i] = keys.data() + offsets[i];
    std::vector<std::uint32_t> order = orderByKeys(keyOf);
    // Sorted by the letters alone: indexes that differ only in accents come together, and are
    // ordered among themselves by the collator (a stable sort keeps equal ones as they came).
    for (std::size_t first = 0; first < n;) {
        std::size_t end = first + 1;
        while (end < n && std::strcmp(reinterpret_cast<const char*>(keyOf[order[first]]),
                                      reinterpret_cast<const char*>(keyOf[order[end]])) == 0)
            ++end;
        if (end - first > 1)
            std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(first),
                             order.begin() + static_cast<std::ptrdiff_t>(end),
                             [&](std::uint32_t a, std::uint32_t b) {
                                 return compare(cards[a]->indexText(), cards[b]->indexText()) < 0;
                             });
        first = end;
    }
    return order;
}
