#include "DeckCommands.h"

#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "ports/CommandBinder.h"
#include "ports/Questions.h"
#include "ports/WindowStatus.h"

namespace {

std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

DeckCommands::DeckCommands(Deck& deck, Questions& questions, WindowStatus& window,
                           const CharacterSet& characterSet)
    : m_deck(deck)
    , m_questions(questions)
    , m_window(window)
    , m_characterSet(characterSet)
    , m_walk(deck, characterSet) {
    m_deck.addObserver(this);
}

DeckCommands::~DeckCommands() {
    m_deck.removeObserver(this);
}

void DeckCommands::bindCommands(CommandBinder& binder) {
    const auto cards = [this] { return !m_deck.isEmpty(); };
    binder.bind(Cmd::Add, [this] { Add(); });
    binder.bind(
        Cmd::Duplicate, [this] { Duplicate(); }, cards);
    binder.bind(
        Cmd::Delete, [this] { Delete(); }, cards);
    binder.bind(
        Cmd::Undelete, [this] { Undelete(); }, [this] { return m_deck.hasDeletedCard(); });
    binder.bind(
        Cmd::RestoreCard, [this] { RestoreCard(); }, [this] { return canRestoreCard(); });
    binder.bind(
        Cmd::EditIndex, [this] { EditIndex(); }, cards);
    binder.bind(
        Cmd::GoTo, [this] { GoTo(); }, cards);
    binder.bind(
        Cmd::NextCard, [this] { Next(); }, cards);
    binder.bind(
        Cmd::PreviousCard, [this] { Previous(); }, cards);
}

void DeckCommands::warn(const QString& text, const QString& caption) {
    m_questions.messageBox(text, caption, MessageIcon::Exclamation, MessageButtons::Ok);
}

void DeckCommands::deckChanged(DeckChanges changes) {
    if (changes & (DeckChange::Front | DeckChange::Count))
        frontCardShown();
}

void DeckCommands::cardReplaced(const Card& before, const Card& after) {
    // An edit makes the card anew; it is still the card that came to the front.
    if (m_restore.card == &before)
        m_restore.card = &after;
}

void DeckCommands::frontCardShown() {
    if (m_deck.isEmpty()) {
        m_restore = {};
        return;
    }
    const Card& front = m_deck.card(0);
    if (m_restore.card != &front || m_restore.emptyings != m_deck.emptyings())
        m_restore = {&front, m_deck.emptyings(), std::string(front.indexText()),
                     std::string(front.bodyText())};
}

bool DeckCommands::canRestoreCard() const {
    if (m_deck.isEmpty() || m_restore.card != &m_deck.card(0) ||
        m_restore.emptyings != m_deck.emptyings())
        return false;
    const Card& front = m_deck.card(0);
    return front.indexText() != m_restore.index || front.bodyText() != m_restore.body;
}

void DeckCommands::RestoreCard() {
    if (!canRestoreCard())
        return;
    const Deck::Batch batch(m_deck);
    m_deck.setIndex(0, m_restore.index);
    m_deck.setBody(0, m_restore.body);
    resort(m_deck.card(0));
}

void DeckCommands::resort(const Card& card) {
    m_deck.SortByIndex();
    m_deck.BringCardToFront(m_deck.positionOf(&card));
}

void DeckCommands::Duplicate() {
    if (m_deck.isEmpty())
        return;
    CardBlock one;
    one.append(m_deck.card(0));
    const Deck::Batch batch(m_deck);
    m_deck.appendCards(std::move(one));
    resort(m_deck.card(m_deck.count() - 1));
}

void DeckCommands::Undelete() {
    const Deck::Batch batch(m_deck);
    if (const Card* card = m_deck.Undelete())
        resort(*card);
}

void DeckCommands::Add() {
    const auto typed = m_questions.indexDialog(IndexDialogMode::AddCard, QByteArray());
    if (!typed)
        return;
    m_newIndex = m_characterSet.cut(*typed, Card::MaxIndexLength);
    if (m_newIndex.isEmpty()) {
        warn(QStringLiteral("Did Not Create Card"), QStringLiteral("Quorix Warning"));
        return;
    }
    // The new card itself comes to the front, also when an older card has an equal index:
    // the user goes on to type its body.
    const Deck::Batch batch(m_deck);
    resort(m_deck.AppendCard(view(m_newIndex)));
}

void DeckCommands::Delete() {
    if (m_deck.isEmpty())
        return;
    const QString index = m_characterSet.decode(m_deck.card(0).indexText());
    if (m_questions.messageBox(QStringLiteral("Delete \"%1\" ?").arg(index),
                               QStringLiteral("Delete Card"), MessageIcon::Question,
                               MessageButtons::YesNo) == Answer::Yes)
        m_deck.RemoveFrontCard();
}

void DeckCommands::EditIndex() {
    if (m_deck.isEmpty())
        return;
    const std::string_view index = m_deck.card(0).indexText();
    const QByteArray old(index.data(), static_cast<qsizetype>(index.size()));
    const auto typed = m_questions.indexDialog(IndexDialogMode::EditIndex, old);
    if (!typed)
        return;
    const QByteArray text = m_characterSet.cut(*typed, Card::MaxIndexLength);
    if (text.isEmpty()) {
        warn(QStringLiteral("Did Not Change Text"), QStringLiteral("Quorix Warning"));
        return;
    }
    // The same text again changes nothing, so the deck is not marked modified.
    if (text != old) {
        const Deck::Batch batch(m_deck);
        m_deck.setIndex(0, view(text));
        // The renamed card itself comes to the front, not a card with the same index.
        resort(m_deck.card(0));
    }
}

void DeckCommands::GoTo() {
    const auto typed = m_questions.indexDialog(IndexDialogMode::GotoIndex, QByteArray());
    if (!typed)
        return;
    if (typed->isEmpty()) {
        warn(QStringLiteral("Text Not Found"), QStringLiteral("Quorix Warning..."));
        return;
    }
    // A card matches when its index begins with the text's first letter and holds the text
    // anywhere, case ignored. The front card is never examined.
    const QByteArray key = m_characterSet.foldForSearch(view(*typed));
    const std::string_view first = m_characterSet.firstLetter(view(key));
    for (int i = 1, n = m_deck.count(); i < n; ++i) {
        const std::string_view index = m_deck.card(i).indexText();
        if (m_characterSet.find(index, first) == 0 && m_characterSet.contains(index, view(key))) {
            m_deck.BringCardToFront(i);
            return;
        }
    }
    warn(QStringLiteral("\"%1\" Not Found").arg(m_characterSet.decode(view(*typed))),
         QStringLiteral("Quorix Warning"));
}

void DeckCommands::startFind() {
    m_walk.start();
}

void DeckCommands::FindNext(const QByteArray& text) {
    FindWalk::Match match;
    switch (m_walk.findNext(view(text), match)) {
    case FindWalk::Result::Found:
        // The Find dialog keeps the keyboard, so Enter there finds the next occurrence and
        // never types over this one.
        m_window.selectBodyBytes(match.start, match.start + match.length);
        break;
    case FindWalk::Result::EndOfSelection:
        m_questions.messageBox(QStringLiteral("End of Selection"), QStringLiteral("Quorix Info"),
                               MessageIcon::Exclamation, MessageButtons::Ok);
        break;
    case FindWalk::Result::EmptyDeck:
    case FindWalk::Result::NothingToFind:
        break;
    }
}

void DeckCommands::Next() {
    if (m_deck.count() > 1)
        m_deck.BringCardToFront(1);
}

void DeckCommands::Previous() {
    if (m_deck.count() > 1)
        m_deck.BringCardToFront(m_deck.count() - 1);
}

void DeckCommands::bringToFront(int position) {
    if (position >= 0 && position < m_deck.count())
        m_deck.BringCardToFront(position);
}

void DeckCommands::jumpToInitial(char letter) {
    if (!m_characterSet.isUnicode()) {
        m_deck.JumpToInitial(letter);
        return;
    }
    // The first card whose index begins with the letter, folded as Find folds it (K finds
    // the Kelvin sign's K, and a Turkish i its İ).
    const QByteArray folded = m_characterSet.foldForSearch(std::string_view(&letter, 1));
    const std::string_view key(folded.constData(), static_cast<std::size_t>(folded.size()));
    for (int i = 1, n = m_deck.count(); i < n; ++i) {
        if (m_characterSet.find(m_deck.card(i).indexText(), key) == 0) {
            m_deck.BringCardToFront(i);
            return;
        }
    }
}
