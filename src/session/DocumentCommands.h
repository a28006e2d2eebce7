#pragma once

#include "Document.h"
#include "files/DeckStorage.h"
#include "ports/Questions.h"

#include <QString>

#include <functional>

class CommandBinder;
class DeckCharacterSet;
class Profile;
class UserInterface;
class Worker;

// The File menu's document commands (New, Open, Save, Save As, Merge, the card-file import),
// their prompts and messages, the save prompt they share with closing, and the opening of a
// file named elsewhere (the command line, a drop, Recent Files).
//
// A file is read whole before the deck is touched: a file that cannot be read, or is no deck
// or card file, gets its message and leaves the open deck as it was. Save asks before it
// writes over a file another program changed (checked again just before the new bytes take the
// file's place), or writes a deck back where its file no longer is, and never writes a file
// the user may not write.
class DocumentCommands {
public:
    DocumentCommands(Document& document, Deck& deck, UserInterface& ui, Profile& profile,
                     Worker& worker, DeckCharacterSet& characterSet);

    // Reads a deck file and appends its cards (Merge), in the deck's character set; sorts the
    // deck. Cards of a Unicode deck merged into one of a code page ask, as typing does, to make
    // it a Unicode deck. The deck is untouched when the file cannot be read or is not a whole
    // deck file.
    bool LoadDeckFile(const QString& path);
    // Writes the deck, which then belongs to that file; the old file stays as it was unless
    // every byte was written.
    bool WriteDeckFile(const QString& path);

    // Yes, No or Cancel; No without asking when the deck holds no unsaved changes.
    Answer AskToSave();
    // The save prompt of New, Open, the import, a dropped or recent file and closing: true
    // when the deck may go. False when the user cancelled, or asked to save and the save did
    // not happen; then nothing has changed, so unsaved cards are never lost.
    bool mayDiscardChanges();
    // Empties the deck after the save prompt; false when the prompt said no.
    bool NewDeck();

    void New();
    void Open();
    // Both return whether the deck was written.
    bool Save();
    bool SaveAs();
    void Merge();
    void ImportCardfile();
    // Opens a deck or imports a card file, told apart by the file's first bytes, after the
    // save prompt (a dropped file, a recent file). True when it was read, or is open in
    // another window, which has come forward.
    bool openFile(const QString& path);
    // The deck named when the program starts; a failure leaves an empty, untitled deck.
    // Another version of a deck shown untitled (the sync tool's, another program's): its
    // cards in the set remembered for it, and a name that says whose they are.
    bool openCopy(const QString& path);
    void startupLoad(const QString& path);

    // Reads the deck's file again when another program changed it and the deck holds no
    // unsaved changes, the front card kept in front. Nothing is said: Unreadable means the
    // file could not be read as a deck (perhaps still being written).
    enum class Reload { NotNeeded, Reloaded, Unreadable };
    Reload reloadIfChanged();

    // New, Open, Save, Save As, Merge and the card-file import.
    void bindCommands(CommandBinder& binder);

    // Reads a deck file whole; nothing when it cannot be read or is no whole deck file, which
    // the user is told unless quiet.
    std::optional<DeckStorage::Read> readDeck(const QString& path, bool quiet = false);

private:
    enum class Go { Ahead, SaveElsewhere, Stop };
    // Before the deck's own file is written: whether it may be, by what the file is now.
    Go checkOwnFile();
    Go askAboutChange(FileState state);
    // Writes the deck, or the cards given (a deck converted for older programs), in the
    // format of the set; adopted runs once the file holds them, before the deck is clean.
    bool write(const QString& path, bool savedAs, bool ownFile, const DeckSnapshot* cards = nullptr,
               int codePage = 0, const std::function<void()>& adopted = {});
    // Save As in a code page for older programs: the cards that lose characters are named
    // first.
    bool writeForOlderPrograms(const QString& path);
    bool offerSaveAsForReadOnly(const QString& path);

    bool openDeck(const QString& path, DeckStorage::Read read);
    bool openAnyFile(const QString& path);
    // codePage: the card file's, for cards converted into a Unicode deck; 0: read in the set
    // the deck will be shown in.
    bool importCardFile(const QString& path, Document::Origin origin, int codePage = 0);
    void fileError(const QString& text);

    Document& m_document;
    Deck& m_deck;
    UserInterface& m_ui;
    Profile& m_profile;
    Worker& m_worker;
    // What the file was when the user last let Save go ahead over a change (nothing: no file
    // was there): a change after that asks again.
    bool m_agreed = false;
    std::optional<FileStamp> m_agreedTo;
    DeckCharacterSet& m_sets;
};
