#pragma once

#include "deck/Deck.h"

#include <QHash>

#include <QStaticText>
#include <QWidget>
#include <functional>

class CardWindow;
class CharacterSet;
class DeckSession;

// The cascade of cards: the front card bottom left, each card behind it 25 pixels right and
// 25 up. The cards behind are painted here, and only those that can be seen, so a deck of a
// million cards draws as fast as one of ten; the front card is a real child widget.
class CardStack : public QWidget {
    Q_OBJECT
public:
    static constexpr int Step = 25;

    // The cascade follows the session's deck by itself, and a click on a card behind brings
    // it to the front.
    CardStack(DeckSession& session, QWidget* parent);

    // Null while the deck is empty.
    CardWindow* front() const { return m_front; }
    const Deck& deck() const { return m_deck; }
    const CharacterSet& characterSet() const { return m_characterSet; }
    // The Insert key's overwrite typing, kept from one front card to the next.
    bool overwriteTyping() const { return m_overwrite; }
    // A card behind chosen without the mouse (a screen reader): as a click on it.
    void bringToFront(int position) { Q_EMIT cardClicked(position); }

    // Redraws every visible header from the deck and loads the front card's body. Builds the
    // front card when the deck gains its first card and removes it when the deck is empty.
    void RelabelCards(DeckChanges changes = DeckChange::Front);
    // Places the front card at the bottom left again.
    void LayoutCardWindows();

    // The rectangle of the card at stack position k, in this widget's coordinates.
    QRect cardRect(int k) const;
    // The deck position of the card under a point; -1 for none or the front card.
    int backCardAt(const QPoint& point) const;
    // How many cards behind the front one can be seen at the current size.
    int visibleBackCards() const;
    // Room for the front card and three cards behind it, whole: a cascade at first sight.
    QSize sizeHint() const override;

Q_SIGNALS:
    void frontCardCreated(CardWindow* front);
    void cardClicked(int position);
    void overwriteTypingChanged(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The header of a card behind, laid out once: shaping a text is the dearest part of a
    // paint, and a rotation by one card brings one new header.
    const QStaticText& header(const QString& text, int width);

    Deck& m_deck;
    const CharacterSet& m_characterSet;
    CardWindow* m_front = nullptr;
    bool m_overwrite = false;
    // What the front card's editor asks before text a code page cannot hold is left out.
    std::function<bool(const QString&)> m_holdAnyText;
    QHash<QString, QStaticText> m_headers;
};
