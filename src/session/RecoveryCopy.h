#pragma once

#include "files/FileStamp.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <optional>
#include <vector>

class CharacterSet;
class Deck;
class Document;

// A copy of the deck's unsaved work, so that a crash, a kill or the end of the session loses
// no more than the last moments of typing. While the deck has unsaved changes, a deck file is
// written through the checked write helper into the user's state folder
// ($XDG_STATE_HOME/quorix/recovery), never beside the user's own files, at most DueMs after
// a change and never on every keystroke: the file is written on the user interface thread
// and made safe on the disk on a thread of its own, so typing never waits for the disk. Beside
// it, a small text file says whose copy it is: the deck's path, the time of the last change,
// what the deck's file was when the unsaved work began, the character set it was shown in,
// and the program that wrote it.
//
// The copy goes when the deck is saved or its changes are discarded.
class RecoveryCopy : public QObject {
    Q_OBJECT
public:
    static constexpr int DueMs = 1500;
    static constexpr int Version = 1;

    RecoveryCopy(Deck& deck, Document& document, const CharacterSet& characterSet,
                 QObject* parent = nullptr);
    ~RecoveryCopy() override;

    // $XDG_STATE_HOME/quorix/recovery (~/.local/state/quorix/recovery).
    static QString folder();

    // The deck changed, or its modified flag did.
    void deckChanged();
    // Writes the copy now (what the timer does): the file here, the wait for the disk on the
    // copy's own thread.
    void writeCopy();
    // Waits until a copy being written is on the disk.
    void waitForDisk();
    // Writes the copy at once and waits until it is on the disk: the program is about to end.
    bool writeNow();
    // The deck's changes were saved or discarded: the copy goes, and one being written too.
    void remove();

    // A copy left by a program that is no longer running.
    struct Found {
        QString id;
        QString deckPath; // empty: an untitled deck
        QDateTime lastChange;
        std::optional<FileStamp> stamp;
        int codePage = 0; // the set the deck was shown in
    };
    // Every such copy, newest first. One that is damaged, unreadable or written by a newer
    // Quorix is moved into the folder's "set-aside" folder, never read half or deleted; the
    // names of those are added to setAside.
    static std::vector<Found> leftOver(QStringList* setAside);
    // The cards of a copy; nothing when they cannot be read (it is then set aside).
    static bool read(const Found& found, Document& into);
    static void discard(const Found& found);
    // This program goes on writing into a copy it brought back.
    void adopt(const Found& found);

Q_SIGNALS:
    // Said once: the state folder cannot be written. Editing goes on.
    void failed(const QString& reason);

private:
    void written(bool ok, const QString& reason, quint64 generation);
    QString infoText() const;

    Deck& m_deck;
    Document& m_document;
    const CharacterSet& m_characterSet;
    QString m_id;
    QTimer m_due;
    QThreadPool m_disk;
    QDateTime m_lastChange;
    bool m_writing = false;
    bool m_dirty = false;
    bool m_toldFailure = false;
    // Counts removals: a write that began before one must not leave its copy behind.
    quint64 m_generation = 0;
};
