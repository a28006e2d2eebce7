#pragma once

#include "deck/CardBlock.h"
#include "deck/Deck.h"
#include "files/FileGuard.h"

#include <QObject>
#include <QString>

#include <optional>

class OtherWindows;
class WindowStatus;
class Worker;

// The open deck as a document: the file it belongs to, whether that is a card file it was
// imported from, and what Quorix knows of the file on disk (its guard). Paths are absolute.
//
// The deck becomes another file's (or a new one) in one way only, takeOver(): New, Open, the
// imports, reading the file again and bringing back a recovery copy all go through it.
class Document : public QObject {
    Q_OBJECT
public:
    // How the deck came to belong to the file it now has (or to none).
    enum class Origin {
        New,
        Opened,
        Imported,
        ImportedByCommand,
        SavedAs,
        Recovered,
        Reread,
        // The deck merged with its file's or another deck's changes: the same deck, modified.
        Merged
    };

    Document(Deck& deck, WindowStatus& window, Worker& worker);

    // Untitled: empty. After an import: the card file's path.
    QString filePath() const { return m_filePath; }
    bool isImported() const { return m_imported; }
    QString title() const;
    // The name Save As offers first: the deck's own, or for work that came from a card file,
    // that file's name as a deck.
    QString proposedName() const;
    FileGuard& guard() { return m_guard; }
    const FileGuard& guard() const { return m_guard; }

    // Asked before a deck is opened: another window that has it open is brought forward
    // instead, and true comes back.
    void setOtherWindows(OtherWindows* others) { m_others = others; }
    bool openElsewhere(const QString& path) const;

    struct Takeover {
        Origin origin = Origin::New;
        CardBlock cards;
        Deck::State state = Deck::State::Saved;
        QString path;          // empty: untitled
        bool imported = false; // path names a card file, which is never written
        // What the file was as read; nothing: it is not watched.
        std::optional<FileStamp> stamp;
        int codePage = 0; // the set the deck was shown in, where known
        QString proposedName;
        // Merged: what the deck now differs from until it is saved (the file's cards).
        std::optional<DeckSnapshot> savedState;
    };
    void takeOver(Takeover takeover);
    // The deck was written to path (Save, Save As): it is that file's now.
    void written(const QString& path, std::optional<FileStamp> stamp, bool savedAs);

Q_SIGNALS:
    // The file path or the imported state changed.
    void fileChanged();
    // The deck is now that of another file, or a new one: said before the deck is shown, so
    // that its character set can be chosen first (codePage 0: by the rules of the origin).
    void fileTaken(Document::Origin origin, int codePage);
    // The deck was written to its file (after fileTaken, for Save As).
    void saved();

private:
    void setFilePath(const QString& path);

    Deck& m_deck;
    WindowStatus& m_window;
    FileGuard m_guard;
    QString m_filePath;
    QString m_proposedName;
    bool m_imported = false;
    OtherWindows* m_others = nullptr;
};
