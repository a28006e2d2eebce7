#pragma once

#include "CharacterSet.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// A card body as the editor shows it: characters, with one '\n' for every line break, and
// the bytes each break is stored as. Decks and card files written elsewhere hold lone CR and
// lone LF breaks as well as CR LF; keeping each break's own bytes means an edit in one line
// never rewrites the others, nor makes the body outgrow its 511 bytes.
class BodyText {
public:
    enum class Break : std::uint8_t { CrLf, Cr, Lf };

    BodyText() = default;
    static BodyText fromBytes(std::string_view bytes,
                              const CharacterSet& characterSet = CharacterSet());

    const QString& text() const { return m_text; }
    const std::vector<Break>& breaks() const { return m_breaks; }

    // The stored bytes; nothing when a character has no byte in the set or is NUL.
    std::optional<QByteArray> toBytes() const;
    // How long the stored body is against a card's limit: the bytes toBytes() gives in a code
    // page (a character it cannot store counts as one), the characters in Unicode (a break
    // counts as one).
    int storedSize() const;

    // Replaces [position, position + removed) of the text by inserted, whose '\n' are new
    // breaks stored as CR LF. The breaks outside the range keep their bytes.
    void replace(int position, int removed, const QString& inserted);
    // Follows the editor: after is the whole new text ('\n' for breaks) and the editor says
    // the change lies in [position, position + added). The change is narrowed to what really
    // differs, so a break that was only reported, not edited, keeps its bytes.
    void follow(const QString& after, int position, int added);

    // The text position of a byte offset in stored bytes: a CR LF pair is one break, and a
    // character of two bytes one character.
    static int positionOfByte(std::string_view bytes, int byteOffset,
                              const CharacterSet& characterSet = CharacterSet());

    // What one inserted character (a letter with its marks, or '\n') adds to storedSize():
    // in a code page its bytes, a new break being CR LF; in Unicode one.
    int insertedSize(QStringView character) const;

private:
    int breaksBefore(int position) const;

    CharacterSet m_characterSet;
    QString m_text;
    std::vector<Break> m_breaks;
};
