#include "IndexOrder.h"

int CompareIndexes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = foldIndexByte(static_cast<unsigned char>(a[i]));
        const unsigned char y = foldIndexByte(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    // The shorter text ends with its terminator, the smallest byte.
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}
