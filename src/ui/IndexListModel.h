#pragma once

#include <QAbstractListModel>

#include <vector>

class Deck;

// Every card's index in index order, read from the deck as it is shown: row r is the card r
// places after the first card in index order, so rotating the deck moves no row, and nothing
// is copied but the row numbers that a filter keeps.
class IndexListModel : public QAbstractListModel {
    Q_OBJECT
public:
    IndexListModel(const Deck& deck, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Keeps only the cards whose index or body holds the text (Windows-1252 bytes; A-Z and
    // a-z count as the same, as in the index order). Empty: every card.
    void setFilter(const QByteArray& text);
    const QByteArray& filter() const { return m_filter; }
    // Reads the deck again after it changed.
    void refresh();

    // The deck position of a row's card, and the row of a deck position (-1: filtered out).
    int position(int row) const;
    int rowOf(int position) const;

private:
    int rankOfRow(int row) const;
    void filterRanks(bool narrowing);

    const Deck& m_deck;
    QByteArray m_filter; // upper-cased
    bool m_filtered = false;
    std::vector<int> m_ranks; // the places in index order that match, ascending
};
