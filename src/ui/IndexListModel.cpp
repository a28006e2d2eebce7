#include "IndexListModel.h"

#include "deck/Cp1252.h"
#include "deck/Deck.h"
#include "deck/FindWalk.h"
#include "deck/IndexOrder.h"

#include <algorithm>

IndexListModel::IndexListModel(const Deck& deck, QObject* parent)
    : QAbstractListModel(parent)
    , m_deck(deck) {}

int IndexListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return m_filtered ? static_cast<int>(m_ranks.size()) : m_deck.count();
}

int IndexListModel::rankOfRow(int row) const {
    return m_filtered ? m_ranks[static_cast<std::size_t>(row)] : row;
}

int IndexListModel::position(int row) const {
    const int n = m_deck.count();
    if (row < 0 || row >= rowCount() || n == 0)
        return -1;
    return (m_deck.firstInIndexOrder() + rankOfRow(row)) % n;
}

int IndexListModel::rowOf(int position) const {
    const int n = m_deck.count();
    if (position < 0 || position >= n)
        return -1;
    const int rank = (position - m_deck.firstInIndexOrder() + n) % n;
    if (!m_filtered)
        return rank;
    const auto it = std::lower_bound(m_ranks.begin(), m_ranks.end(), rank);
    return it != m_ranks.end() && *it == rank ? static_cast<int>(it - m_ranks.begin()) : -1;
}

QVariant IndexListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    const int p = position(index.row());
    return p < 0 ? QVariant() : QVariant(Cp1252::decode(m_deck.card(p).indexText()));
}

void IndexListModel::filterRanks(bool narrowing) {
    const std::string_view needle(m_filter.constData(), static_cast<std::size_t>(m_filter.size()));
    const int n = m_deck.count();
    const int first = m_deck.firstInIndexOrder();
    const auto matches = [&](int rank) {
#if defined(__GNUC__)
        // The cards lie scattered over the heap: ask for the next ones early.
        const Card& ahead = m_deck.card((first + rank + 4) % n);
        __builtin_prefetch(ahead.index);
        __builtin_prefetch(ahead.body);
        __builtin_prefetch(ahead.body + 64);
        __builtin_prefetch(ahead.body + 128);
#endif
        const Card& card = m_deck.card((first + rank) % n);
        return FindWalk::find(card.indexText(), needle, 0) != std::string_view::npos ||
               FindWalk::find(card.bodyText(), needle, 0) != std::string_view::npos;
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
    QByteArray upper = text;
    for (char& c : upper)
        c = static_cast<char>(upperAscii(static_cast<unsigned char>(c)));
    if (upper == m_filter && m_filtered == !upper.isEmpty())
        return;
    const bool narrowing = m_filtered && !m_filter.isEmpty() && upper.startsWith(m_filter);
    beginResetModel();
    m_filter = upper;
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
