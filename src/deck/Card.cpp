#include "Card.h"

#include <cstring>

namespace {

std::string_view textOf(const char* field, std::size_t size) {
    const void* end = std::memchr(field, 0, size);
    return {field, end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size};
}

// Clears the field from its first zero byte, or from its last byte when it has none.
void endField(char* field, std::size_t size) {
    const void* zero = std::memchr(field, 0, size - 1);
    const std::size_t used =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : size - 1;
    std::memset(field + used, 0, size - used);
}

// An index is one line: a control byte (a line break, a TAB) from a file written elsewhere
// would break the exports and lists, so it reads as a blank.
void blankControlBytes(char (&index)[Card::IndexSize]) {
    for (char& c : index) {
        if (c != 0 && static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
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
    blankControlBytes(index);
}

void Card::setBody(std::string_view text) {
    storeTextField(body, BodySize, text);
}

void Card::tidy() {
    endField(index, IndexSize);
    blankControlBytes(index);
    endField(body, BodySize);
}
