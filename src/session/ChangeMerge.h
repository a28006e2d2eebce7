#pragma once

#include <QString>

class Deck;
class DeckCharacterSet;
class Document;
class Profile;
class UserInterface;

// Merging another version of the deck into the window's deck, card by card (DeckMerge): the
// deck's own file as another program changed it, a sync tool's conflict copy, or any deck the
// user picks. The merged deck is the window's, modified; merging writes no file. Merged with
// its own file, the deck then differs from what the file holds, so Save writes it without
// asking about another program's change.
class ChangeMerge {
public:
    ChangeMerge(Document& document, Deck& deck, DeckCharacterSet& characterSet, UserInterface& ui,
                Profile& profile);

    enum class Base {
        Saved,      // the deck as last read or written: the deck's own file
        None,       // no known earlier version: every distinct card of both is kept
        IfDescended // the saved state when the other deck still holds most of it
    };
    // Merges the deck file at path in; the user is told what came of it. False when it could
    // not be read (the user has been told why).
    bool mergeWith(const QString& path, Base base);
    // File > Merge Changes From...
    void MergeChangesFrom();

private:
    Document& m_document;
    Deck& m_deck;
    DeckCharacterSet& m_sets;
    UserInterface& m_ui;
    Profile& m_profile;
};
