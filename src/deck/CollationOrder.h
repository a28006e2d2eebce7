#pragma once

#include "IndexOrder.h"

#include <QString>

#include <array>
#include <memory>
#include <mutex>
#include <optional>

struct UCollator;

// The index order of a Unicode deck: the collation of a locale, case ignored (accents and the
// like still count), cards of equal indexes kept in the order they came. Sorting takes a sort
// key of each index once and orders the keys by their bytes.
class CollationOrder : public IndexOrder {
public:
    // locale: a POSIX locale name ("de_DE.UTF-8", "sr_RS@latin"); the root order for "C".
    explicit CollationOrder(const QString& locale);
    ~CollationOrder() override;
    CollationOrder(const CollationOrder&) = delete;
    CollationOrder& operator=(const CollationOrder&) = delete;

    int compare(std::string_view a, std::string_view b) const override;
    std::vector<std::uint32_t> order(std::span<const Card* const> cards) const override;

    // The ICU locale of a POSIX locale name.
    static QByteArray icuLocale(const QString& locale);

private:
    // Two indexes that differ first at a printable ASCII character, in an ASCII context, are
    // ordered by those characters' primary weights alone, where the locale neither contracts
    // nor expands ASCII characters: most neighbours in a sorted deck are told apart so without
    // the collator. Nothing when the collator must decide.
    std::optional<int> quickCompare(std::string_view a, std::string_view b) const;
    void rankAscii();

    // One collator, used by one thread at a time.
    mutable std::mutex m_lock;
    UCollator* m_collator = nullptr;
    UCollator* m_primary = nullptr; // the same order at the first level alone

    // The rank of each ASCII character's primary weight, from 1; 0: not ranked (ignorable, or
    // the locale's rules involve it).
    std::array<unsigned char, 128> m_asciiRank{};
};
