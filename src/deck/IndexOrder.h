#pragma once

#include <string_view>

// The order of index texts: bytes compared unsigned, with only the capitals A-Z folded to
// small letters. Returns a negative value, zero or a positive value like strcmp.
int CompareIndexes(std::string_view a, std::string_view b);

// Folds A-Z to a-z and leaves every other byte alone.
constexpr unsigned char foldIndexByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}
