#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// The character set of a deck's texts: a Windows code page. Card texts are bytes and stay
// bytes; this is the one place that knows how they are shown, how typed text becomes bytes,
// where a character begins, and which letters count as the same when searching.
//
// A value: cheap to copy, the tables shared. Every byte sequence decodes, and decoding then
// encoding gives the same bytes back (but for the few characters a double-byte set holds
// twice, which come back as the bytes Windows writes for them): a byte the code page leaves
// undefined is shown as a character of the private use area that no mapping of the set uses,
// and encodes to that byte again.
class CharacterSet {
public:
    // Windows-1252.
    CharacterSet();
    // The set of a code page; Windows-1252 for one that is not supported.
    static CharacterSet forCodePage(int codePage);
    static bool isSupported(int codePage);
    // Every supported code page, in the order the menu lists them.
    static const std::vector<int>& codePages();
    // The code page of a locale's language ("ru_RU.UTF-8", "zh_TW", "C"): the one its Windows
    // used; 1252 for every other.
    static int codePageForLocale(const QString& locale);
    // The same for this program's locale, from LC_ALL, LC_CTYPE or LANG, the first one set.
    static int localeCodePage();

    int codePage() const;
    // "Western (Windows-1252)", "Japanese (Shift-JIS, 932)".
    QString name() const;
    bool isDoubleByte() const;

    QString decode(std::string_view bytes) const;
    // Nothing when a character has no byte in the set, or is NUL: such input is refused,
    // never stored as '?'.
    std::optional<QByteArray> encode(QStringView text) const;
    // The bytes one character takes: 1 or 2, or 0 when the set cannot hold it.
    int encodedSize(QChar c) const;
    bool canEncode(QChar c) const { return encodedSize(c) > 0; }
    // The bytes text takes when stored; a character the set cannot hold counts as one.
    int byteLength(QStringView text) const;

    // The bytes of the character that starts at bytes[at]: 2 for a lead byte with its trail
    // byte, otherwise 1.
    int characterSize(std::string_view bytes, std::size_t at) const;
    // The longest start of bytes that is at most maxBytes long and does not split a character.
    std::string_view cut(std::string_view bytes, std::size_t maxBytes) const;
    QByteArray cut(const QByteArray& bytes, int maxBytes) const;

    // Searching takes a capital and its small letter as the same letter. Text to search for is
    // folded once; find() folds the searched bytes as it goes.
    QByteArray foldForSearch(std::string_view text) const;
    // Where the folded text occurs in bytes, at or after from (a character's start), starting
    // on a character and never inside one; npos when nowhere.
    std::size_t find(std::string_view bytes, std::string_view folded, std::size_t from = 0) const;
    bool contains(std::string_view bytes, std::string_view folded) const {
        return find(bytes, folded) != std::string_view::npos;
    }

    bool operator==(const CharacterSet& other) const { return codePage() == other.codePage(); }

    struct Tables;

private:
    explicit CharacterSet(std::shared_ptr<const Tables> tables);
    std::shared_ptr<const Tables> m_tables;
};
