#pragma once

#include "deck/Deck.h"

#include <QByteArray>
#include <QString>

#include <initializer_list>
#include <string>
#include <vector>

// Appends cards with these indexes, in this order, without sorting, as a file would bring them
// in: the modified flag stays as it was.
inline void addCards(Deck& deck, std::initializer_list<const char*> indexes) {
    const bool modified = deck.isModified();
    for (const char* index : indexes)
        deck.AppendCard(index);
    deck.setModified(modified);
}

// The indexes from the front card on.
inline std::vector<std::string> indexesOf(const Deck& deck) {
    std::vector<std::string> out;
    for (int k = 0; k < deck.count(); ++k)
        out.emplace_back(deck.card(k).indexText());
    return out;
}

using Indexes = std::vector<std::string>;

// A card's body, index or tag as a file would have brought it in: the modified flag stays as
// it was.
inline void putBody(Deck& deck, int k, std::string_view text) {
    const bool modified = deck.isModified();
    deck.setBody(k, text);
    deck.setModified(modified);
}
inline void putIndex(Deck& deck, int k, std::string_view text) {
    const bool modified = deck.isModified();
    deck.setIndex(k, text);
    deck.setModified(modified);
}
inline void putTag(Deck& deck, int k, std::int32_t tag) {
    const bool modified = deck.isModified();
    deck.setTag(k, tag);
    deck.setModified(modified);
}

// A file's bytes, built in tests byte by byte.
inline QByteArray le16(int v) {
    QByteArray b(2, '\0');
    b[0] = static_cast<char>(v & 0xFF);
    b[1] = static_cast<char>((v >> 8) & 0xFF);
    return b;
}

inline QByteArray le32(qint64 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}
