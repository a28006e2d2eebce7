#include "UnicodeText.h"

#include <QTextBoundaryFinder>

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <array>
#include <cstring>
#include <mutex>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#define QUORIX_UTF8_AVX2 1
#include <immintrin.h>
#endif

namespace UnicodeText {

int sequenceAt(std::string_view bytes, std::size_t at, char32_t* codePoint) {
    const std::size_t n = bytes.size();
    if (at >= n)
        return 0;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char b0 = byte(at);
    if (b0 < 0x80) {
        if (codePoint)
            *codePoint = b0;
        return 1;
    }
    int size = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    char32_t c = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        size = 2;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        size = 3;
        c = b0 & 0x0F;
        if (b0 == 0xE0)
            low = 0xA0; // shorter forms are not UTF-8
        else if (b0 == 0xED)
            high = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        size = 4;
        c = b0 & 0x07;
        if (b0 == 0xF0)
            low = 0x90;
        else if (b0 == 0xF4)
            high = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (at + static_cast<std::size_t>(size) > n)
        return 0;
    for (int i = 1; i < size; ++i) {
        const unsigned char b = byte(at + static_cast<std::size_t>(i));
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return 0;
        c = c << 6 | (b & 0x3F);
    }
    if (codePoint)
        *codePoint = c;
    return size;
}

namespace {

// The plain check, a byte at a time with ASCII eight at a time; it also finds where the first
// damage lies.
std::size_t firstInvalidPlain(const unsigned char* begin, std::size_t n) {
    const unsigned char* p = begin;
    const unsigned char* const end = begin + n;
    const auto continuation = [](unsigned char b) { return (b & 0xC0) == 0x80; };
    while (p < end) {
        while (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const unsigned char c = *p;
        const std::ptrdiff_t left = end - p;
        if (c < 0x80) {
            ++p;
        } else if (c < 0xC2) {
            break;
        } else if (c < 0xE0) {
            if (left < 2 || !continuation(p[1]))
                break;
            p += 2;
        } else if (c < 0xF0) {
            if (left < 3 || !continuation(p[1]) || !continuation(p[2]) ||
                (c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
                break;
            p += 3;
        } else if (c < 0xF5) {
            if (left < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]) ||
                (c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
                break;
            p += 4;
        } else {
            break;
        }
    }
    return p == end ? std::string_view::npos : static_cast<std::size_t>(p - begin);
}

#ifdef QUORIX_UTF8_AVX2

// Whether the bytes are well-formed UTF-8, 32 at a time: each byte is classified by its high
// nibble and the previous byte's high and low nibbles, three table lookups whose bits AND to
// the errors a pair of bytes can show; the second and third continuation bytes of a longer
// sequence are checked against the bytes two and three back.
namespace avx2 {

constexpr unsigned char TooShort = 1 << 0, TooLong = 1 << 1, Overlong3 = 1 << 2, TooLarge = 1 << 3,
                        Surrogate = 1 << 4, Overlong2 = 1 << 5, TooLarge1000 = 1 << 6,
                        Overlong4 = 1 << 6, TwoConts = 1 << 7;
constexpr unsigned char Carry = TooShort | TooLong | TwoConts;
constexpr unsigned char Big = Carry | TooLarge | TooLarge1000;

alignas(16) constexpr unsigned char FirstHigh[16] = {TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TooLong,
                                                     TwoConts,
                                                     TwoConts,
                                                     TwoConts,
                                                     TwoConts,
                                                     TooShort | Overlong2,
                                                     TooShort,
                                                     TooShort | Overlong3 | Surrogate,
                                                     TooShort | TooLarge | TooLarge1000 |
                                                         Overlong4};
alignas(16) constexpr unsigned char FirstLow[16] = {Carry | Overlong3 | Overlong2 | Overlong4,
                                                    Carry | Overlong2,
                                                    Carry,
                                                    Carry,
                                                    Carry | TooLarge,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big,
                                                    Big | Surrogate,
                                                    Big,
                                                    Big};
alignas(16) constexpr unsigned char SecondHigh[16] = {
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4,
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge,
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,
    TooShort,
    TooShort,
    TooShort,
    TooShort};
// A lead byte among the last three of a text still waits for its continuation bytes.
alignas(32) constexpr unsigned char IncompleteAbove[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     0xFF,     0xFF,    0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,     0xFF,     0xFF,    0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1};

struct State {
    __m256i error;
    __m256i previous;
    __m256i incomplete;
};

__attribute__((target("avx2"))) inline __m256i lookup(const unsigned char* table, __m256i index) {
    const __m256i t =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(table)));
    return _mm256_shuffle_epi8(t, index);
}

__attribute__((target("avx2"))) inline void check(State& s, __m256i input, bool noZero) {
    if (noZero)
        s.error = _mm256_or_si256(s.error, _mm256_cmpeq_epi8(input, _mm256_setzero_si256()));
    if (_mm256_movemask_epi8(input) == 0) {
        s.error = _mm256_or_si256(s.error, s.incomplete);
        s.incomplete = _mm256_setzero_si256();
        s.previous = input;
        return;
    }
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i before = _mm256_permute2x128_si256(s.previous, input, 0x21);
    const __m256i prev1 = _mm256_alignr_epi8(input, before, 16 - 1);
    const __m256i prev2 = _mm256_alignr_epi8(input, before, 16 - 2);
    const __m256i prev3 = _mm256_alignr_epi8(input, before, 16 - 3);
    const __m256i special = _mm256_and_si256(
        _mm256_and_si256(lookup(FirstHigh, _mm256_and_si256(_mm256_srli_epi16(prev1, 4), nibble)),
                         lookup(FirstLow, _mm256_and_si256(prev1, nibble))),
        lookup(SecondHigh, _mm256_and_si256(_mm256_srli_epi16(input, 4), nibble)));
    const __m256i third = _mm256_subs_epu8(prev2, _mm256_set1_epi8(char(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(prev3, _mm256_set1_epi8(char(0xF0 - 0x80)));
    const __m256i mustContinue =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(char(0x80)));
    s.error = _mm256_or_si256(s.error, _mm256_xor_si256(mustContinue, special));
    s.incomplete = _mm256_subs_epu8(
        input, _mm256_load_si256(reinterpret_cast<const __m256i*>(IncompleteAbove)));
    s.previous = input;
}

// noZero: a zero byte is an error as well.
__attribute__((target("avx2"))) bool isValid(const unsigned char* data, std::size_t n,
                                             bool noZero) {
    State s{_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    std::size_t i = 0;
    for (; i + 32 <= n; i += 32)
        check(s, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i)), noZero);
    if (i < n) {
        // Blanks after the end: a sequence the text cuts short is one too short.
        alignas(32) unsigned char tail[32];
        std::memset(tail, ' ', sizeof tail);
        std::memcpy(tail, data + i, n - i);
        check(s, _mm256_load_si256(reinterpret_cast<const __m256i*>(tail)), noZero);
    }
    const __m256i error = _mm256_or_si256(s.error, s.incomplete);
    return _mm256_testz_si256(error, error);
}

} // namespace avx2

bool haveAvx2() {
    static const bool have = __builtin_cpu_supports("avx2");
    return have;
}
#endif

} // namespace

std::size_t firstInvalid(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
#ifdef QUORIX_UTF8_AVX2
    // Short texts and damaged ones the plain way, which also says where the damage is.
    if (bytes.size() >= 32 && haveAvx2() && avx2::isValid(data, bytes.size(), false))
        return std::string_view::npos;
#endif
    return firstInvalidPlain(data, bytes.size());
}

bool isValidWithoutZero(std::string_view bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
#ifdef QUORIX_UTF8_AVX2
    if (haveAvx2())
        return avx2::isValid(data, bytes.size(), true);
#endif
    return !std::memchr(data, 0, bytes.size()) &&
           firstInvalidPlain(data, bytes.size()) == std::string_view::npos;
}

bool isValid(std::string_view bytes) {
    return firstInvalid(bytes) == std::string_view::npos;
}

namespace {
bool extendsCharacter(char32_t c);
} // namespace

int characters(QStringView text) {
    if (text.isEmpty())
        return 0;
    const QString whole = text.toString();
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, whole);
    int count = 0;
    while (clusters.toNextBoundary() != -1)
        ++count;
    return count;
}

QStringView firstCharacters(QStringView text, int maxCharacters) {
    if (maxCharacters <= 0)
        return text.first(0);
    const QString whole = text.toString();
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, whole);
    qsizetype end = 0;
    for (int count = 0; count < maxCharacters; ++count) {
        const qsizetype next = clusters.toNextBoundary();
        if (next == -1)
            break;
        end = next;
    }
    return text.first(end);
}

std::string_view firstCharacters(std::string_view utf8, int maxCharacters, std::size_t maxBytes) {
    // Never more than maxBytes, and never inside a sequence.
    std::size_t limit = std::min(utf8.size(), maxBytes);
    while (limit > 0 && limit < utf8.size() &&
           (static_cast<unsigned char>(utf8[limit]) & 0xC0) == 0x80)
        --limit;
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(limit));
    QStringView kept = firstCharacters(text, maxCharacters);
    // A character the byte cap cuts through goes whole.
    if (kept.size() == text.size() && limit < utf8.size() && !kept.isEmpty()) {
        char32_t next = 0;
        if (sequenceAt(utf8, limit, &next) > 0 && extendsCharacter(next))
            kept = firstCharacters(kept, characters(kept) - 1);
    }
    std::size_t bytes = 0;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        const char16_t c = kept[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < kept.size() && kept[i + 1].isLowSurrogate()) {
            bytes += 4;
            ++i;
        } else {
            bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        }
    }
    return utf8.substr(0, std::min(bytes, limit));
}

bool startsWithMark(std::string_view utf8) {
    char32_t c = 0;
    return sequenceAt(utf8, 0, &c) > 0 && extendsCharacter(c);
}

bool isRefused(char32_t c) {
    if (c < 0x20)
        return c != u'\t' && c != u'\r' && c != u'\n';
    return (c >= 0x7F && c <= 0x9F) || (c >= 0xD800 && c <= 0xDFFF) ||
           (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE || c > 0x10FFFF;
}

namespace {

// The folding of one code point for search: the canonical decomposition of the full case
// folding of its canonical decomposition. Most code points are their own folding.
struct Folded {
    const char32_t* text;
    int size;
};

class FoldTable {
public:
    static const FoldTable& get() {
        static const FoldTable table;
        return table;
    }

    // The folding of c, written to scratch unless the table holds it.
    Folded of(char32_t c, std::array<char32_t, 32>& scratch) const {
        if (c < 0x10000) {
            const std::uint32_t begin = m_start[c], end = m_start[c + 1];
            if (begin == end) {
                scratch[0] = c;
                return {scratch.data(), 1};
            }
            return {m_pool.data() + begin, static_cast<int>(end - begin)};
        }
        return {scratch.data(), compute(c, scratch.data(), static_cast<int>(scratch.size()))};
    }

private:
    FoldTable() {
        UErrorCode error = U_ZERO_ERROR;
        m_nfd = unorm2_getNFDInstance(&error);
        m_start.assign(0x10001, 0);
        std::array<char32_t, 32> buffer;
        for (char32_t c = 0; c < 0x10000; ++c) {
            m_start[c] = static_cast<std::uint32_t>(m_pool.size());
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const int size = compute(c, buffer.data(), static_cast<int>(buffer.size()));
            if (size != 1 || buffer[0] != c)
                m_pool.insert(m_pool.end(), buffer.begin(), buffer.begin() + size);
        }
        m_start[0x10000] = static_cast<std::uint32_t>(m_pool.size());
    }

    int compute(char32_t c, char32_t* out, int capacity) const {
        UErrorCode error = U_ZERO_ERROR;
        UChar decomposed[32], folded[64], again[64];
        if (!u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_CHANGES_WHEN_CASEFOLDED) &&
            unorm2_getDecomposition(m_nfd, static_cast<UChar32>(c), decomposed, 32, &error) < 0) {
            out[0] = c;
            return 1;
        }
        error = U_ZERO_ERROR;
        UChar source[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(source, length, static_cast<UChar32>(c));
        const int32_t n1 = unorm2_normalize(m_nfd, source, length, decomposed, 32, &error);
        const int32_t n2 = u_strFoldCase(folded, 64, decomposed, n1, U_FOLD_CASE_DEFAULT, &error);
        const int32_t n3 = unorm2_normalize(m_nfd, folded, n2, again, 64, &error);
        if (U_FAILURE(error)) {
            out[0] = c;
            return 1;
        }
        int size = 0;
        for (int32_t i = 0; i < n3 && size < capacity;) {
            UChar32 cp;
            U16_NEXT(again, i, n3, cp);
            out[size++] = static_cast<char32_t>(cp);
        }
        return size;
    }

    const UNormalizer2* m_nfd = nullptr;
    std::vector<std::uint32_t> m_start;
    std::vector<char32_t> m_pool;
};

// Whether the code point belongs to the character before it (a mark, a joiner, an emoji
// modifier).
bool extendsCharacter(char32_t c) {
    if (c < 0x300)
        return false;
    const int kind = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
    return kind == U_GCB_EXTEND || kind == U_GCB_ZWJ || kind == U_GCB_SPACING_MARK;
}

// The code point at bytes[at]: a byte of no sequence stands for itself as U+FFFD.
char32_t codePointAt(std::string_view bytes, std::size_t at, int* size) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    if (b < 0x80) {
        *size = 1;
        return b;
    }
    char32_t c = 0;
    *size = sequenceAt(bytes, at, &c);
    if (*size == 0) {
        *size = 1;
        return 0xFFFD;
    }
    return c;
}

// A folded text to find, ready for the search loop: its code points, and the first bytes a
// match may start with. Kept per thread for the text last looked for: a filter looks for the
// same text in every card.
struct Prepared {
    std::string folded;
    bool turkic = false;
    std::vector<char32_t> codePoints;
    std::array<bool, 256> mayStart{};
};

} // namespace

QByteArray Search::fold(QStringView text) const {
    const FoldTable& table = FoldTable::get();
    const QString whole = text.toString();
    std::array<char32_t, 32> scratch;
    std::u32string out;
    for (qsizetype i = 0; i < whole.size();) {
        char32_t c = whole[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < whole.size() && whole[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(whole[i], whole[i + 1]);
            ++i;
        }
        ++i;
        if (m_turkic && (c == u'I' || c == 0x130)) {
            out += c == u'I' ? U'\u0131' : U'i';
            continue;
        }
        const Folded f = table.of(c, scratch);
        out.append(f.text, static_cast<std::size_t>(f.size));
    }
    return QString::fromUcs4(out.data(), static_cast<qsizetype>(out.size())).toUtf8();
}

std::size_t Search::find(std::string_view text, std::string_view folded, std::size_t from,
                         std::size_t* end) const {
    if (folded.empty() || from >= text.size())
        return std::string_view::npos;
    const FoldTable& table = FoldTable::get();
    thread_local Prepared prepared;
    if (prepared.folded != folded || prepared.turkic != m_turkic) {
        prepared.folded.assign(folded);
        prepared.turkic = m_turkic;
        prepared.codePoints.clear();
        for (std::size_t i = 0; i < folded.size();) {
            int size = 0;
            prepared.codePoints.push_back(codePointAt(folded, i, &size));
            i += static_cast<std::size_t>(size);
        }
        // A match starts on an ASCII byte that folds to the first code point, or on any
        // longer sequence (checked as it comes).
        std::array<char32_t, 32> scratch;
        for (int b = 0; b < 256; ++b) {
            bool start = b >= 0xC2;
            if (b < 0x80) {
                const char32_t c = m_turkic && b == 'I'
                                       ? U'\u0131'
                                       : table.of(static_cast<char32_t>(b), scratch).text[0];
                start = c == prepared.codePoints[0];
            }
            prepared.mayStart[static_cast<std::size_t>(b)] = start;
        }
    }
    const std::vector<char32_t>& q = prepared.codePoints;
    const std::size_t n = text.size();
    const bool startsWithMark = extendsCharacter(q[0]);
    std::array<char32_t, 32> scratch;
    for (std::size_t p = from; p < n; ++p) {
        while (p < n && !prepared.mayStart[static_cast<unsigned char>(text[p])])
            ++p;
        if (p >= n)
            break;
        std::size_t i = p;
        std::size_t k = 0;
        bool first = true;
        while (k < q.size() && i < n) {
            int size = 0;
            const char32_t c = codePointAt(text, i, &size);
            if (first && !startsWithMark && extendsCharacter(c))
                break; // inside a character
            first = false;
            Folded f{};
            char32_t single;
            if (m_turkic && (c == u'I' || c == 0x130)) {
                single = c == u'I' ? U'\u0131' : U'i';
                f = {&single, 1};
            } else {
                f = table.of(c, scratch);
            }
            const auto fs = static_cast<std::size_t>(f.size);
            if (k + fs > q.size()) {
                // The text to find may end inside a letter that folds to several ("strass"
                // finds "straß" as it is typed), but not before a mark (e does not find é).
                const std::size_t rest = q.size() - k;
                if (std::memcmp(f.text, q.data() + k, rest * 4) == 0 &&
                    !extendsCharacter(f.text[rest])) {
                    k = q.size();
                    i += static_cast<std::size_t>(size);
                }
                break;
            }
            if (std::memcmp(f.text, q.data() + k, fs * 4) != 0)
                break;
            k += fs;
            i += static_cast<std::size_t>(size);
        }
        if (k != q.size())
            continue;
        // A match ends between characters: not before a mark of the last letter.
        if (i < n) {
            int size = 0;
            if (extendsCharacter(codePointAt(text, i, &size)))
                continue;
        }
        if (end)
            *end = i;
        return p;
    }
    return std::string_view::npos;
}

} // namespace UnicodeText
