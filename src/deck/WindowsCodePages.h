#pragma once

// How Windows converts text of its ANSI code pages, beyond what every converter agrees on:
// the character of each single byte (control bytes and undefined bytes included), the bytes it
// writes for a character the page holds twice, and its best-fit bytes for characters the page
// does not hold. Generated from Microsoft's published tables (scripts/make-code-page-tables).
namespace WindowsCodePages {

struct Mapping {
    char16_t unicode;
    unsigned short bytes; // one byte, or lead << 8 | trail
};

struct Page {
    int codePage;
    // 0 for a lead byte of a double-byte page.
    const char16_t* singles;
    const Mapping* preferred;
    int preferredCount;
    const Mapping* bestFit;
    int bestFitCount;
};

// Nothing for a code page Windows has no table of here.
const Page* find(int codePage);

} // namespace WindowsCodePages
