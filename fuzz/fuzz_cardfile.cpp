#include "files/CardfileReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = CardfileReader::parse(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!result)
        return 0;
    for (const auto& card : result->cards) {
        if (card->indexText().size() > 40 || card->bodyText().size() > 511)
            __builtin_trap();
    }
    return 0;
}
