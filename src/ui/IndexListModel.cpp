#include "IndexListModel.h"

#include "deck/CharacterSet.h"
#include "deck/Deck.h"

#include <algorithm>

IndexListModel::IndexListModel(const Deck& deck, const CharacterSet& characterSet, Order order,
                               QObject* parent)
    : QAbstractListModel(parent)
    , m_deck(deck)
    , m_characterSet(characterSet)
    , m_order(order) {}

int IndexListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_filtered ? static_cast<int>(m_ranks.size()) : m_deck.count();
}

int IndexListModel::rankOfRow(int row) const {
    return m_filtered ? m_ranks[static_cast<std::size_t>(row)] : row;
}

int IndexListModel::positionOfRank(int rank) const {
    if (m_order == Order::Deck)
        return rank;
    return (m_deck.firstInIndexOrder() + rank) % m_deck.count();
}

int IndexListModel::position(int row) const {
    if (row < 0 || row >= rowCount() || m_deck.isEmpty())
        return -1;
    const int p = positionOfRank(rankOfRow(row));
    return p < m_deck.count() ? p : -1;
}

int IndexListModel::rowOf(int position) const {
    const int n = m_deck.count();
    if (position < 0 || position >= n)
        return -1;
    const int rank =
        m_order == Order::Deck ? position : (position - m_deck.firstInIndexOrder() + n) % n;
    if (!m_filtered)
        return rank;
    const auto it = std::lower_bound(m_ranks.begin(), m_ranks.end(), rank);
    return it != m_ranks.end() && *it == rank ? static_cast<int>(it - m_ranks.begin()) : -1;
}

QVariant IndexListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const int p = position(index.row());
    return p < 0 ? QVariant() : QVariant(m_characterSet.decode(m_deck.card(p).indexText()));
}

void IndexListModel::filterRanks(bool narrowing) {
    const std::string_view needle(m_filter.constData(), static_cast<std::size_t>(m_filter.size()));
    const int n = m_deck.count();
    const auto matches = [&](int rank) {
#if defined(__GNUC__)
        // The cards lie scattered over the heap: ask for the next ones early.
        const auto* ahead =
            reinterpret_cast<const char*>(&m_deck.card(positionOfRank((rank + 4) % n)));
        __builtin_prefetch(ahead);
        __builtin_prefetch(ahead + 64);
        __builtin_prefetch(ahead + 128);
#endif
        const Card& card = m_deck.card(positionOfRank(rank));
        return m_characterSet.contains(card.indexText(), needle) ||
               m_characterSet.contains(card.bodyText(), needle);
    };
    if (narrowing) {
        // More text typed: only the cards that matched before can match now.
        std::erase_if(m_ranks, [&](int rank) { return !matches(rank); });
        return;
    }
    m_ranks.clear();
    for (int rank = 0; rank < n; ++rank) {
        if (matches(rank))
            m_ranks.push_back(rank);
    }
}

void IndexListModel::setFilter(const QByteArray& text) {
    const QByteArray folded = m_characterSet.foldForSearch(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    if (folded == m_filter && m_filtered == !folded.isEmpty())
        return;
    const bool narrowing =
        m_filtered &&
        m_characterSet.narrows(std::string_view(m_filter.constData(), m_filter.size()),
                               std::string_view(folded.constData(), folded.size()));
    beginResetModel();
    m_filter = folded;
    m_filtered = !m_filter.isEmpty();
    if (m_filtered)
        filterRanks(narrowing);
    else
        m_ranks.clear();
    endResetModel();
}

void IndexListModel::refresh() {
    beginResetModel();
    if (m_filtered)
        filterRanks(false);
    endResetModel();
}
