#include "files/CardfileReader.h"

#include <cstddef>
#include <cstdint>

// Both layouts: "MGC" and "RRG" with its OLE objects, whose sizes are found by parsing them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto result = CardfileReader::parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    for (const auto& card : result.cards) {
        if (card.indexText().size() > 40 || card.bodyText().size() > 511)
            __builtin_trap();
    }
    if (!result.ok() && !result.cards.empty())
        __builtin_trap();
    return 0;
}
