#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

class Card;
class CharacterSet;
class Deck;
class Profile;
class QIODevice;
class UserInterface;

// The plain-text and comma-delimited forms of a deck, and the File > Export commands.
namespace Export {

// A body as lines of at most about 60 bytes: a line breaks after the first blank that is its
// 60th byte or later, and at every line break of the body. Every line but the last ends with
// LF; the last may be empty.
std::vector<std::string> BreakBodyLines(std::string_view body);

// One card as text: its index, its body lines, an empty line, a line of 60 '-' and an empty
// line, with CR LF line ends.
void appendCardTextBlock(std::string& out, const Card& card);

// The card's line of the comma-delimited form, ending with LF.
void appendCommaDelimitedLine(std::string& out, const Card& card);

// The card texts' own bytes in the deck's character set, which other programs may rely on, or
// the same text in UTF-8; the layout and line ends are the same.
enum class Encoding { DeckCharacterSet, Utf8 };

// Whole decks, front card first. False when the device refused a write.
bool writeText(const Deck& deck, QIODevice& device, const CharacterSet& characterSet,
               Encoding encoding);
bool writeCommaDelimited(const Deck& deck, QIODevice& device, const CharacterSet& characterSet,
                         Encoding encoding);

// The File > Export commands: a save dialog that names the deck's file (deckPath) as a text
// file and offers both encodings, then the whole file or, after an error, a message and no
// file.
void ExportText(const Deck& deck, const CharacterSet& characterSet, UserInterface& ui,
                const Profile& profile, const QString& deckPath);
void ExportCommaDelimited(const Deck& deck, const CharacterSet& characterSet, UserInterface& ui,
                          const Profile& profile, const QString& deckPath);

} // namespace Export
