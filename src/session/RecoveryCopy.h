#pragma once

#include "RecoveryNote.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <optional>

class CharacterSet;
class Deck;
class DeckSnapshot;
class Document;
class Profile;
class Worker;

// A copy of the deck's unsaved work, so that a crash, a kill or the end of the session loses
// no more than the last moments of typing. While the deck has unsaved changes, it is written as
// a deck file with its note (RecoveryNote) at most DueMs after a change and never on every
// keystroke: the deck is copied at once (a snapshot, which costs next to nothing) and written
// on the worker, so typing never waits for the disk.
//
// A copy belongs in the user's state folder ($XDG_STATE_HOME/quorix/recovery, for the user
// alone), never beside the user's files. Where that folder cannot take it (a full disk, a
// folder the user cannot write), it goes to the next place that does: the deck's own folder as
// a hidden file, then the home folder. The program says so on standard error, and the place is
// remembered so that the next start finds it. The copy goes when the deck is saved or its
// changes are discarded.
class RecoveryCopy : public QObject {
    Q_OBJECT
public:
    static constexpr int DueMs = 1500;

    // A place a copy is written: a folder, and the name its two files begin with.
    struct Place {
        QString folder;
        QString base;
        QString deckFile() const { return folder + u'/' + base + QStringLiteral(".qrx"); }
        QString noteFile() const { return folder + u'/' + base + QStringLiteral(".info"); }
        bool operator==(const Place& other) const = default;
        bool isEmpty() const { return folder.isEmpty(); }
    };
    // The name of a copy's files outside the state folder.
    static QString hiddenBase(const QString& id) {
        return QStringLiteral(".quorix-recovery-") + id;
    }

    RecoveryCopy(Deck& deck, Document& document, const CharacterSet& characterSet, Profile& profile,
                 Worker& worker, QObject* parent = nullptr);
    ~RecoveryCopy() override;

    // The deck changed, or its modified flag did.
    void deckChanged();
    // Writes the copy now (what the timer does): the deck is copied here and written on the
    // worker.
    void writeCopy();
    // The program is about to end: writes the copy here, at once. Where it went; nothing when
    // no place took it (why says why).
    std::optional<QString> writeNow(QString* why = nullptr);
    // The deck's changes were saved or discarded: the copy goes, and one being written too.
    void remove();
    // This program goes on writing into a copy it brought back.
    void adopt(const Place& place, const QDateTime& lastChange);
    // Where the copy is now; empty while there is none.
    const Place& place() const { return m_place; }

Q_SIGNALS:
    // Said once: no place takes the copy. Editing goes on.
    void failed(const QString& reason);

private:
    RecoveryNote note() const;
    // The deck file's format: a Unicode deck's, or a code page's.
    quint32 format() const;
    // The folders to try, the state folder first.
    QStringList folders() const;
    void written(const std::optional<Place>& place, const QString& why, quint64 generation,
                 quint64 job);
    // The copy is now at place; said on standard error when it is not where it belongs.
    void settle(const Place& place, bool tell);
    QString id();

    Deck& m_deck;
    Document& m_document;
    const CharacterSet& m_characterSet;
    Profile& m_profile;
    Worker& m_worker;
    QString m_id;
    Place m_place;
    QTimer m_due;
    QDateTime m_lastChange;
    // The copy job under way (0: none), and the last one begun.
    quint64 m_writing = 0;
    quint64 m_jobs = 0;
    bool m_dirty = false;
    bool m_toldFailure = false;
    // Counts removals: a write that began before one must not leave its copy behind.
    quint64 m_generation = 0;
};
