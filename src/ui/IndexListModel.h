#pragma once

#include <QAbstractListModel>

#include <vector>

class CharacterSet;
class Deck;

// Every card's index, read from the deck as it is shown: nothing is copied but the row numbers
// that a filter keeps, so a list of a hundred thousand cards costs no more to open than one
// of ten.
// - In index order (the list view), row r is the card r places after the first card in index
//   order, so rotating the deck moves no row.
// - In deck order (the card menu), row r is deck position r, the front card first.
class IndexListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Order { Index, Deck };

    IndexListModel(const Deck& deck, const CharacterSet& characterSet, Order order,
                   QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Keeps only the cards whose index or body holds the text (bytes of the deck's character
    // set; capital and small letters count as the same). Empty: every card.
    void setFilter(const QByteArray& text);
    const QByteArray& filter() const { return m_filter; }
    // Reads the deck again after it changed.
    void refresh();

    // The deck position of a row's card, and the row of a deck position (-1: filtered out).
    int position(int row) const;
    int rowOf(int position) const;

private:
    int rankOfRow(int row) const;
    // The deck position of the card at a place in the model's order.
    int positionOfRank(int rank) const;
    void filterRanks(bool narrowing);

    const Deck& m_deck;
    const CharacterSet& m_characterSet;
    Order m_order;
    QByteArray m_filter; // folded for searching
    bool m_filtered = false;
    std::vector<int> m_ranks; // the places in the model's order that match, ascending
};
