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
    // Whether the list shows the front card: the card every command on "the front card" acts
    // on. False while the filter keeps no card.
    bool showsFrontCard() const;

    // Reads the deck again and selects the front card.
    void refresh();
    // The keyboard to the filter box.
    void takeFocus();
    // Next and Previous of the list: the card so many rows on (or back) comes to the front.
    void moveCurrent(int rows);

Q_SIGNALS:
    // The user selected a card; it has come to the front.
    void cardSelected(int position);
    // Enter or a double click: back to the cards, with this one in front.
    void cardOpened(int position);
    // Text typed or pasted into the filter was left out; says why.
    void inputRefused(const QString& reason);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void selectFront();
    // The current row is always the front card: a front card the filter hides gives way to
    // the first card shown, and a card that has just come in clears a filter that hides it.
    void keepFrontShown();
    void onCurrentChanged();

    DeckSession& m_session;
    const Deck& m_deck;
    const CharacterSet& m_characterSet;
    int m_count = 0; // the deck's count when the list last read it
    IndexListModel* m_model;
    QLineEdit* m_filter;
    QListView* m_list;
    bool m_selecting = false;
    bool m_choosing = false;
};
