#include "Card.h"

#include <algorithm>

namespace {

std::string_view upToZero(std::string_view text, std::size_t cap) {
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos)
        text = text.substr(0, zero);
    return text.substr(0, std::min(text.size(), cap));
}

void put16(char* at, std::size_t value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

} // namespace

Card::Texts Card::keptTexts(std::string_view index, std::string_view body) {
    return {upToZero(index, MaxIndexBytes), upToZero(body, MaxBodyBytes)};
}

const Card* Card::make(char* at, std::string_view index, std::string_view body, std::int32_t tag) {
    const Texts kept = keptTexts(index, body);
    put16(at, kept.index.size());
    put16(at + 2, kept.body.size());
    const auto word = static_cast<std::uint32_t>(tag);
    put16(at + 4, word & 0xFFFF);
    put16(at + 6, word >> 16);
    char* text = at + HeaderSize;
    // An empty text may have no memory at all behind it.
    if (!kept.index.empty())
        std::memcpy(text, kept.index.data(), kept.index.size());
    for (std::size_t i = 0; i < kept.index.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) < 0x20)
            text[i] = ' ';
    }
    if (!kept.body.empty())
        std::memcpy(text + kept.index.size(), kept.body.data(), kept.body.size());
    return Card::at(at);
}

void storeTextField(char* field, std::size_t size, std::string_view text) {
    const std::string_view kept = upToZero(text, size - 1);
    if (!kept.empty())
        std::memcpy(field, kept.data(), kept.size());
    std::memset(field + kept.size(), 0, size - kept.size());
}
