#pragma once

#include "deck/FindWalk.h"

#include <QByteArray>

#include <string>

class CharacterSet;
class CommandBinder;
class Deck;
class Questions;
class WindowStatus;

// The commands that change or move through the deck by its index lines and bodies: Add,
// Delete, Edit Index, Go To, Find Next, and the moves of the card stack (a click on a card,
// the card menu, Ctrl with a letter, Next and Previous). What they change the deck announces;
// the views follow it.
class DeckCommands : private DeckObserver {
public:
    DeckCommands(Deck& deck, Questions& questions, WindowStatus& window,
                 const CharacterSet& characterSet);
    ~DeckCommands() override;

    void Add();
    // A copy of the front card (index, body, tag), in front.
    void Duplicate();
    void Delete();
    // The most recently deleted card back, in front.
    void Undelete();
    // The front card's index and body as they were when it last came to the front.
    void RestoreCard();
    bool canRestoreCard() const;
    // From the menu or a click on the front card's header.
    void EditIndex();
    void GoTo();

    // Starts a new search walk at the front card (the Find command).
    void startFind();
    // One press of Find Next with the dialog's current text.
    void FindNext(const QByteArray& text);

    void Next();
    void Previous();
    // A click on a card behind, or a choice from the card menu.
    void bringToFront(int position);
    // Ctrl with a letter in the editor.
    void jumpToInitial(char letter);

    // Add, Duplicate, Delete, Undelete, Restore Card, Edit Index, Go To, Next and Previous.
    void bindCommands(CommandBinder& binder);

private:
    void deckChanged(DeckChanges changes) override;
    void cardReplaced(const Card& before, const Card& after) override;
    // A card that has just come to the front is remembered as it is now, for Restore Card.
    void frontCardShown();
    void warn(const QString& text, const QString& caption);
    // Sorts the deck after a card was added or re-indexed, and brings that card to the front.
    void resort(const Card& card);

    // The front card as it came to the front.
    struct RestorePoint {
        const Card* card = nullptr;
        quint64 emptyings = 0;
        std::string index;
        std::string body;
    };

    Deck& m_deck;
    Questions& m_questions;
    WindowStatus& m_window;
    const CharacterSet& m_characterSet;
    QByteArray m_newIndex; // the text last typed for Add
    FindWalk m_walk;
    RestorePoint m_restore;
};
