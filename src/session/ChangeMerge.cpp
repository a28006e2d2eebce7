#include "ChangeMerge.h"

#include "DeckCharacterSet.h"
#include "Document.h"
#include "deck/DeckMerge.h"
#include "files/DeckStorage.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "files/Profile.h"
#include "ports/UserInterface.h"

namespace {

QString count(std::size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(QString::number(n),
                                       QString::fromLatin1(n == 1 ? one : many));
}

} // namespace

ChangeMerge::ChangeMerge(Document& document, Deck& deck, DeckCharacterSet& characterSet,
                         UserInterface& ui, Profile& profile)
    : m_document(document)
    , m_deck(deck)
    , m_sets(characterSet)
    , m_ui(ui)
    , m_profile(profile) {}

bool ChangeMerge::mergeWith(const QString& path, Base base) {
    // One complete read: a change after it is another change, and is offered again.
    DeckStorage::Read read = DeckStorage::readDeck(path);
    if (read.status != DeckStorage::Read::Status::Ok) {
        // Named, and left as it is.
        const QString why = read.status == DeckStorage::Read::Status::NotADeck
                                ? QStringLiteral("It is not a Quorix deck.")
                                : read.reason;
        m_ui.standardMessageBox(
            QStringLiteral("Quorix cannot merge \"%1\": nothing was changed.\n%2")
                .arg(FileNames::display(path), why));
        return false;
    }
    Deck other;
    other.appendCards(m_sets.adopt(std::move(read.cards), read.unicode, path));
    const std::vector<const Card*> saved = m_deck.savedState().cards();
    const std::vector<const Card*> theirs = other.cards();
    const bool known = base == Base::Saved ||
                       (base == Base::IfDescended && DeckMerge::descendsFrom(saved, theirs));
    DeckMerge::Input input;
    input.base = known ? saved : std::vector<const Card*>();
    input.mine = m_deck.cards();
    input.theirs = theirs;
    input.baseKnown = known;
    input.mineOrigin = [this](const Card* card) { return m_deck.savedOriginOf(card); };
    DeckMerge::Result result = DeckMerge::merge(input);

    // The deck's own file: the merged deck differs from what the file now holds, which is the
    // next merge's base. Another file leaves the deck's own file and state as they were.
    const bool ownFile = !m_document.isImported() && !m_document.filePath().isEmpty() &&
                         FileNames::sameFile(path, m_document.filePath());
    Document::Takeover t;
    t.origin = Document::Origin::Merged;
    t.cards = std::move(result.cards);
    t.state = Deck::State::Unsaved;
    t.path = m_document.filePath();
    t.imported = m_document.isImported();
    t.proposedName = m_document.proposedName();
    t.stamp = ownFile ? read.stamp : m_document.guard().stamp();
    if (ownFile)
        t.savedState = other.snapshot();
    m_document.takeOver(std::move(t));

    const QString name = FileNames::display(PathParts::fileName(path));
    QString text;
    QStringList names;
    for (const std::string& index : result.conflicts) {
        const QString shown = m_sets.current().decode(index);
        if (!names.contains(shown))
            names << shown;
    }
    if (known) {
        text = QStringLiteral("Merged with \"%1\": %2 from it, %3 of yours.")
                   .arg(name, count(result.changedThere, "change", "changes"),
                        count(result.changedHere, "change", "changes"));
        if (!names.isEmpty())
            text += QStringLiteral("\n\n%1 changed on both sides, or changed on one and deleted "
                                   "on the other, and kept in every version (find them by "
                                   "their index in the list):\n%2")
                        .arg(count(names.size(), "card was", "cards were"), names.join(u'\n'));
    } else {
        text = QStringLiteral("Merged with \"%1\", which has no earlier version in common with "
                              "the deck: every card of both is kept.")
                   .arg(name);
        if (!names.isEmpty())
            text += QStringLiteral("\n\n%1 only it had: a card changed on one side is there in "
                                   "both versions, and one deleted on one side is back (find "
                                   "them by their index in the list):\n%2")
                        .arg(count(result.fromTheirsOnly, "card", "cards"), names.join(u'\n'));
    }
    m_ui.standardMessageBox(text, MessageIcon::Information);
    return true;
}

void ChangeMerge::MergeChangesFrom() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Merge Changes From"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    if (path)
        mergeWith(*path, Base::IfDescended);
}
