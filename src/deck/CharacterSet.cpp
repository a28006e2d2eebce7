#include "CharacterSet.h"

#include "CollationOrder.h"
#include "IndexOrder.h"
#include "UnicodeText.h"
#include "WindowsCodePages.h"

#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct CodePage {
    int number;
    const char* converter; // Qt's name for it, whose double-byte pairs are Windows' own
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

// Beyond the published tables: characters that today's keyboards and input methods of a
// page's own languages type where its users' text has always held another character of the
// page, stored as that one (or as its best fit): Romanian s and t with comma below as the
// cedilla forms, Persian digits as the digits Arabic ones best-fit to, and the characters a
// Japanese input method types where CP932 holds its own variants (the wave dash, the minus,
// the double vertical line, cent, pound, em dash, broken bar).
struct Typed {
    int codePage;
    char16_t unicode;
    char16_t as;
};
constexpr Typed TypedAs[] = {
    {1250, 0x0218, 0x015E}, {1250, 0x0219, 0x015F}, {1250, 0x021A, 0x0162}, {1250, 0x021B, 0x0163},
    {1254, 0x0218, 0x015E}, {1254, 0x0219, 0x015F}, {1254, 0x021A, 0x0162}, {1254, 0x021B, 0x0163},
    {1256, 0x06F0, 0x0030}, {1256, 0x06F1, 0x0031}, {1256, 0x06F2, 0x0032}, {1256, 0x06F3, 0x0033},
    {1256, 0x06F4, 0x0034}, {1256, 0x06F5, 0x0035}, {1256, 0x06F6, 0x0036}, {1256, 0x06F7, 0x0037},
    {1256, 0x06F8, 0x0038}, {1256, 0x06F9, 0x0039}, {932, 0x301C, 0xFF5E},  {932, 0x2016, 0x2225},
    {932, 0x2212, 0xFF0D},  {932, 0x00A2, 0xFFE0},  {932, 0x00A3, 0xFFE1},  {932, 0x2014, 0x2015},
    {932, 0x00A6, 0xFFE4},
};

constexpr std::size_t MaxVariants = 8;

} // namespace

struct CharacterSet::Tables {
    int codePage = 1252;
    QString name;
    bool doubleByte = false;
    // Unicode: the search that folds as the locale pairs letters, and its collation.
    std::optional<UnicodeText::Search> search;
    std::array<char16_t, 256> single{};
    std::array<bool, 256> lead{};
    // Double-byte sets: the character of lead << 8 | trail, 0 where the pair is none.
    std::vector<char16_t> pairs;
    // A character's bytes: below 0x100 one byte, otherwise lead << 8 | trail.
    QHash<char16_t, quint16> bytesOf;
    // The bytes Windows writes for a character the set does not hold.
    QHash<char16_t, quint16> bestFit;
    // Characters that stand for a lead byte without its trail byte; never typed.
    QSet<char16_t> standIns;
    // Double-byte sets with characters held twice: each pair as the pair Windows writes for
    // its character (0 where it is that pair itself). Empty for every other set.
    std::vector<quint16> canonical;
    // Searching: each byte of a one-byte character folded, and the bytes that fold to a value.
    std::array<unsigned char, 256> fold{};
    std::array<std::array<unsigned char, MaxVariants>, 256> unfold{};
    std::array<unsigned char, 256> unfoldCount{};

    // Shared by every deck of the set: the tables outlive them all.
    std::shared_ptr<const IndexOrder> order;

    explicit Tables(const CodePage& page);
    // Unicode, for a locale.
    explicit Tables(const QString& locale);
    void buildFolding();
    // An index with every pair of a character held twice as the pair Windows writes for it.
    static std::string canonicalIndex(const void* tables, std::string_view index);
    quint16 canonicalPair(quint16 pair) const {
        return canonical.empty() || canonical[pair] == 0 ? pair : canonical[pair];
    }
};

CharacterSet::Tables::Tables(const CodePage& page)
    : codePage(page.number)
    , name(QString::fromLatin1(page.name)) {
    const WindowsCodePages::Page* windows = WindowsCodePages::find(page.number);
    // Every single byte as Windows reads it; a byte it gives no character of its own begins a
    // pair.
    for (int b = 0; b < 256; ++b) {
        single[static_cast<std::size_t>(b)] = windows->singles[b];
        lead[static_cast<std::size_t>(b)] = b != 0 && windows->singles[b] == 0;
    }
    // The pairs, each decoded on its own line, so that a pair that is none cannot swallow its
    // neighbour.
    QStringDecoder decoder(page.converter, QStringDecoder::Flag::Stateless);
    for (int l = 0x81; l < 0x100; ++l) {
        if (!lead[static_cast<std::size_t>(l)])
            continue;
        QByteArray line;
        for (int t = 0x40; t < 0x100; ++t)
            line.append(static_cast<char>(l)).append(static_cast<char>(t)).append('\n');
        const QString text = decoder.decode(line);
        const QList<QStringView> decoded = QStringView(text).split(u'\n');
        if (decoded.size() != 0xC0 + 1)
            continue; // a list that lost its alignment has no pair in it
        for (int t = 0x40; t < 0x100; ++t) {
            const QStringView c = decoded[t - 0x40];
            if (c.size() != 1 || c[0] == QChar::ReplacementCharacter || c[0].unicode() == 0)
                continue;
            if (pairs.empty())
                pairs.assign(0x10000, 0);
            pairs[static_cast<std::size_t>(l << 8 | t)] = c[0].unicode();
        }
    }
    doubleByte = !pairs.empty();

    QSet<char16_t> used;
    for (int b = 1; b < 256; ++b) {
        if (!lead[static_cast<std::size_t>(b)]) {
            used.insert(single[static_cast<std::size_t>(b)]);
            bytesOf.insert(single[static_cast<std::size_t>(b)], static_cast<quint16>(b));
        }
    }
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        if (pairs[p] != 0 && !bytesOf.contains(pairs[p])) {
            used.insert(pairs[p]);
            bytesOf.insert(pairs[p], static_cast<quint16>(p));
        }
    }
    for (int i = 0; i < windows->preferredCount; ++i)
        bytesOf.insert(windows->preferred[i].unicode, windows->preferred[i].bytes);
    for (int i = 0; i < windows->bestFitCount; ++i) {
        if (!bytesOf.contains(windows->bestFit[i].unicode))
            bestFit.insert(windows->bestFit[i].unicode, windows->bestFit[i].bytes);
    }
    for (const Typed& t : TypedAs) {
        if (t.codePage != codePage || bytesOf.contains(t.unicode) || bestFit.contains(t.unicode))
            continue;
        // The bytes copied out first: inserting may move what an iterator points at.
        if (const auto held = bytesOf.constFind(t.as); held != bytesOf.cend()) {
            bestFit.insert(t.unicode, *held);
        } else if (const auto fit = bestFit.constFind(t.as); fit != bestFit.cend()) {
            const quint16 bytes = *fit;
            bestFit.insert(t.unicode, bytes);
        }
    }

    // A lead byte alone gets a character of the private use area that no mapping of this set
    // uses, from its top down.
    char16_t spare = 0xF8FF;
    for (int b = 1; b < 256; ++b) {
        if (!lead[static_cast<std::size_t>(b)])
            continue;
        while (used.contains(spare) || bestFit.contains(spare))
            --spare;
        single[static_cast<std::size_t>(b)] = spare;
        bytesOf.insert(spare, static_cast<quint16>(b)); // stored text gives its byte back
        standIns.insert(spare--);
    }

    // A pair of a character held twice reads as the pair Windows writes for it.
    for (std::size_t p = 0; p < pairs.size(); ++p) {
        if (pairs[p] == 0)
            continue;
        const quint16 written = bytesOf.value(pairs[p]);
        if (written != p && written >= 0x100) {
            if (canonical.empty())
                canonical.assign(0x10000, 0);
            canonical[p] = written;
        }
    }
    buildFolding();
    order =
        canonical.empty()
            ? ByteIndexOrder::plain()
            : std::make_shared<const ByteIndexOrder>(
                  canonicalIndex, std::shared_ptr<const void>(std::shared_ptr<const void>(), this));
}

CharacterSet::Tables::Tables(const QString& locale)
    : codePage(CharacterSet::Unicode)
    , name(QStringLiteral("Unicode")) {
    const QString language = locale.section(u'_', 0, 0).section(u'.', 0, 0).section(u'@', 0, 0);
    search.emplace(language == QLatin1String("tr") || language == QLatin1String("az"));
    order = std::make_shared<const CollationOrder>(locale);
}

std::string CharacterSet::Tables::canonicalIndex(const void* tables, std::string_view index) {
    const auto& t = *static_cast<const Tables*>(tables);
    std::string out(index);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        const auto l = static_cast<unsigned char>(out[i]);
        if (!t.lead[l])
            continue;
        const auto pair = static_cast<quint16>(l << 8 | static_cast<unsigned char>(out[i + 1]));
        if (t.pairs[pair] == 0)
            continue; // a lead byte alone; the next byte is a character of its own
        const quint16 written = t.canonicalPair(pair);
        out[i] = static_cast<char>(written >> 8);
        out[++i] = static_cast<char>(written & 0xFF);
    }
    return out;
}

void CharacterSet::Tables::buildFolding() {
    const auto byteOf = [this](char16_t c) -> int {
        const auto it = bytesOf.constFind(c);
        return it != bytesOf.cend() && *it < 0x100 ? *it : -1;
    };
    // Every letter of a one-byte set that has its capital in the same set folds to it (for
    // Windows-1252: a-z, à-þ but ÷, š, œ, ž and ÿ). A double-byte set folds a-z alone: its other
    // letters are characters of two bytes, whose second byte may look like a letter.
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        fold[byte] = (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : byte;
        if (doubleByte || b < 0x80)
            continue;
        QChar c(single[byte]);
        // Greek readers take an accented vowel for the same letter: its base's capital.
        if (codePage == 1253 && c.decompositionTag() == QChar::Canonical)
            c = QString(c).normalized(QString::NormalizationForm_D).at(0);
        const int capital = byteOf(c.toUpper().unicode());
        if (capital >= 0 && capital != b)
            fold[byte] = static_cast<unsigned char>(capital);
    }
    if (codePage == 1254) {
        // Turkish: i and İ are one letter, ı and I another.
        fold['i'] = static_cast<unsigned char>(byteOf(u'\u0130'));
        fold[static_cast<unsigned char>(byteOf(u'\u0131'))] = 'I';
    } else if (codePage == 1251) {
        // Russian readers take ё for е.
        const auto ie = static_cast<unsigned char>(byteOf(u'\u0415'));
        fold[static_cast<unsigned char>(byteOf(u'\u0451'))] = ie;
        fold[static_cast<unsigned char>(byteOf(u'\u0401'))] = ie;
    }
    for (int b = 0; b < 256; ++b) {
        const unsigned char f = fold[static_cast<std::size_t>(b)];
        if (unfoldCount[f] < MaxVariants)
            unfold[f][unfoldCount[f]++] = static_cast<unsigned char>(b);
    }
}

CharacterSet::CharacterSet()
    : CharacterSet(forCodePage(1252)) {}

CharacterSet::CharacterSet(std::shared_ptr<const Tables> tables)
    : m_tables(std::move(tables)) {}

namespace {

QString programLocale() {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QStringLiteral("C");
}

} // namespace

CharacterSet CharacterSet::unicode(const QString& locale) {
    static std::mutex lock;
    static std::map<QString, std::shared_ptr<const Tables>> built;
    const QString name = locale.isEmpty() ? programLocale() : locale;
    const std::lock_guard<std::mutex> guard(lock);
    auto& tables = built[name];
    if (!tables)
        tables = std::make_shared<const Tables>(name);
    return CharacterSet(tables);
}

CharacterSet CharacterSet::forCodePage(int codePage) {
    if (codePage == Unicode)
        return unicode();
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
    const QString modifier = locale.section(u'@', 1).toLower();
    const QString language = name.section(u'_', 0, 0).toLower();
    const QString territory = name.section(u'_', 1, 1).toUpper();
    const bool latin = modifier.startsWith(QLatin1String("latin"));
    const bool cyrillic = modifier.startsWith(QLatin1String("cyrillic"));
    // The languages whose script decides: Windows gives each script its own code page.
    if (language == QLatin1String("zh"))
        return territory == QLatin1String("TW") || territory == QLatin1String("HK") ||
                       territory == QLatin1String("MO")
                   ? 950
                   : 936;
    if (language == QLatin1String("sr"))
        return latin || territory == QLatin1String("ME") ? 1250 : 1251;
    if (language == QLatin1String("bs"))
        return cyrillic ? 1251 : 1250;
    if (language == QLatin1String("az"))
        return cyrillic ? 1251 : territory == QLatin1String("IR") ? 1256 : 1254;
    if (language == QLatin1String("uz"))
        return cyrillic ? 1251 : 1254;
    if (language == QLatin1String("be"))
        return latin ? 1250 : 1251;
    if (language == QLatin1String("tt"))
        return modifier == QLatin1String("iqtelif") ? 1254 : 1251;
    if (language == QLatin1String("ku"))
        return territory == QLatin1String("TR") ? 1254 : 1256;
    static const struct {
        int codePage;
        const char* languages;
    } table[] = {{1250, "cs hu pl ro sk sl hr sq hsb dsb tk"},
                 {1251, "ru uk bg mk kk ky mn tg ba sah cv os"},
                 {1253, "el"},
                 {1254, "tr"},
                 {1255, "he yi"},
                 {1256, "ar fa ur ps ug ckb sd prs"},
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
    return codePage == Unicode || findCodePage(codePage) != nullptr;
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

bool CharacterSet::isUnicode() const {
    return m_tables->search.has_value();
}

int CharacterSet::characterSize(std::string_view bytes, std::size_t at) const {
    if (isUnicode())
        return std::max(1, UnicodeText::sequenceAt(bytes, at));
    if (!m_tables->doubleByte || at + 1 >= bytes.size())
        return 1;
    const auto l = static_cast<unsigned char>(bytes[at]);
    if (!m_tables->lead[l])
        return 1;
    const auto t = static_cast<unsigned char>(bytes[at + 1]);
    return m_tables->pairs[static_cast<std::size_t>(l << 8 | t)] != 0 ? 2 : 1;
}

QString CharacterSet::decode(std::string_view bytes) const {
    if (isUnicode())
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
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
    if (isUnicode())
        return u == 0 || c.isSurrogate() ? 0 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
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
    if (isUnicode()) {
        // Stored text as it is: only a NUL or a lone surrogate has no bytes.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c.unicode() == 0)
                return std::nullopt;
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                return std::nullopt;
        }
        return text.toUtf8();
    }
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

std::optional<QByteArray> CharacterSet::bytesOfCluster(QStringView cluster) const {
    const Tables& t = *m_tables;
    const auto held = [&](QStringView text) -> std::optional<QByteArray> {
        for (QChar c : text) {
            if (t.standIns.contains(c.unicode()))
                return std::nullopt; // stands for a lone lead byte, which typing never makes
        }
        return encode(text);
    };
    if (auto bytes = held(cluster))
        return bytes;
    const QString composed = cluster.toString().normalized(QString::NormalizationForm_C);
    if (auto bytes = held(composed))
        return bytes;
    // A letter the set holds as a base with marks: the largest part of it the set holds as one
    // character, then each remaining mark (ế in Vietnamese as ê and the combining acute).
    const QString decomposed = composed.normalized(QString::NormalizationForm_D);
    const QStringView base =
        QStringView(decomposed).left(decomposed.at(0).isHighSurrogate() ? 2 : 1);
    const QStringView marks = QStringView(decomposed).mid(base.size());
    if (!marks.isEmpty() && marks.size() <= 6) {
        const int n = static_cast<int>(marks.size());
        for (int count = n; count >= 0; --count) {
            for (unsigned mask = 0; mask < (1u << n); ++mask) {
                if (std::popcount(mask) != count)
                    continue;
                QString part = base.toString();
                QString rest;
                for (int i = 0; i < n; ++i)
                    (mask & (1u << i) ? part : rest) += marks[i];
                const auto first = held(part.normalized(QString::NormalizationForm_C));
                const auto others = held(rest);
                if (first && others && first->size() <= 2)
                    return *first + *others;
            }
        }
    }
    // Windows' best fit, for a character it has one for.
    if (composed.size() == 1) {
        const auto it = t.bestFit.constFind(composed.at(0).unicode());
        if (it != t.bestFit.cend()) {
            QByteArray bytes;
            if (*it >= 0x100)
                bytes.append(static_cast<char>(*it >> 8));
            bytes.append(static_cast<char>(*it & 0xFF));
            return bytes;
        }
    }
    return std::nullopt;
}

CharacterSet::Converted CharacterSet::convertInput(QStringView text) const {
    Converted out;
    if (isUnicode()) {
        // Every character but those a deck never stores, composed (NFC).
        const QString composed = text.toString().normalized(QString::NormalizationForm_C);
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, composed);
        qsizetype start = 0;
        for (qsizetype end = clusters.toNextBoundary(); end != -1 && start < composed.size();
             end = clusters.toNextBoundary()) {
            const QStringView cluster = QStringView(composed).mid(start, end - start);
            start = end;
            bool refused = false;
            for (qsizetype i = 0; i < cluster.size() && !refused; ++i) {
                char32_t c = cluster[i].unicode();
                if (cluster[i].isHighSurrogate() && i + 1 < cluster.size() &&
                    cluster[i + 1].isLowSurrogate())
                    c = QChar::surrogateToUcs4(cluster[i], cluster[i + 1]), ++i;
                refused = UnicodeText::isRefused(c);
            }
            if (!refused)
                out.stored += cluster;
            else if (!out.leftOut.contains(cluster))
                out.leftOut += cluster;
        }
        out.bytes = out.stored.toUtf8();
        return out;
    }
    const QString whole = text.toString();
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, whole);
    qsizetype start = 0;
    for (qsizetype end = clusters.toNextBoundary(); end != -1 && start < whole.size();
         end = clusters.toNextBoundary()) {
        const QStringView cluster = QStringView(whole).mid(start, end - start);
        start = end;
        if (const auto bytes = bytesOfCluster(cluster)) {
            out.bytes += *bytes;
        } else if (!out.leftOut.contains(cluster)) {
            out.leftOut += cluster;
        }
    }
    out.stored =
        decode(std::string_view(out.bytes.constData(), static_cast<std::size_t>(out.bytes.size())));
    return out;
}

int CharacterSet::measure(QStringView text) const {
    if (isUnicode())
        return UnicodeText::characters(text);
    int size = 0;
    for (QChar c : text)
        size += std::max(1, encodedSize(c));
    return size;
}

QString CharacterSet::fit(QStringView text, int max) const {
    if (isUnicode())
        return UnicodeText::firstCharacters(text, std::max(0, max)).toString();
    if (measure(text) <= max)
        return text.toString();
    const QString whole = text.toString();
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, whole);
    qsizetype start = 0;
    int size = 0;
    for (qsizetype end = clusters.toNextBoundary(); end > start; end = clusters.toNextBoundary()) {
        size += measure(QStringView(whole).mid(start, end - start));
        if (size > max)
            break;
        start = end;
    }
    return whole.left(start);
}

std::string_view CharacterSet::cutBytes(std::string_view bytes, std::size_t maxBytes) const {
    if (isUnicode())
        return UnicodeText::firstCharacters(bytes, INT_MAX, maxBytes);
    return cut(bytes, maxBytes);
}

std::string_view CharacterSet::cut(std::string_view bytes, std::size_t maxBytes) const {
    if (isUnicode())
        return UnicodeText::firstCharacters(
            bytes, static_cast<int>(std::min<std::size_t>(maxBytes, INT_MAX)));
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
    if (isUnicode())
        return m_tables->search->fold(decode(text));
    const Tables& t = *m_tables;
    QByteArray out(text.data(), static_cast<qsizetype>(text.size()));
    for (std::size_t i = 0; i < text.size();) {
        if (characterSize(text, i) == 2) {
            // A character held twice is looked for as the pair Windows writes for it.
            const quint16 pair =
                t.canonicalPair(static_cast<quint16>(static_cast<unsigned char>(text[i]) << 8 |
                                                     static_cast<unsigned char>(text[i + 1])));
            out[static_cast<qsizetype>(i)] = static_cast<char>(pair >> 8);
            out[static_cast<qsizetype>(i + 1)] = static_cast<char>(pair & 0xFF);
            i += 2; // the trail byte of a character is no letter of its own
            continue;
        }
        out[static_cast<qsizetype>(i)] =
            static_cast<char>(t.fold[static_cast<unsigned char>(text[i])]);
        ++i;
    }
    return out;
}

std::string_view CharacterSet::firstLetter(std::string_view folded) const {
    if (isUnicode())
        return UnicodeText::firstCharacters(folded, 1);
    return folded.substr(0, static_cast<std::size_t>(characterSize(folded, 0)));
}

bool CharacterSet::narrows(std::string_view folded, std::string_view longer) const {
    if (folded.empty() || !longer.starts_with(folded))
        return false;
    // In Unicode a mark typed after a letter makes it another letter: "e" is not in "é".
    return !isUnicode() || folded.size() == longer.size() ||
           !UnicodeText::startsWithMark(longer.substr(folded.size()));
}

std::size_t CharacterSet::find(std::string_view bytes, std::string_view folded, std::size_t from,
                               std::size_t* end) const {
    if (isUnicode())
        return m_tables->search->find(bytes, folded, from, end);
    const std::size_t at = findInCodePage(bytes, folded, from);
    if (end && at != std::string_view::npos)
        *end = at + folded.size();
    return at;
}

std::size_t CharacterSet::findInCodePage(std::string_view bytes, std::string_view folded,
                                         std::size_t from) const {
    const Tables& t = *m_tables;
    const std::size_t m = folded.size();
    if (m == 0 || bytes.size() < m || from > bytes.size() - m)
        return std::string_view::npos;
    const auto same = [&t](char byte, char foldedByte) {
        return t.fold[static_cast<unsigned char>(byte)] == static_cast<unsigned char>(foldedByte);
    };

    if (t.doubleByte) {
        const auto pairAt = [](std::string_view s, std::size_t at) {
            return static_cast<quint16>(static_cast<unsigned char>(s[at]) << 8 |
                                        static_cast<unsigned char>(s[at + 1]));
        };
        // Only whole characters match: walk the bytes a character at a time.
        for (std::size_t at = from; at + m <= bytes.size();
             at += static_cast<std::size_t>(characterSize(bytes, at))) {
            std::size_t j = 0;
            while (j < m) {
                const int size = characterSize(folded, j);
                if (characterSize(bytes, at + j) != size)
                    break;
                if (size == 2 ? t.canonicalPair(pairAt(bytes, at + j)) != pairAt(folded, j)
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
    std::array<const char*, MaxVariants> at{};
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

std::shared_ptr<const IndexOrder> CharacterSet::indexOrder() const {
    return m_tables->order;
}
