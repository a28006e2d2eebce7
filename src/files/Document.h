#pragma once

#include "CardfileReader.h"
#include "FileStamp.h"
#include "deck/CardBlock.h"
#include "session/UserInterface.h"

#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class CommandBinder;
class Deck;
class OtherWindows;
class Profile;
class UserInterface;

// The open deck as a document: the file it belongs to, whether it came from a card-file
// import, and the File commands that read and write it.
//
// A file is read whole before the deck is touched: a file that cannot be read, or is no deck
// or card file, gets its message and leaves the open deck as it was.
//
// The file on disk is not the program's alone. The document remembers what it last read or
// wrote (a FileStamp), and Save asks before it writes over a file another program changed,
// or writes a deck back where its file no longer is. Paths are absolute.
class Document : public QObject {
    Q_OBJECT
public:
    Document(Deck& deck, UserInterface& ui, Profile& profile);

    // Untitled: empty. After an import: the card file's path.
    QString filePath() const { return m_filePath; }
    bool isImported() const { return m_imported; }
    QString title() const;
    // The deck's file as it was last read or written; nothing while untitled or imported. Its
    // hash comes a moment after the file was read or written.
    std::optional<FileStamp> fileStamp() const;

    // Asked before a deck is opened: another window that has it open is brought forward
    // instead.
    void setOtherWindows(OtherWindows* others) { m_others = others; }

    // Reads a deck file and appends its cards; sorts the deck and shows it. The deck is
    // untouched when the file cannot be read or is not a whole deck file.
    bool LoadDeckFile(const QString& path);
    // Writes the deck; the old file stays as it was unless every byte was written.
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
    // save prompt (the start-up file, a dropped file, a recent file). True when it was read.
    bool openFile(const QString& path);
    // The deck named when the program starts; a failure leaves an empty, untitled deck.
    void startupLoad(const QString& path);

    // Reads the deck's file again when another program changed it and the deck holds no
    // unsaved changes, the front card kept in front where its index still is. Nothing is said:
    // Changed means the file could not be read as a deck (perhaps still being written).
    enum class Reload { NotNeeded, Reloaded, Unreadable };
    Reload reloadIfChanged();
    // Work brought back from a recovery copy: these cards as a modified deck of that file
    // (empty: untitled), which was as the stamp says when the work began.
    void adopt(CardBlock cards, const QString& path, const std::optional<FileStamp>& stamp);

    // New, Open, Save, Save As, Merge and the card-file import.
    void bindCommands(CommandBinder& binder);

    // How the deck came to belong to the file it now has (or to none).
    enum class Origin { New, Opened, Imported, ImportedByCommand, SavedAs, Recovered };

Q_SIGNALS:
    // The file path or the imported state changed.
    void fileChanged();
    // The deck is now that of another file, or a new one: said before the deck is shown, so
    // that its character set can be chosen first.
    void fileTaken(Document::Origin origin);

private:
    struct ReadDeck {
        CardBlock cards;
        std::optional<FileStamp> stamp;
    };
    std::optional<ReadDeck> readDeckFile(const QString& path, bool quiet = false);
    // Before Save writes the deck's own file: true when it may, false when the user chose to
    // save elsewhere (done) or to cancel; *saved says which.
    bool mayWriteOwnFile(bool* saved);
    // The deck's file is now as the stamp says; its bytes are hashed on a thread of their own,
    // so that opening and saving never wait for it.
    void stampFile(const QString& path, std::optional<FileStamp> stamp);
    FileState ownFileState();
    bool elsewhere(const QString& path);
    std::optional<CardfileReader::Result> readCardFile(const QString& path);
    void replaceDeck(CardBlock cards);
    bool openDeck(const QString& path, ReadDeck read);
    bool openAnyFile(const QString& path);
    bool importCardFile(const QString& path, Origin origin);
    void setFilePath(const QString& path);
    void setImported(bool imported);
    void fileError(const QString& text);

    Deck& m_deck;
    UserInterface& m_ui;
    Profile& m_profile;
    QString m_filePath;
    bool m_imported = false;
    std::optional<FileStamp> m_stamp;
    std::atomic<quint64> m_stamps = 0;
    // The hashing thread's answer: the stamp it belongs to, and the hash.
    struct Hashed {
        std::mutex lock;
        quint64 stamp = 0;
        std::optional<quint64> hash;
    };
    mutable Hashed m_hashed;
    OtherWindows* m_others = nullptr;
    QThreadPool m_hashing;
};
