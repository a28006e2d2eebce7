#include "DeckCommands.h"

#include "Cp1252.h"
#include "Deck.h"
#include "IndexOrder.h"

namespace {

std::string_view view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QByteArray upper(QByteArray text) {
    for (char& c : text)
        c = static_cast<char>(upperAscii(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

DeckCommands::DeckCommands(Deck& deck, UserInterface& ui)
    : m_deck(deck)
    , m_ui(ui)
    , m_walk(deck) {}

void DeckCommands::warn(const QString& text, const QString& caption) {
    m_ui.messageBox(text, caption, MessageIcon::Exclamation, MessageButtons::Ok);
}

void DeckCommands::relabel() {
    m_ui.relabelCards();
    frontCardShown();
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
    Card& front = m_deck.card(0);
    front.setIndex(m_restore.index);
    front.setBody(m_restore.body);
    resort(front);
    m_ui.closingStep();
}

void DeckCommands::resort(const Card& card) {
    m_deck.SortByIndex();
    m_deck.BringCardToFront(m_deck.positionOf(&card));
    relabel();
    m_deck.setModified(true);
}

void DeckCommands::showAdded(const Card& card) {
    resort(card);
    m_ui.closingStep();
}

void DeckCommands::Duplicate() {
    if (m_deck.isEmpty())
        return;
    const Card& original = m_deck.card(0);
    auto copy = std::make_unique<Card>(original);
    const Card& added = *copy;
    std::vector<std::unique_ptr<Card>> one;
    one.push_back(std::move(copy));
    m_deck.appendCards(std::move(one));
    showAdded(added);
}

void DeckCommands::Undelete() {
    if (!m_deck.hasDeletedCard())
        return;
    showAdded(m_deck.Undelete());
}

void DeckCommands::Add() {
    const auto typed = m_ui.indexDialog(IndexDialogMode::AddCard, QByteArray());
    if (!typed) {
        m_ui.closingStep();
        return;
    }
    m_newIndex = typed->left(Card::MaxIndexLength);
    if (m_newIndex.isEmpty()) {
        warn(QStringLiteral("Did Not Create Card"), QStringLiteral("Quorix Warning"));
        return;
    }
    // The new card itself comes to the front, also when an older card has an equal index:
    // the user goes on to type its body.
    showAdded(m_deck.AppendCard(view(m_newIndex)));
}

void DeckCommands::Delete() {
    if (m_deck.isEmpty())
        return;
    const QString index = Cp1252::decode(m_deck.card(0).indexText());
    if (m_ui.messageBox(QStringLiteral("Delete \"%1\" ?").arg(index), QStringLiteral("Delete Card"),
                        MessageIcon::Question, MessageButtons::YesNo) == Answer::Yes) {
        m_deck.RemoveFrontCard();
        relabel();
        m_deck.setModified(true);
    }
    m_ui.closingStep();
}

void DeckCommands::EditIndex() {
    if (m_deck.isEmpty())
        return;
    Card& card = m_deck.card(0);
    const std::string_view index = card.indexText();
    const QByteArray old(index.data(), static_cast<qsizetype>(index.size()));
    const auto typed = m_ui.indexDialog(IndexDialogMode::EditIndex, old);
    if (typed) {
        const QByteArray text = typed->left(Card::MaxIndexLength);
        if (text.isEmpty()) {
            warn(QStringLiteral("Did Not Change Text"), QStringLiteral("Quorix Warning"));
            return;
        }
        // The same text again changes nothing, so the deck is not marked modified.
        if (text != old) {
            card.setIndex(view(text));
            // The renamed card itself comes to the front, not a card with the same index.
            resort(card);
        }
    }
    m_ui.closingStep();
}

void DeckCommands::GoTo() {
    const auto typed = m_ui.indexDialog(IndexDialogMode::GotoIndex, QByteArray());
    if (!typed) {
        m_ui.closingStep();
        return;
    }
    if (typed->isEmpty()) {
        warn(QStringLiteral("Text Not Found"), QStringLiteral("Quorix Warning..."));
        return;
    }
    // A card matches when its index begins with the text's first letter and holds the text
    // anywhere, case ignored. The front card is never examined.
    const QByteArray key = upper(*typed);
    for (int i = 1, n = m_deck.count(); i < n; ++i) {
        const std::string_view index = m_deck.card(i).indexText();
        const QByteArray candidate =
            upper(QByteArray(index.data(), static_cast<qsizetype>(index.size())));
        if (!candidate.isEmpty() && candidate[0] == key[0] && candidate.contains(key)) {
            m_deck.BringCardToFront(i);
            relabel();
            return;
        }
    }
    warn(QStringLiteral("\"%1\" Not Found").arg(Cp1252::decode(view(*typed))),
         QStringLiteral("Quorix Warning"));
    m_ui.closingStep();
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
        relabel();
        m_ui.selectBodyBytes(match.start, match.start + match.length);
        break;
    case FindWalk::Result::EndOfSelection:
        m_ui.messageBox(QStringLiteral("End of Selection"), QStringLiteral("Quorix Info"),
                        MessageIcon::Exclamation, MessageButtons::Ok);
        break;
    case FindWalk::Result::EmptyDeck:
        m_ui.closingStep();
        break;
    case FindWalk::Result::NothingToFind:
        break;
    }
}

void DeckCommands::Next() {
    if (m_deck.count() > 1) {
        m_deck.BringCardToFront(1);
        relabel();
    }
    m_ui.closingStep();
}

void DeckCommands::Previous() {
    if (m_deck.count() > 1) {
        m_deck.BringCardToFront(m_deck.count() - 1);
        relabel();
    }
    m_ui.closingStep();
}

void DeckCommands::bringToFront(int position) {
    if (position < 0 || position >= m_deck.count())
        return;
    m_deck.BringCardToFront(position);
    relabel();
}

void DeckCommands::jumpToInitial(char letter) {
    if (m_deck.isEmpty())
        return;
    m_deck.JumpToInitial(letter);
    relabel();
}
