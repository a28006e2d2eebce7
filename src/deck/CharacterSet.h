#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class IndexOrder;

// The character set of a deck's texts: a Windows code page, or Unicode (UTF-8). Card texts are
// bytes and stay bytes; this is the one place that knows how they are shown, how typed text
// becomes bytes, where a character begins, how long a text is against a card's limits, which
// letters count as the same when searching, and the order of indexes.
//
// Unicode: texts are UTF-8 in NFC; a card's limits count characters as the user sees them
// (a letter with its marks is one); search ignores case by full case folding and canonical
// differences; indexes sort by the collation of the program's locale.
//
// A code page:
// It converts as Windows does: every byte as MultiByteToWideChar reads it (control bytes and
// undefined bytes included), and typed text as WideCharToMultiByte writes it, with the bytes it
// prefers for a character the page holds twice and its best-fit bytes for characters the page
// does not hold (WindowsCodePages). A letter the page holds as a base with combining marks is
// stored so, as Windows stores it.
//
// A value: cheap to copy, the tables shared. Every byte sequence decodes, and decoding then
// encoding gives the same bytes back (but for a character held twice, which comes back as the
// bytes Windows writes): a lead byte without its trail byte is shown as a character of the
// private use area that no mapping of the set uses, which typing can never produce.
class CharacterSet {
public:
    // Windows' number for UTF-8, which stands for the Unicode set.
    static constexpr int Unicode = 65001;

    // Windows-1252.
    CharacterSet();
    // The set of a code page, or Unicode; Windows-1252 for one that is not supported.
    static CharacterSet forCodePage(int codePage);
    // Unicode with the collation and case pairs of a locale ("tr_TR.UTF-8"; empty: this
    // program's locale).
    static CharacterSet unicode(const QString& locale = QString());
    static bool isSupported(int codePage);
    // Every supported code page (Unicode apart), in the order the menu lists them.
    static const std::vector<int>& codePages();
    // The code page of a locale ("ru_RU.UTF-8", "sr_RS@latin", "zh_TW", "C"): the ANSI code page
    // Windows gives its language in its script; 1252 for every other.
    static int codePageForLocale(const QString& locale);
    // The same for this program's locale, from LC_ALL, LC_CTYPE or LANG, the first one set.
    static int localeCodePage();

    int codePage() const;
    // "Western (Windows-1252)", "Japanese (Shift-JIS, 932)", "Unicode".
    QString name() const;
    bool isDoubleByte() const;
    bool isUnicode() const;

    QString decode(std::string_view bytes) const;
    // The bytes of text made only of characters the set holds as they are; nothing when a
    // character has no bytes of its own, or is NUL. For text that is already stored text (what
    // the editor shows).
    std::optional<QByteArray> encode(QStringView text) const;

    // What typed or pasted text becomes: each character as Windows would store it (as it is,
    // as a base with marks, or by its best fit), the characters the set cannot hold at all left
    // out. stored is the text of the bytes, which the editor then shows.
    struct Converted {
        QByteArray bytes;
        QString stored;
        QString leftOut; // each character left out once, in order
    };
    Converted convertInput(QStringView text) const;

    // The bytes a stored character takes in a code page: 1 or 2, or 0 when the set cannot hold
    // it as it is.
    int encodedSize(QChar c) const;
    // How long stored text is against a card's limits: bytes in a code page (a character the
    // set cannot hold counts as one), characters in Unicode.
    int measure(QStringView text) const;
    // The units of the limits: "bytes" or "characters".
    bool countsBytes() const { return !isUnicode(); }

    // The longest start of stored text that measures at most max, cut between characters as
    // a reader sees them: a letter keeps its marks.
    QString fit(QStringView text, int max) const;

    // The bytes of the character that starts at bytes[at]: 2 for a lead byte with its trail
    // byte, the length of a UTF-8 sequence, otherwise 1.
    int characterSize(std::string_view bytes, std::size_t at) const;
    // The longest start of bytes that measures at most max (bytes of a code page, characters
    // in Unicode) and does not split a character.
    std::string_view cut(std::string_view bytes, std::size_t max) const;
    QByteArray cut(const QByteArray& bytes, int max) const;
    // The longest start of at most maxBytes bytes that does not split a character.
    std::string_view cutBytes(std::string_view bytes, std::size_t maxBytes) const;

    // Searching takes a capital and its small letter as the same letter, as the set's language
    // pairs them (Turkish dotted and dotless i, Greek accented vowels and final sigma, Russian
    // ё and е), and a character held twice as one. Text to search for is folded once; find()
    // folds the searched bytes as it goes.
    QByteArray foldForSearch(std::string_view text) const;
    // Where the folded text occurs in bytes, at or after from (a character's start), starting
    // on a character and never inside one, and in *end where the match ends; npos when nowhere.
    std::size_t find(std::string_view bytes, std::string_view folded, std::size_t from = 0,
                     std::size_t* end = nullptr) const;
    bool contains(std::string_view bytes, std::string_view folded) const {
        return find(bytes, folded) != std::string_view::npos;
    }
    // The first character of folded text to find.
    std::string_view firstLetter(std::string_view folded) const;
    // Whether every text that holds `longer` holds `folded` too (more of a word typed), so
    // that a search for it need only look among the texts that held `folded`.
    bool narrows(std::string_view folded, std::string_view longer) const;

    // The order of index texts in a deck of this set: bytes, the capitals A-Z as small letters,
    // a character held twice as one; in Unicode, the locale's collation.
    std::shared_ptr<const IndexOrder> indexOrder() const;

    bool operator==(const CharacterSet& other) const { return m_tables == other.m_tables; }

    struct Tables;

private:
    explicit CharacterSet(std::shared_ptr<const Tables> tables);
    std::optional<QByteArray> bytesOfCluster(QStringView cluster) const;
    std::size_t findInCodePage(std::string_view bytes, std::string_view folded,
                               std::size_t from) const;
    std::shared_ptr<const Tables> m_tables;
};
