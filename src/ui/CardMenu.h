#pragma once

#include <QFrame>

class CharacterSet;
class Deck;
class IndexListModel;
class QListView;

// The card menu of the body editor's right button: every index in deck order, front card
// first. Choosing one (click, Enter, or typing its first letters and Enter) brings that
// card to the front.
class CardMenu : public QFrame {
    Q_OBJECT
public:
    CardMenu(const Deck& deck, const CharacterSet& characterSet, QWidget* parent);

    // Shows the list with its top-left corner at the point, kept on the screen.
    void popup(const QPoint& globalPos);
    QListView* list() const { return m_list; }

Q_SIGNALS:
    void cardChosen(int position);

private:
    void choose(const QModelIndex& index);

    IndexListModel* m_model;
    QListView* m_list;
    bool m_chosen = false;
};
