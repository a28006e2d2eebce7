#pragma once

#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "deck/DeckCommands.h"
#include "files/Document.h"
#include "files/Profile.h"
#include "output/Mail.h"

#include <QObject>
#include <QTimer>

class CommandBinder;
class QSettings;
class UserInterface;

// One open deck and everything that works on it: the settings, the deck, its character set,
// the document (its file), the deck commands and mail. The main window is given a session and
// shows it; it never builds one.
//
// Every change to the deck is announced here, to any number of listeners: deckChanged for
// the cards, modifiedChanged for the modified flag, and changesSettled a moment after the
// last change while there are unsaved changes.
class DeckSession : public QObject {
    Q_OBJECT
public:
    DeckSession(QSettings& settings, UserInterface& ui, QObject* parent = nullptr);
    ~DeckSession() override;

    Profile& profile() { return m_profile; }
    Deck& deck() { return m_deck; }
    const Deck& deck() const { return m_deck; }
    const CharacterSet& characterSet() const { return m_characterSet; }
    Document& document() { return m_document; }
    const Document& document() const { return m_document; }
    DeckCommands& commands() { return m_commands; }
    Mail& mail() { return m_mail; }

    // Binds the commands the core carries out: the File menu's document commands, exports,
    // printing and mail, and the deck commands.
    void bindCommands(CommandBinder& binder);

    // How long after the last change changesSettled comes.
    static constexpr int SettleMs = 1000;

Q_SIGNALS:
    void deckChanged(DeckChanges changes);
    void modifiedChanged(bool modified);
    // The document's file or its imported state changed.
    void documentChanged();
    void changesSettled();

private:
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

    UserInterface& m_ui;
    Profile m_profile;
    Deck m_deck;
    CharacterSet m_characterSet;
    Document m_document;
    DeckCommands m_commands;
    Mail m_mail;
    QTimer m_settle;
    Relay m_relay{*this};
};
