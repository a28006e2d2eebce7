#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <string_view>

// The text of a Unicode deck: UTF-8, counted in characters as the user sees them (a letter
// with its marks, an emoji with its modifiers: one grapheme cluster each), searched with case
// and canonical differences ignored.
namespace UnicodeText {

// The size of the well-formed UTF-8 sequence at bytes[at] (shortest form, no surrogate, at
// most U+10FFFF), and the code point in *codePoint; 0 when none starts there.
int sequenceAt(std::string_view bytes, std::size_t at, char32_t* codePoint = nullptr);
// Whether every byte belongs to a well-formed sequence.
bool isValid(std::string_view bytes);
// The same, and no byte is zero: the text of a card.
bool isValidWithoutZero(std::string_view bytes);
// The offset of the first byte that belongs to no well-formed sequence; npos when none does.
std::size_t firstInvalid(std::string_view bytes);

// Grapheme clusters in the text.
int characters(QStringView text);
// The longest start of the text with at most maxCharacters clusters.
QStringView firstCharacters(QStringView text, int maxCharacters);
// The same for UTF-8, never longer than maxBytes.
std::string_view firstCharacters(std::string_view utf8, int maxCharacters,
                                 std::size_t maxBytes = std::string_view::npos);

// Whether the text begins with a character that belongs to the one before it (a mark).
bool startsWithMark(std::string_view utf8);

// What a Unicode deck never stores: a lone surrogate, a noncharacter, a control character
// other than TAB, CR and LF.
bool isRefused(char32_t codePoint);

// Searching: the text to find and the searched text are compared as the canonical decomposition
// of their full case folding (so "STRASSE" finds "straße", and typed e + combining acute finds
// é); with turkic, I pairs with ı and İ with i. A match begins and ends between characters.
class Search {
public:
    explicit Search(bool turkic)
        : m_turkic(turkic) {}
    // The folded form of text to find, as UTF-8.
    QByteArray fold(QStringView text) const;
    // Where folded text occurs in the UTF-8 text, at or after from (a character's start), and
    // in *end where the match ends; npos when nowhere.
    std::size_t find(std::string_view text, std::string_view folded, std::size_t from,
                     std::size_t* end) const;

private:
    bool m_turkic;
};

} // namespace UnicodeText
