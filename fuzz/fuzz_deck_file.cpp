#include "deck/Deck.h"
#include "deck/UnicodeText.h"
#include "files/DeckFile.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <optional>

// Versions 1 to 3: what is read writes back in its version and reads again the same.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    DeckFile::ReadResult result = DeckFile::read(input);
    if (result.status != DeckFile::ReadStatus::Ok)
        return 0;
    // A version 3 card holds UTF-8 only, without a zero byte.
    const bool unicode = result.format == DeckFile::FormatVersion3;
    if (unicode) {
        for (const Card& card : result.cards) {
            if (!UnicodeText::isValid(card.indexText()) || !UnicodeText::isValid(card.bodyText()) ||
                card.bodyText().find('\0') != std::string_view::npos)
                __builtin_trap();
        }
    }
    std::optional<CardBlock> cards = std::move(result.cards);
    // What was read must write back and read again to the same cards.
    Deck deck;
    deck.appendCards(std::move(*cards));
    deck.SortByIndex();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!DeckFile::write(deck, buffer, nullptr,
                         unicode ? DeckFile::FormatVersion3 : DeckFile::FormatVersion2))
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
