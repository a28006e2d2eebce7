#include "DeckCharacterSet.h"

#include "deck/Deck.h"
#include "deck/Transcode.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "files/Profile.h"
#include "ports/Questions.h"

DeckCharacterSet::DeckCharacterSet(Deck& deck, const Document& document, Profile& profile,
                                   Questions& questions, int codePage)
    : m_deck(deck)
    , m_document(document)
    , m_profile(profile)
    , m_questions(questions)
    , m_set(CharacterSet::forCodePage(codePage)) {
    m_deck.setIndexOrder(m_set.indexOrder());
}

void DeckCharacterSet::set(int codePage) {
    const QString path = m_document.filePath();
    if (!path.isEmpty() && codePage != CharacterSet::Unicode)
        m_profile.setCharacterSetOf(path, codePage);
    if (codePage == m_set.codePage())
        return;
    m_set = CharacterSet::forCodePage(codePage);
    // Each set has its order: a set that holds characters twice orders both as one, Unicode
    // follows the locale.
    m_deck.setIndexOrder(m_set.indexOrder());
    Q_EMIT changed();
}

void DeckCharacterSet::show(int codePage) {
    if (!CharacterSet::isSupported(codePage))
        return;
    // Only the bytes' meaning changes: a deck whose cards are of one kind stays that kind.
    if ((codePage == CharacterSet::Unicode) != m_set.isUnicode() && !m_deck.isEmpty())
        return;
    set(codePage);
}

int DeckCharacterSet::olderCodePage() const {
    if (!m_set.isUnicode())
        return m_set.codePage();
    if (m_older)
        return m_older;
    const QString path = m_document.filePath();
    const int remembered = path.isEmpty() ? 0 : m_profile.characterSetOf(path);
    return remembered && remembered != CharacterSet::Unicode ? remembered
                                                             : CharacterSet::localeCodePage();
}

int DeckCharacterSet::codePageFor(const QString& path, Document::Origin origin) const {
    const int remembered = path.isEmpty() ? 0 : m_profile.characterSetOf(path);
    if (remembered && remembered != CharacterSet::Unicode)
        return remembered;
    // A card file imported by the command comes in the open deck's code page.
    if (origin == Document::Origin::ImportedByCommand && !m_set.isUnicode())
        return m_set.codePage();
    return CharacterSet::localeCodePage();
}

void DeckCharacterSet::fileTaken(Document::Origin origin, int codePage) {
    using Origin = Document::Origin;
    const bool sameDeck =
        origin == Origin::Reread || origin == Origin::SavedAs || origin == Origin::Merged;
    if (!sameDeck) {
        m_asked = false;
        m_older = 0;
    }
    if (codePage == CharacterSet::Unicode) {
        set(CharacterSet::Unicode);
        return;
    }
    switch (origin) {
    case Origin::New:
        set(CharacterSet::Unicode);
        break;
    case Origin::SavedAs:
        set(m_set.codePage()); // remembered for the new name
        break;
    case Origin::Merged:
        break; // merged into the deck's own set
    case Origin::Reread:
        // Written for older programs elsewhere: read as the code page it was written in.
        if (m_set.isUnicode())
            set(olderCodePage());
        break;
    default:
        // Where the set is known (the one the work was typed in, the one remembered for a
        // deck shown untitled), that set.
        if (CharacterSet::isSupported(codePage)) {
            set(codePage);
            break;
        }
        set(codePageFor(m_document.filePath(), origin));
        break;
    }
}

bool DeckCharacterSet::holdAnyText(const QString& leftOut) {
    if (m_set.isUnicode())
        return true;
    if (m_asked)
        return false;
    m_asked = true;
    const QString path = m_document.filePath();
    const QString name =
        path.isEmpty() ? QStringLiteral("Untitled") : FileNames::display(PathParts::fileName(path));
    const int choice = m_questions.choiceBox(
        QStringLiteral("The deck \"%1\" is kept in the %2 character set, which cannot hold: "
                       "%3\n\nMake it a Unicode deck, which holds any text? Older programs "
                       "cannot open a Unicode deck; File > Save As can still write one for "
                       "them.\n\nOtherwise what the set cannot hold is left out.")
            .arg(name, m_set.name(), leftOut),
        QStringLiteral("Quorix"), MessageIcon::Question,
        {QStringLiteral("Make a &Unicode Deck"), QStringLiteral("&Leave It Out")}, 0);
    if (choice != 0)
        return false;
    makeUnicode();
    return true;
}

CardBlock DeckCharacterSet::adopt(CardBlock cards, bool unicodeFile, const QString& path) {
    if (unicodeFile && !m_set.isUnicode()) {
        Transcode::Result inSet = Transcode::cards(cards.cards(), CharacterSet::unicode(), m_set);
        if (inSet.lossy.empty() ||
            !holdAnyText(QStringLiteral("what %1 of the cards of \"%2\" hold.")
                             .arg(QString::number(inSet.lossy.size()),
                                  FileNames::display(PathParts::fileName(path)))))
            return std::move(inSet.cards);
        return cards; // a Unicode deck now
    }
    if (!unicodeFile && m_set.isUnicode()) {
        const int remembered = m_profile.characterSetOf(path);
        const CharacterSet from = CharacterSet::forCodePage(
            remembered && remembered != CharacterSet::Unicode ? remembered
                                                              : CharacterSet::localeCodePage());
        return Transcode::cards(cards.cards(), from, m_set).cards;
    }
    return cards;
}

void DeckCharacterSet::makeUnicode() {
    if (m_set.isUnicode())
        return;
    const int from = m_set.codePage();
    becomeCodePage(CharacterSet::Unicode,
                   Transcode::cards(m_deck.cards(), m_set, CharacterSet::unicode()).cards);
    m_older = from;
}

void DeckCharacterSet::becomeCodePage(int codePage, CardBlock cards) {
    const Deck::Batch batch(m_deck);
    // The cards come in deck order: the first was in front, and comes to the front again.
    const Card* front = cards.empty() ? nullptr : &*cards.begin();
    m_deck.replaceCards(std::move(cards), Deck::State::Unsaved);
    set(codePage);
    if (front) {
        if (const int k = m_deck.positionOf(front); k > 0)
            m_deck.BringCardToFront(k);
    }
}
