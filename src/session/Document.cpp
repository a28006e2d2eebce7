#include "Document.h"

#include "deck/IndexOrder.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "ports/OtherWindows.h"
#include "ports/WindowStatus.h"

#include <QFileInfo>

namespace {

// Where the front card of a deck read again is: the same card (its index, body and tag, the
// same one among cards alike), else the card in its place among those with its index (its body
// was changed), else the one card with its body (its index was changed), else none.
struct FrontCard {
    std::string index;
    std::string body;
    std::int32_t tag = 0;
    int alikeBefore = 0;     // cards with the same index, body and tag before it in index order
    int sameIndexBefore = 0; // cards with the same index before it

    static std::optional<FrontCard> of(const Deck& deck) {
        if (deck.isEmpty())
            return std::nullopt;
        const Card& front = deck.card(0);
        FrontCard f{std::string(front.indexText()), std::string(front.bodyText()), front.tag(), 0,
                    0};
        for (int k = deck.firstInIndexOrder(); k != 0; k = (k + 1) % deck.count()) {
            f.alikeBefore += deck.card(k).sameAs(front) ? 1 : 0;
            f.sameIndexBefore += deck.card(k).indexText() == f.index ? 1 : 0;
        }
        return f;
    }

    int findIn(const Deck& deck) const {
        int alike = 0, sameIndex = 0, byIndex = -1, byBody = -1, bodies = 0;
        const int n = deck.count();
        for (int i = 0, k = deck.firstInIndexOrder(); i < n; ++i, k = (k + 1) % n) {
            const Card& c = deck.card(k);
            const bool indexAlike = c.indexText() == index;
            const bool bodyAlike = c.bodyText() == body;
            if (indexAlike && bodyAlike && c.tag() == tag && alike++ == alikeBefore)
                return k;
            if (indexAlike && sameIndex++ == sameIndexBefore)
                byIndex = k;
            if (bodyAlike && !indexAlike) {
                byBody = k;
                ++bodies;
            }
        }
        if (byIndex >= 0)
            return byIndex;
        return bodies == 1 && !body.empty() ? byBody : -1;
    }
};

} // namespace

Document::Document(Deck& deck, WindowStatus& window, Worker& worker)
    : m_deck(deck)
    , m_window(window)
    , m_guard(worker) {}

QString Document::title() const {
    return m_filePath.isEmpty() ? QStringLiteral("Quorix - Untitled")
                                : QStringLiteral("Quorix - %1").arg(FileNames::display(m_filePath));
}

QString Document::proposedName() const {
    if (!m_proposedName.isEmpty())
        return m_proposedName;
    const QString name = PathParts::fileName(m_filePath);
    // A card file is never offered for overwriting: its name as a deck instead.
    if (m_imported && !name.isEmpty())
        return QFileInfo(name).completeBaseName() + QStringLiteral(".qrx");
    return name;
}

bool Document::openElsewhere(const QString& path) const {
    return m_others && m_others->bringForward(FileNames::absolute(path));
}

void Document::setFilePath(const QString& path) {
    // Absolute, so that Recent Files and "Last File" name the same deck from any folder.
    m_filePath = FileNames::absolute(path);
    m_window.setTitle(title());
    Q_EMIT fileChanged();
}

void Document::takeOver(Takeover t) {
    // Shown once it is the deck of its file, in that file's character set.
    const Deck::Batch batch(m_deck);
    const bool sameDeck = t.origin == Origin::Reread || t.origin == Origin::Merged;
    const std::optional<FrontCard> front = sameDeck ? FrontCard::of(m_deck) : std::nullopt;
    m_deck.replaceCards(std::move(t.cards), t.state);
    if (t.savedState)
        m_deck.setSavedState(std::move(*t.savedState));
    if (front) {
        const int k = front->findIn(m_deck);
        if (k >= 0) {
            m_deck.BringCardToFront(k);
            m_deck.note(DeckChange::Reread);
        } else {
            // Gone: the card that now stands where it stood in index order comes forward.
            for (int i = 0, n = m_deck.count(); i < n; ++i) {
                const int at = (m_deck.firstInIndexOrder() + i) % n;
                if (m_deck.indexOrder().compare(m_deck.card(at).indexText(), front->index) >= 0) {
                    m_deck.BringCardToFront(at);
                    break;
                }
            }
            if (t.origin == Origin::Reread)
                m_window.statusMessage(
                    QStringLiteral("The card you had in front is no longer in the deck's file."));
        }
    }
    m_guard.follow(t.imported ? QString() : t.path, t.imported ? std::nullopt : t.stamp);
    m_imported = t.imported;
    m_proposedName = t.proposedName;
    setFilePath(t.path);
    Q_EMIT fileTaken(t.origin, t.codePage);
}

void Document::written(const QString& path, std::optional<FileStamp> stamp, bool savedAs) {
    m_guard.follow(path, std::move(stamp));
    m_deck.markClean();
    const bool wasImported = std::exchange(m_imported, false);
    m_proposedName.clear();
    if (savedAs || wasImported || FileNames::absolute(path) != m_filePath)
        setFilePath(path);
    if (savedAs)
        Q_EMIT fileTaken(Origin::SavedAs, 0);
    Q_EMIT saved();
}
