#include "RecoveryCopy.h"

#include "Document.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "files/DeckFile.h"
#include "files/DeckStorage.h"
#include "files/FileNames.h"
#include "files/Profile.h"
#include "files/SafeWrite.h"
#include "files/StateFolder.h"
#include "files/Worker.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QUuid>

#include <cstdio>

namespace {

constexpr int CopyPurpose = 2;

void removePlace(const RecoveryCopy::Place& place) {
    if (place.isEmpty())
        return;
    QFile::remove(place.deckFile());
    QFile::remove(place.noteFile());
}

// Writes the copy into the first folder that takes it: the deck file, then its note.
// format: the deck file's, by the deck's kind when the copy was taken.
std::optional<RecoveryCopy::Place> writeSomewhere(const DeckSnapshot& cards, quint32 format,
                                                  const QString& note, const QString& id,
                                                  const QStringList& folders,
                                                  const std::atomic<bool>* stop, QString* why) {
    const QByteArray text = note.toUtf8();
    SafeWrite::Options options;
    options.privateFile = true;
    for (const QString& folder : folders) {
        if (stop && stop->load())
            return std::nullopt;
        const bool own = folder == StateFolder::recovery();
        QString reason;
        if (own && !StateFolder::makePrivate(folder, &reason)) {
            if (why && why->isEmpty())
                *why = reason;
            continue;
        }
        const RecoveryCopy::Place place{folder, own ? id : RecoveryCopy::hiddenBase(id)};
        const DeckStorage::Written deck =
            DeckStorage::writeDeck(cards, place.deckFile(), options, stop, format);
        SafeWrite::Result result = deck.result;
        if (result.ok)
            result = SafeWrite::writeFile(
                place.noteFile(), [&](QIODevice& d) { return d.write(text) == text.size(); },
                options);
        if (result.ok)
            return place;
        removePlace(place);
        if (why && why->isEmpty())
            *why = result.reason;
    }
    return std::nullopt;
}

void tellElsewhere(const QString& where) {
    std::fprintf(stderr, "quorix: the recovery copy of the unsaved work is kept in %s\n",
                 FileNames::display(where).toLocal8Bit().constData());
}

} // namespace

RecoveryCopy::RecoveryCopy(Deck& deck, Document& document, const CharacterSet& characterSet,
                           Profile& profile, Worker& worker, QObject* parent)
    : QObject(parent)
    , m_deck(deck)
    , m_document(document)
    , m_characterSet(characterSet)
    , m_profile(profile)
    , m_worker(worker) {
    m_due.setSingleShot(true);
    m_due.setInterval(DueMs);
    connect(&m_due, &QTimer::timeout, this, &RecoveryCopy::writeCopy);
}

RecoveryCopy::~RecoveryCopy() {
    m_worker.cancel(CopyPurpose);
    if (!m_deck.isModified())
        removePlace(m_place);
}

QString RecoveryCopy::id() {
    if (m_id.isEmpty())
        m_id = QStringLiteral("deck-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    return m_id;
}

quint32 RecoveryCopy::format() const {
    return m_characterSet.isUnicode() ? DeckFile::FormatVersion3 : DeckFile::FormatVersion2;
}

RecoveryNote RecoveryCopy::note() const {
    RecoveryNote n;
    n.program = RecoveryNote::thisProgram();
    n.deckPath = m_document.filePath();
    n.imported = m_document.isImported();
    n.lastChange = m_lastChange.isValid() ? m_lastChange : QDateTime::currentDateTimeUtc();
    n.stamp = m_document.guard().stamp();
    n.codePage = m_characterSet.codePage();
    return n;
}

QStringList RecoveryCopy::folders() const {
    QStringList out{StateFolder::recovery()};
    const QString path = m_document.filePath();
    if (!path.isEmpty() && !m_document.isImported()) {
        const qsizetype cut = path.lastIndexOf(u'/');
        if (cut > 0)
            out << path.left(cut);
    }
    out << QDir::homePath();
    return out;
}

void RecoveryCopy::deckChanged() {
    if (!m_deck.isModified())
        return;
    m_lastChange = QDateTime::currentDateTimeUtc();
    m_dirty = true;
    if (!m_due.isActive() && !m_writing)
        m_due.start();
}

void RecoveryCopy::writeCopy() {
    if (!m_deck.isModified() || m_writing)
        return;
    m_dirty = false;
    const quint64 job = m_writing = ++m_jobs;
    // Everything the copy needs is taken here, where the deck cannot change meanwhile.
    const DeckSnapshot cards = m_deck.snapshot();
    const QString text = note().toText();
    const QString copyId = id();
    const QStringList places = folders();
    const quint32 format = this->format();
    const quint64 generation = m_generation;
    QPointer<RecoveryCopy> self(this);
    m_worker.post(CopyPurpose, [=](const std::atomic<bool>& stop) {
        QString why;
        const std::optional<Place> place =
            writeSomewhere(cards, format, text, copyId, places, &stop, &why);
        Worker::deliver(self, [self, place, why, generation, job] {
            if (self)
                self->written(place, why, generation, job);
        });
    });
}

void RecoveryCopy::settle(const Place& place, bool tell) {
    if (place == m_place)
        return;
    // A copy that moved leaves nothing behind where it was.
    removePlace(m_place);
    m_place = place;
    if (place.folder != StateFolder::recovery()) {
        m_profile.addRecoveryPlace(place.folder);
        if (tell)
            tellElsewhere(place.deckFile());
    }
}

void RecoveryCopy::written(const std::optional<Place>& place, const QString& why,
                           quint64 generation, quint64 job) {
    if (job == m_writing)
        m_writing = 0;
    if (generation != m_generation) {
        if (place)
            removePlace(*place); // the changes were saved or discarded meanwhile
    } else if (place) {
        settle(*place, true);
        m_toldFailure = false;
    } else if (!m_toldFailure) {
        m_toldFailure = true;
        std::fprintf(stderr, "quorix: no place takes a recovery copy of the unsaved work: %s\n",
                     why.toLocal8Bit().constData());
        Q_EMIT failed(why);
    }
    if (m_dirty && m_deck.isModified())
        m_due.start();
}

std::optional<QString> RecoveryCopy::writeNow(QString* why) {
    m_due.stop();
    m_worker.cancel(CopyPurpose);
    m_writing = 0;
    if (!m_deck.isModified())
        return QString();
    QString reason;
    const std::optional<Place> place = writeSomewhere(m_deck.snapshot(), format(), note().toText(),
                                                      id(), folders(), nullptr, &reason);
    if (!place) {
        if (why)
            *why = reason;
        return std::nullopt;
    }
    settle(*place, false); // the caller says where it went
    m_dirty = false;
    return place->deckFile();
}

void RecoveryCopy::remove() {
    ++m_generation;
    m_due.stop();
    m_dirty = false;
    m_worker.cancel(CopyPurpose);
    m_writing = 0;
    removePlace(m_place);
    m_place = {};
    // A copy written after this one has a name of its own: one still being written under the
    // old name goes when it is done, and takes nothing newer with it.
    m_id.clear();
}

void RecoveryCopy::adopt(const Place& place, const QDateTime& lastChange) {
    m_worker.cancel(CopyPurpose);
    ++m_generation;
    m_writing = 0;
    m_lastChange = lastChange;
    removePlace(m_place);
    m_place = place;
    const QString base = place.base;
    m_id = base.startsWith(QLatin1String(".quorix-recovery-")) ? base.mid(17) : base;
    // Claimed at once, so that no other Quorix started meanwhile offers it as well.
    const QByteArray text = note().toText().toUtf8();
    SafeWrite::Options options;
    options.privateFile = true;
    SafeWrite::writeFile(
        place.noteFile(), [&](QIODevice& d) { return d.write(text) == text.size(); }, options);
}
