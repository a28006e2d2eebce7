#pragma once

#include <QAbstractListModel>
#include <QFrame>

class Deck;
class QListView;

// The indexes of the deck in deck order, read from the deck as they are shown, so a list of
// a hundred thousand cards costs no more to open than one of ten.
class DeckIndexModel : public QAbstractListModel {
    Q_OBJECT
public:
    DeckIndexModel(const Deck& deck, QObject* parent);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const Deck& m_deck;
};

// The card menu of the body editor's right button: every index in deck order, front card
// first. Choosing one (click, Enter, or typing its first letters and Enter) brings that
// card to the front.
class CardMenu : public QFrame {
    Q_OBJECT
public:
    CardMenu(const Deck& deck, QWidget* parent);

    // Shows the list with its top-left corner at the point, kept on the screen.
    void popup(const QPoint& globalPos);
    QListView* list() const { return m_list; }

Q_SIGNALS:
    void cardChosen(int position);

private:
    void choose(const QModelIndex& index);

    DeckIndexModel* m_model;
    QListView* m_list;
    bool m_chosen = false;
};
