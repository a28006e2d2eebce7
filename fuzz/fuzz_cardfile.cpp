#include "files/CardfileReader.h"

#include <cstddef>
#include <cstdint>

// Both layouts: "MGC" and "RRG" with its OLE objects, whose sizes are found by parsing them.
// Read in a one-byte and in a two-byte set, whose cuts differ.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CharacterSet sets[] = {CharacterSet(), CharacterSet::forCodePage(932)};
    for (const CharacterSet& set : sets) {
        const auto result =
            CardfileReader::parse(QByteArrayView(data, static_cast<qsizetype>(size)), set);
        for (const auto& card : result.cards) {
            if (card.indexText().size() > 40 || card.bodyText().size() > 511)
                __builtin_trap();
        }
        if (!result.ok() && !result.cards.empty())
            __builtin_trap();
    }
    return 0;
}
