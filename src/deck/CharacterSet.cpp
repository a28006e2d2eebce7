#include "CharacterSet.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct CodePage {
    int number;
    const char* converter; // Qt's name for it
    const char* name;
};

// In the order of their names, as the menu shows them.
constexpr CodePage CodePages[] = {
    {1256, "windows-1256", "Arabic (Windows-1256)"},
    {1257, "windows-1257", "Baltic (Windows-1257)"},
    {1250, "windows-1250", "Central European (Windows-1250)"},
    {936, "windows-936", "Chinese Simplified (GBK, 936)"},
    {950, "windows-950", "Chinese Traditional (Big5, 950)"},
    {1251, "windows-1251", "Cyrillic (Windows-1251)"},
    {1253, "windows-1253", "Greek (Windows-1253)"},
    {1255, "windows-1255", "Hebrew (Windows-1255)"},
    {932, "windows-31j", "Japanese (Shift-JIS, 932)"},
    {949, "windows-949", "Korean (Unified Hangul, 949)"},
    {874, "windows-874", "Thai (Windows-874)"},
    {1254, "windows-1254", "Turkish (Windows-1254)"},
    {1258, "windows-1258", "Vietnamese (Windows-1258)"},
    {1252, "windows-1252", "Western (Windows-1252)"},
};

const CodePage* findCodePage(int number) {
    for (const CodePage& c : CodePages) {
        if (c.number == number)
            return &c;
    }
    return nullptr;
}

} // namespace

struct CharacterSet::Tables {
    int codePage = 1252;
    QString name;
    bool doubleByte = false;
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    // Double-byte sets: the character of lead << 8 | trail, 0 where the pair is none.
    std::vector<char16_t> pairs;
    // A character's bytes: below 0x100 one byte, otherwise lead << 8 | trail.
    QHash<char16_t, quint16> bytesOf;
    // Searching: each byte of a one-byte character folded, and the bytes that fold to a value.
    std::array<unsigned char, 256> fold{};
    std::array<std::array<unsigned char, 4>, 256> unfold{};
    std::array<unsigned char, 256> unfoldCount{};

    explicit Tables(const CodePage& page);
    void buildFolding();
};

CharacterSet::Tables::Tables(const CodePage& page)
    : codePage(page.number)
    , name(QString::fromLatin1(page.name)) {
    QStringDecoder decoder(page.converter, QStringDecoder::Flag::Stateless);
    // What Qt's converter gives for bytes it has no character for: U+FFFD, or SUB.
    const auto defined = [](QStringView c, char16_t sub) {
        return c.size() == 1 && c[0] != QChar::ReplacementCharacter && c[0].unicode() != 0 &&
               (c[0].unicode() != 0x1A || sub == 0x1A);
    };
    std::array<bool, 256> undefined{};
    for (int b = 1; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString c = decoder.decode(QByteArrayView(&byte, 1));
        if (defined(c, static_cast<char16_t>(b)))
            single[static_cast<std::size_t>(b)] = c[0].unicode();
        else
            undefined[static_cast<std::size_t>(b)] = true;
    }
    // A lead byte is one that begins characters of two bytes. Each candidate pair is decoded
    // on its own line, so that a pair that is none cannot swallow its neighbour.
    for (int l = 0x81; l < 0x100; ++l) {
        QByteArray line;
        for (int t = 0x40; t < 0x100; ++t)
            line.append(static_cast<char>(l)).append(static_cast<char>(t)).append('\n');
        const QString text = decoder.decode(line);
        const QList<QStringView> decoded = QStringView(text).split(u'\n');
        // A list that lost its alignment has no pair in it.
        if (decoded.size() != 0xC0 + 1)
            continue;
        for (int t = 0x40; t < 0x100; ++t) {
            const QStringView c = decoded[t - 0x40];
            if (!defined(c, 0))
                continue;
            if (pairs.empty())
                pairs.assign(0x10000, 0);
            lead[static_cast<std::size_t>(l)] = true;
            pairs[static_cast<std::size_t>(l << 8 | t)] = c[0].unicode();
        }
    }
    doubleByte = !pairs.empty();

    // Bytes without a character of their own (and lead bytes on their own) get one of the
    // private use area that no mapping of this set uses, from its top down.
    QSet<char16_t> used;
    for (int b = 1; b < 256; ++b)
        used.insert(single[static_cast<std::size_t>(b)]);
    for (char16_t c : pairs)
        used.insert(c);
    char16_t spare = 0xF8FF;
    for (int b = 1; b < 256; ++b) {
        if (!undefined[static_cast<std::size_t>(b)] && !lead[static_cast<std::size_t>(b)])
            continue;
        while (used.contains(spare))
            --spare;
        single[static_cast<std::size_t>(b)] = spare--;
    }

    // A character's bytes: where a set has it twice, the bytes Qt's converter writes for it.
    std::vector<char16_t> characters;
    std::vector<quint16> firstBytes;
    for (int b = 1; b < 256; ++b) {
        const char16_t c = single[static_cast<std::size_t>(b)];
        if (!bytesOf.contains(c)) {
            bytesOf.insert(c, static_cast<quint16>(b));
            characters.push_back(c);
        }
    }
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        if (pairs[p] != 0 && !bytesOf.contains(pairs[p])) {
            bytesOf.insert(pairs[p], static_cast<quint16>(p));
            characters.push_back(pairs[p]);
        }
    }
    QString all;
    for (char16_t c : characters)
        all.append(QChar(c)).append(u'\n');
    QStringEncoder encoder(page.converter, QStringEncoder::Flag::Stateless);
    const QByteArray encoded = encoder.encode(all);
    const QList<QByteArray> each = encoded.split('\n');
    if (each.size() == static_cast<qsizetype>(characters.size()) + 1) {
        for (std::size_t i = 0; i < characters.size(); ++i) {
            const QByteArray& bytes = each[static_cast<qsizetype>(i)];
            const auto b0 = static_cast<unsigned char>(bytes.isEmpty() ? 0 : bytes[0]);
            const auto b1 = static_cast<unsigned char>(bytes.size() < 2 ? 0 : bytes[1]);
            if (bytes.size() == 2 && !pairs.empty() &&
                pairs[static_cast<std::size_t>(b0 << 8 | b1)] == characters[i])
                bytesOf.insert(characters[i], static_cast<quint16>(b0 << 8 | b1));
            else if (bytes.size() == 1 && single[b0] == characters[i])
                bytesOf.insert(characters[i], b0);
        }
    }
    buildFolding();
}

void CharacterSet::Tables::buildFolding() {
    // Every letter of a one-byte set that has its capital in the same set folds to it (for
    // Windows-1252: a-z, à-þ but ÷, š, œ, ž and ÿ). A double-byte set folds a-z alone: its other
    // letters are characters of two bytes, whose second byte may look like a letter.
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        fold[byte] = (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : byte;
        if (doubleByte || b < 0x80)
            continue;
        const QChar capital = QChar(single[byte]).toUpper();
        const auto it = bytesOf.constFind(capital.unicode());
        if (capital != QChar(single[byte]) && it != bytesOf.cend() && *it < 0x100)
            fold[byte] = static_cast<unsigned char>(*it);
    }
    for (int b = 0; b < 256; ++b) {
        const unsigned char f = fold[static_cast<std::size_t>(b)];
        if (unfoldCount[f] < unfold[f].size())
            unfold[f][unfoldCount[f]++] = static_cast<unsigned char>(b);
    }
}

CharacterSet::CharacterSet()
    : CharacterSet(forCodePage(1252)) {}

CharacterSet::CharacterSet(std::shared_ptr<const Tables> tables)
    : m_tables(std::move(tables)) {}

CharacterSet CharacterSet::forCodePage(int codePage) {
    static std::mutex lock;
    static std::map<int, std::shared_ptr<const Tables>> built;
    const CodePage* page = findCodePage(codePage);
    if (!page)
        page = findCodePage(1252);
    const std::lock_guard<std::mutex> guard(lock);
    auto& tables = built[page->number];
    if (!tables)
        tables = std::make_shared<const Tables>(*page);
    return CharacterSet(tables);
}

int CharacterSet::codePageForLocale(const QString& locale) {
    const QString name = locale.section(u'.', 0, 0).section(u'@', 0, 0);
    const QString language = name.section(u'_', 0, 0).toLower();
    const QString territory = name.section(u'_', 1, 1).toUpper();
    if (language == QLatin1String("zh"))
        return territory == QLatin1String("TW") || territory == QLatin1String("HK") ? 950 : 936;
    static const struct {
        int codePage;
        const char* languages;
    } table[] = {{1250, "cs hu pl ro sk sl hr sq bs"},
                 {1251, "ru uk be bg sr mk"},
                 {1253, "el"},
                 {1254, "tr az"},
                 {1255, "he"},
                 {1256, "ar fa ur"},
                 {1257, "et lv lt"},
                 {1258, "vi"},
                 {874, "th"},
                 {932, "ja"},
                 {949, "ko"}};
    for (const auto& row : table) {
        if (!language.isEmpty() &&
            QString::fromLatin1(row.languages).split(u' ').contains(language))
            return row.codePage;
    }
    return 1252;
}

int CharacterSet::localeCodePage() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return codePageForLocale(value);
    }
    return 1252;
}

bool CharacterSet::isSupported(int codePage) {
    return findCodePage(codePage) != nullptr;
}

const std::vector<int>& CharacterSet::codePages() {
    static const std::vector<int> all = [] {
        std::vector<int> out;
        for (const CodePage& c : CodePages)
            out.push_back(c.number);
        return out;
    }();
    return all;
}

int CharacterSet::codePage() const {
    return m_tables->codePage;
}

QString CharacterSet::name() const {
    return m_tables->name;
}

bool CharacterSet::isDoubleByte() const {
    return m_tables->doubleByte;
}

int CharacterSet::characterSize(std::string_view bytes, std::size_t at) const {
    if (!m_tables->doubleByte || at + 1 >= bytes.size())
        return 1;
    const auto l = static_cast<unsigned char>(bytes[at]);
    if (!m_tables->lead[l])
        return 1;
    const auto t = static_cast<unsigned char>(bytes[at + 1]);
    return m_tables->pairs[static_cast<std::size_t>(l << 8 | t)] != 0 ? 2 : 1;
}

QString CharacterSet::decode(std::string_view bytes) const {
    const Tables& t = *m_tables;
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    if (!t.doubleByte) {
        for (char c : bytes)
            *out++ = QChar(t.single[static_cast<unsigned char>(c)]);
        return text;
    }
    for (std::size_t i = 0; i < bytes.size();) {
        if (characterSize(bytes, i) == 2) {
            const auto l = static_cast<unsigned char>(bytes[i]);
            const auto r = static_cast<unsigned char>(bytes[i + 1]);
            *out++ = QChar(t.pairs[static_cast<std::size_t>(l << 8 | r)]);
            i += 2;
        } else {
            *out++ = QChar(t.single[static_cast<unsigned char>(bytes[i++])]);
        }
    }
    text.truncate(out - text.constData());
    return text;
}

int CharacterSet::encodedSize(QChar c) const {
    const char16_t u = c.unicode();
    if (u == 0)
        return 0;
    if (u < 0x80 && m_tables->single[u] == u)
        return 1;
    const auto it = m_tables->bytesOf.constFind(u);
    if (it == m_tables->bytesOf.cend())
        return 0;
    return *it < 0x100 ? 1 : 2;
}

std::optional<QByteArray> CharacterSet::encode(QStringView text) const {
    const Tables& t = *m_tables;
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0)
            return std::nullopt;
        if (u < 0x80 && t.single[u] == u) {
            bytes.append(static_cast<char>(u));
            continue;
        }
        const auto it = t.bytesOf.constFind(u);
        if (it == t.bytesOf.cend())
            return std::nullopt;
        if (*it >= 0x100)
            bytes.append(static_cast<char>(*it >> 8));
        bytes.append(static_cast<char>(*it & 0xFF));
    }
    return bytes;
}

int CharacterSet::byteLength(QStringView text) const {
    int size = 0;
    for (QChar c : text)
        size += std::max(1, encodedSize(c));
    return size;
}

std::string_view CharacterSet::cut(std::string_view bytes, std::size_t maxBytes) const {
    if (bytes.size() <= maxBytes)
        return bytes;
    if (!m_tables->doubleByte)
        return bytes.substr(0, maxBytes);
    std::size_t end = 0;
    while (end < bytes.size()) {
        const auto size = static_cast<std::size_t>(characterSize(bytes, end));
        if (end + size > maxBytes)
            break;
        end += size;
    }
    return bytes.substr(0, end);
}

QByteArray CharacterSet::cut(const QByteArray& bytes, int maxBytes) const {
    const std::string_view kept =
        cut(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
            static_cast<std::size_t>(std::max(0, maxBytes)));
    return bytes.left(static_cast<qsizetype>(kept.size()));
}

QByteArray CharacterSet::foldForSearch(std::string_view text) const {
    QByteArray out(text.data(), static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size();) {
        if (characterSize(text, i) == 2) {
            i += 2; // the trail byte of a character is no letter of its own
            continue;
        }
        out[static_cast<qsizetype>(i)] =
            static_cast<char>(m_tables->fold[static_cast<unsigned char>(text[i])]);
        ++i;
    }
    return out;
}

std::size_t CharacterSet::find(std::string_view bytes, std::string_view folded,
                               std::size_t from) const {
    const Tables& t = *m_tables;
    const std::size_t m = folded.size();
    if (m == 0 || bytes.size() < m || from > bytes.size() - m)
        return std::string_view::npos;
    const auto same = [&t](char byte, char foldedByte) {
        return t.fold[static_cast<unsigned char>(byte)] == static_cast<unsigned char>(foldedByte);
    };

    if (t.doubleByte) {
        // Only whole characters match: walk the bytes a character at a time.
        for (std::size_t at = from; at + m <= bytes.size();
             at += static_cast<std::size_t>(characterSize(bytes, at))) {
            std::size_t j = 0;
            while (j < m) {
                const int size = characterSize(folded, j);
                if (characterSize(bytes, at + j) != size)
                    break;
                if (size == 2 ? (bytes[at + j] != folded[j] || bytes[at + j + 1] != folded[j + 1])
                              : !same(bytes[at + j], folded[j]))
                    break;
                j += static_cast<std::size_t>(size);
            }
            if (j == m)
                return at;
        }
        return std::string_view::npos;
    }

    // The places where the text may start are found with memchr, one pass for each byte that
    // folds to its first byte: a search over a hundred thousand cards runs at memory speed.
    const auto first = static_cast<unsigned char>(folded[0]);
    const int variants = t.unfoldCount[first];
    const char* const begin = bytes.data();
    const char* const last = begin + (bytes.size() - m) + 1; // one past the last start
    const auto next = [last](const char* p, unsigned char c) {
        const void* hit = std::memchr(p, c, static_cast<std::size_t>(last - p));
        return hit ? static_cast<const char*>(hit) : last;
    };
    std::array<const char*, 4> at{};
    for (int v = 0; v < variants; ++v)
        at[static_cast<std::size_t>(v)] =
            next(begin + from, t.unfold[first][static_cast<std::size_t>(v)]);
    for (;;) {
        const char* p = last;
        for (int v = 0; v < variants; ++v)
            p = std::min(p, at[static_cast<std::size_t>(v)]);
        if (p >= last)
            return std::string_view::npos;
        std::size_t j = 1;
        while (j < m && same(p[j], folded[j]))
            ++j;
        if (j == m)
            return static_cast<std::size_t>(p - begin);
        for (int v = 0; v < variants; ++v) {
            if (at[static_cast<std::size_t>(v)] == p)
                at[static_cast<std::size_t>(v)] =
                    next(p + 1, t.unfold[first][static_cast<std::size_t>(v)]);
        }
    }
}
