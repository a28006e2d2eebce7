#pragma once

#include "deck/CharacterSet.h"

#include <QString>

// What the user is told when input is left out: the same words in the body editor and in
// every one-line box. A code page's limits count bytes, which a character of two bytes takes
// twice: the words say so where it matters.
namespace InputHints {

inline QString limit(const CharacterSet& characterSet, const char* what, int bytes) {
    if (characterSet.isDoubleByte())
        return QStringLiteral("%1 holds at most %2 bytes of text; a character of two bytes counts "
                              "twice.")
            .arg(QString::fromLatin1(what), QString::number(bytes));
    return QStringLiteral("%1 holds at most %2 characters.")
        .arg(QString::fromLatin1(what), QString::number(bytes));
}

inline QString tooLong(const CharacterSet& characterSet) {
    return limit(characterSet, "A card", 511);
}

// Names the deck's character set and what was left out: the user may choose another set that
// holds them.
inline QString notInCodePage(const CharacterSet& characterSet, const QString& leftOut) {
    return QStringLiteral("Left out, as a card in %1 cannot hold it: %2")
        .arg(characterSet.name(), leftOut);
}

} // namespace InputHints
