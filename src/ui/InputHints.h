#pragma once

#include "deck/CharacterSet.h"

#include <QString>

// What the user is told when input is left out: the same words in the body editor and in
// every one-line box.
namespace InputHints {

inline QString tooLong() {
    return QStringLiteral("A card holds at most 511 characters.");
}

inline QString indexTooLong() {
    return QStringLiteral("An index holds at most 41 characters.");
}

inline QString boxTooLong(int limit) {
    return QStringLiteral("This box holds at most %1 characters.").arg(limit);
}

// Names the deck's character set: the user may choose another one that holds them.
inline QString notInCodePage(const CharacterSet& characterSet) {
    return QStringLiteral("Characters that a card in %1 cannot hold were left out.")
        .arg(characterSet.name());
}

} // namespace InputHints
