#include "RecoveryCopies.h"

#include "files/DeckStorage.h"
#include "files/FileNames.h"
#include "files/StateFolder.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace RecoveryCopies {

namespace {

const QString SetAsideFolder = QStringLiteral("set-aside");

// Moved out of the way, never deleted: the user may still want what is in it.
QString setAside(const RecoveryCopy::Place& place) {
    const bool own = place.folder == StateFolder::recovery();
    QString target;
    if (own) {
        const QString aside = place.folder + u'/' + SetAsideFolder;
        QDir().mkpath(aside);
        QFile::rename(place.deckFile(), aside + u'/' + place.base + QStringLiteral(".qrx"));
        QFile::rename(place.noteFile(), aside + u'/' + place.base + QStringLiteral(".info"));
        target = aside + u'/' + place.base;
    } else {
        const QString base = QStringLiteral(".quorix-set-aside-") + place.base.mid(17);
        QFile::rename(place.deckFile(), place.folder + u'/' + base + QStringLiteral(".qrx"));
        QFile::rename(place.noteFile(), place.folder + u'/' + base + QStringLiteral(".info"));
        target = place.folder + u'/' + base;
    }
    return target;
}

void lookIn(const QString& folder, bool own, std::vector<Found>& found,
            QStringList* setAsideNames) {
    const QDir dir(folder);
    const QString pattern =
        own ? QStringLiteral("*.info") : RecoveryCopy::hiddenBase(QStringLiteral("*.info"));
    for (const QString& name : dir.entryList({pattern}, QDir::Files | QDir::Hidden)) {
        const RecoveryCopy::Place place{folder, name.chopped(5)};
        if (std::any_of(found.begin(), found.end(),
                        [&](const Found& f) { return f.place == place; }))
            continue;
        QFile file(place.noteFile());
        std::optional<RecoveryNote> note;
        if (file.open(QIODevice::ReadOnly)) {
            const QString text = QString::fromUtf8(file.read(64 * 1024));
            note = RecoveryNote::fromText(text);
            // The work of a Quorix that is still running is its own.
            const QString program =
                text.section(QStringLiteral("program="), 1).section(u'\n', 0, 0);
            if (!program.isEmpty() && RecoveryNote::isRunning(program))
                continue;
        }
        if (!note || !QFile::exists(place.deckFile())) {
            if (setAsideNames)
                *setAsideNames << setAside(place);
            continue;
        }
        found.push_back({place, std::move(*note)});
    }
}

} // namespace

std::vector<Found> leftOver(const QStringList& otherFolders, QStringList* setAsideNames) {
    std::vector<Found> found;
    lookIn(StateFolder::recovery(), true, found, setAsideNames);
    for (const QString& folder : otherFolders) {
        if (folder != StateFolder::recovery())
            lookIn(folder, false, found, setAsideNames);
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.note.lastChange > b.note.lastChange; });
    return found;
}

std::optional<CardBlock> read(const Found& found) {
    DeckStorage::Read read = DeckStorage::readDeck(found.place.deckFile());
    if (read.status != DeckStorage::Read::Status::Ok) {
        setAside(found.place);
        return std::nullopt;
    }
    return std::move(read.cards);
}

void discard(const Found& found) {
    QFile::remove(found.place.deckFile());
    QFile::remove(found.place.noteFile());
}

} // namespace RecoveryCopies
