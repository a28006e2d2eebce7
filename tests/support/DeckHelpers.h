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
    if (!modified)
        deck.markClean();
}

// A block of cards with these indexes and bodies.
inline CardBlock cardsOf(std::initializer_list<std::pair<const char*, const char*>> cards) {
    CardBlock block;
    for (const auto& [index, body] : cards)
        block.append(index, body);
    return block;
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
    if (!modified)
        deck.markClean();
}
inline void putIndex(Deck& deck, int k, std::string_view text) {
    const bool modified = deck.isModified();
    deck.setIndex(k, text);
    if (!modified)
        deck.markClean();
}
inline void putTag(Deck& deck, int k, std::int32_t tag) {
    const bool modified = deck.isModified();
    deck.setTag(k, tag);
    if (!modified)
        deck.markClean();
}

// The deck as it is, but not saved: as if it had come back from a recovery copy. The cards of
// a deck in index order, and their order, stay; they are cards made anew.
inline void makeUnsaved(Deck& deck) {
    const int n = deck.count();
    const int first = deck.firstInIndexOrder();
    CardBlock cards;
    for (int i = 0; i < n; ++i)
        cards.append(deck.card((first + i) % n));
    const Deck::Batch batch(deck);
    deck.replaceCards(std::move(cards), Deck::State::Unsaved);
    deck.BringCardToFront((n - first) % (n == 0 ? 1 : n));
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
