#pragma once

#include <QWidget>

class CharacterSet;
class Deck;
class DeckSession;
class IndexListModel;
class QLineEdit;
class QListView;

// The list view of the main window: a one-line filter box over every card's index in index
// order. The selected entry is the front card, so every command on the front card acts on it;
// typing in the box keeps only the cards whose index or body holds the text. It follows the
// session's deck by itself.
class IndexList : public QWidget {
    Q_OBJECT
public:
    IndexList(DeckSession& session, QWidget* parent);

    QLineEdit* filterBox() const { return m_filter; }
    QListView* list() const { return m_list; }
    IndexListModel* model() const { return m_model; }
    bool isFiltered() const;

    // Reads the deck again and selects the front card.
    void refresh();
    // The keyboard to the filter box.
    void takeFocus();

Q_SIGNALS:
    // The user selected a card; it has come to the front.
    void cardSelected(int position);
    // Enter or a double click: back to the cards, with this one in front.
    void cardOpened(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectFront();
    void onCurrentChanged();

    const Deck& m_deck;
    const CharacterSet& m_characterSet;
    IndexListModel* m_model;
    QLineEdit* m_filter;
    QListView* m_list;
    bool m_selecting = false;
    bool m_choosing = false;
};
