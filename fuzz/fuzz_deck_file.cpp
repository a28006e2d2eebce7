#include "deck/Deck.h"
#include "files/DeckFile.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto cards = DeckFile::parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!cards)
        return 0;
    // What was read must write back and read again to the same cards.
    Deck deck;
    deck.appendCards(std::move(*cards));
    deck.SortByIndex();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!DeckFile::write(deck, buffer))
        __builtin_trap();
    auto again = DeckFile::parse(buffer.data());
    if (!again || static_cast<int>(again->size()) != deck.count())
        __builtin_trap();
    const std::vector<const Card*> read = again->cards();
    for (int k = 0; k < deck.count(); ++k) {
        const Card& a = deck.card(k);
        const Card& b = *read[static_cast<std::size_t>(k)];
        if (a.indexText() != b.indexText() || a.bodyText() != b.bodyText() || a.tag() != b.tag())
            __builtin_trap();
    }
    return 0;
}
