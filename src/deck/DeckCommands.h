#pragma once

#include "FindWalk.h"
#include "UserInterface.h"

#include <QByteArray>

class Deck;

// The commands that change or move through the deck by its index lines and bodies: Add,
// Delete, Edit Index, Go To, Find Next, and the moves of the card stack (a click on a card,
// the card menu, Ctrl with a letter, Next and Previous).
class DeckCommands {
public:
    DeckCommands(Deck& deck, UserInterface& ui);

    void Add();
    void Delete();
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

private:
    void warn(const QString& text, const QString& caption);

    Deck& m_deck;
    UserInterface& m_ui;
    QByteArray m_newIndex; // the text last typed for Add
    FindWalk m_walk;
};
