#include "Card.h"

#include <cstring>

namespace {

std::string_view textOf(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    return {field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size};
}

} // namespace

void storeTextField(char* field, std::size_t size, std::string_view text) {
    const std::size_t cut = text.find('\0');
    if (cut != std::string_view::npos)
        text = text.substr(0, cut);
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

std::string_view Card::indexText() const {
    return textOf(index, IndexSize);
}

std::string_view Card::bodyText() const {
    return textOf(body, BodySize);
}

void Card::setIndex(std::string_view text) {
    storeTextField(index, IndexSize, text);
    // An index is one line: a control byte (a line break, a TAB) from a file written
    // elsewhere would break the exports and lists, so it reads as a blank.
    for (char& c : index) {
        if (c != 0 && static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
}

void Card::setBody(std::string_view text) {
    storeTextField(body, BodySize, text);
}
