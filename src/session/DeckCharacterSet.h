#pragma once

#include "Document.h"
#include "deck/CharacterSet.h"

#include <QObject>
#include <QStringList>

class Deck;
class Profile;
class Questions;

// The character set of the open deck, and every change of it. A new deck is a Unicode deck; a
// deck of a code page stays one, shown in any code page without a byte changed, until the user
// needs more: then it becomes a Unicode deck, its texts converted, once the user agrees. The
// set others are given by reference is the one kept here, and follows every change.
class DeckCharacterSet : public QObject {
    Q_OBJECT
public:
    // The deck's cards, if any, are of the set of codePage.
    DeckCharacterSet(Deck& deck, const Document& document, Profile& profile, Questions& questions,
                     int codePage = CharacterSet::Unicode);

    const CharacterSet& current() const { return m_set; }

    // View > Character Set: the deck shown in another code page, no byte changed; the set is
    // remembered for the deck's file. A deck with cards never changes kind this way.
    void show(int codePage);
    // The code page the deck is written in for older programs: its own; for a Unicode deck,
    // the one it was converted from, else the one remembered for its file, else the locale's.
    int olderCodePage() const;

    // The set of a deck that came from a file (Document::fileTaken).
    void fileTaken(Document::Origin origin, int codePage);
    // The code page a card file is read in, by the way it comes.
    int codePageFor(const QString& path, Document::Origin origin) const;

    // Typed or pasted text a code-page deck cannot hold (leftOut names it): asks once for each
    // deck whether to make it a Unicode deck. True when the deck is a Unicode deck now.
    bool holdAnyText(const QString& leftOut);
    // The deck's texts converted to Unicode; the deck is modified, its front card stays.
    void makeUnicode();
    // Cards read from another deck file (a Unicode deck or not) in the deck's set: a deck of a
    // code page from the set it was last shown in, or the locale's; a Unicode deck's cards into
    // a code page, asking first, as typing does, to make the deck a Unicode deck.
    CardBlock adopt(CardBlock cards, bool unicodeFile, const QString& path);
    // The deck's texts converted to a code page (as written for older programs): the cards
    // given, which the caller made with Transcode, take the deck's place, in its order.
    void becomeCodePage(int codePage, CardBlock cards);

Q_SIGNALS:
    void changed();

private:
    void set(int codePage);

    Deck& m_deck;
    const Document& m_document;
    Profile& m_profile;
    Questions& m_questions;
    CharacterSet m_set;
    int m_older = 0; // the code page a Unicode deck came from; 0: none
    bool m_asked = false;
};
