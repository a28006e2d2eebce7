#pragma once

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

inline QString notInCodePage() {
    return QStringLiteral("Characters that a card cannot hold were left out.");
}

} // namespace InputHints
