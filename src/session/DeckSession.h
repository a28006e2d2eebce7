#pragma once

#include "ChangeMerge.h"
#include "DeckCharacterSet.h"
#include "DeckCommands.h"
#include "Document.h"
#include "DocumentCommands.h"
#include "RecoveryCopy.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "files/Profile.h"
#include "files/Worker.h"
#include "output/Mail.h"

#include <QObject>
#include <QTimer>

class CommandBinder;
class QSettings;
class UserInterface;
namespace RecoveryCopies {
struct Found;
}

// One open deck and everything that works on it: the settings, the deck, its character set,
// the document (its file) and its commands, the deck commands and mail, the recovery copy of
// unsaved work, and the one worker thread they share. The main window is given a session and
// shows it; it never builds one.
//
// Every change to the deck is announced here, to any number of listeners: deckChanged for
// the cards, modifiedChanged for the modified flag.
class DeckSession : public QObject {
    Q_OBJECT
public:
    DeckSession(QSettings& settings, UserInterface& ui, QObject* parent = nullptr);
    ~DeckSession() override;

    Profile& profile() { return m_profile; }
    Deck& deck() { return m_deck; }
    const Deck& deck() const { return m_deck; }
    const CharacterSet& characterSet() const { return m_sets.current(); }
    DeckCharacterSet& characterSets() { return m_sets; }
    Document& document() { return m_document; }
    const Document& document() const { return m_document; }
    DocumentCommands& documentCommands() { return m_documentCommands; }
    DeckCommands& commands() { return m_commands; }
    Mail& mail() { return m_mail; }
    RecoveryCopy& recovery() { return m_recovery; }
    ChangeMerge& changeMerge() { return m_changes; }
    Worker& worker() { return m_worker; }

    // Shows the deck in another character set: no byte changes and the deck is not marked
    // modified; the set is remembered for the deck's file.
    void setCharacterSet(int codePage) { m_sets.show(codePage); }

    // Binds the commands the core carries out: the File menu's document commands, exports,
    // printing and mail, and the deck commands.
    void bindCommands(CommandBinder& binder);

    // At start: every recovery copy left by a Quorix that is no longer running, newest first,
    // offered to be brought back, thrown away or kept for later. One brought back ends the
    // offers (the others wait for the next start).
    void offerRecovery();
    // Brings back the recovery copy at copyPath (folder and name) without asking: Recover was
    // chosen for it in another window. False, and the user told, when it is gone.
    bool recoverCopy(const QString& copyPath);
    // The program is told to end by a signal: the unsaved work is kept for the next start, and
    // standard error says where. The exit status: 1 when no place took it.
    int keepWorkForNextStart();
    // The closing sequence, once the save prompt let the deck go: saved or let go, nothing of
    // it is left to recover.
    void closeDeck();

    // Another version of the deck to merge in: the deck's own file, changed by another program
    // while the deck has unsaved changes, or a sync tool's conflict copy beside it. One offer
    // at a time, the oldest first; each is offered once.
    struct MergeOffer {
        QString path;
        bool conflictCopy = false;
    };
    const std::optional<MergeOffer>& mergeOffer() const { return m_offer; }
    // Merges the offered version in; the next offer follows.
    void acceptMergeOffer();
    // Keep Mine: the offer goes (Save asks about the file's change as before).
    void declineMergeOffer();

Q_SIGNALS:
    void deckChanged(DeckChanges changes);
    void modifiedChanged(bool modified);
    // The document's file or its imported state changed.
    void documentChanged();
    void characterSetChanged();
    // mergeOffer() changed: a new offer, or none any more.
    void mergeOfferChanged();
    // Recover was chosen for the work of another deck than this window's: it comes back in a
    // window of its own (recoverCopy there).
    void recoverInOwnWindow(const QString& copyPath);

private:
    void onFileChanged();
    // Untitled, empty and unchanged: a start without a deck.
    bool holdsNothing() const;
    // Looks for versions to offer: the file changed while the deck has unsaved changes, and
    // conflict copies beside it.
    void lookForOtherVersions();
    void offerNext();
    void onWritten();
    // Brings back the work of a copy; false when its cards could not be read.
    bool recover(const RecoveryCopies::Found& found);
    // Hears the deck and passes it on as signals.
    class Relay : public DeckObserver {
    public:
        explicit Relay(DeckSession& session)
            : m_session(session) {}
        void deckChanged(DeckChanges changes) override;
        void modifiedChanged(bool modified) override;

    private:
        DeckSession& m_session;
    };

    // First made, last gone: everything below may hand it work.
    Worker m_worker;
    UserInterface& m_ui;
    Profile m_profile;
    Deck m_deck;
    Document m_document;
    DeckCharacterSet m_sets;
    DocumentCommands m_documentCommands;
    DeckCommands m_commands;
    Mail m_mail;
    RecoveryCopy m_recovery;
    ChangeMerge m_changes;
    std::optional<MergeOffer> m_offer;
    std::vector<MergeOffer> m_waiting;
    // What the file was when its change was last offered; the copies offered; the copies
    // merged, offered to the trash once the deck is saved.
    std::optional<FileStamp> m_offeredChange;
    QStringList m_seenCopies;
    QStringList m_mergedCopies;
    // A file being written by another program is read again a little later.
    QTimer m_reloadRetry;
    int m_reloadTries = 0;
    Relay m_relay{*this};
};
