#include "DeckStorage.h"

#include "DeckFile.h"
#include "FileReading.h"
#include "deck/CardRing.h"

#include <QFile>

namespace DeckStorage {

Kind kindOf(const QString& path) {
    QFile file;
    if (!openForReading(file, path))
        return Kind::Unreadable;
    const QByteArray head = file.read(4);
    if (head.size() == 4 && head.endsWith(QByteArray("\xaa\0\0", 3)) &&
        (head[0] == '\xaa' || head[0] == '\xab' || head[0] == '\xac'))
        return Kind::Deck;
    if (CardfileReader::recognise(head) != CardfileReader::Status::NotACardFile)
        return Kind::CardFile;
    return Kind::Other;
}

Read readDeck(const QString& path) {
    Read read;
    QFile file;
    if (!openForReading(file, path, &read.reason))
        return read;
    read.stamp = FileStamp::ofOpenFile(static_cast<int>(file.handle()));
    ContentHash hash;
    DeckFile::ReadResult result = DeckFile::read(file, &hash);
    switch (result.status) {
    case DeckFile::ReadStatus::ReadError:
        read.status = Read::Status::ReadError;
        read.reason = file.errorString();
        return read;
    case DeckFile::ReadStatus::NotADeck:
        read.status = Read::Status::NotADeck;
        return read;
    case DeckFile::ReadStatus::Damaged:
        read.status = Read::Status::Damaged;
        read.reason = QStringLiteral("Card %1 is damaged: %2.")
                          .arg(QString::number(result.damagedCard), result.damage);
        return read;
    case DeckFile::ReadStatus::Ok:
        break;
    }
    read.status = Read::Status::Ok;
    read.unicode = result.format == DeckFile::FormatVersion3;
    read.cards = std::move(result.cards);
    // The hash is the file's only if the file stood still while it was read.
    const auto after = FileStamp::ofOpenFile(static_cast<int>(file.handle()));
    if (read.stamp && after && after->sameMetadata(*read.stamp))
        read.stamp->hash = hash.value();
    return read;
}

Imported readCardFile(const QString& path, const CharacterSet& characterSet) {
    Imported imported;
    QFile file;
    if (!openForReading(file, path, &imported.reason))
        return imported;
    imported.opened = true;
    imported.result = CardfileReader::read(file, characterSet);
    if (imported.result.status == CardfileReader::Status::ReadError)
        imported.reason = file.errorString();
    return imported;
}

Written writeDeck(const DeckSnapshot& cards, const QString& path, SafeWrite::Options options,
                  const std::atomic<bool>* stop, quint32 format) {
    Written written;
    ContentHash hash;
    options.hash = &hash;
    options.knownSize = DeckFile::fileSize(cards, format);
    written.result = SafeWrite::writeFile(
        path, [&](QIODevice& device) { return DeckFile::write(cards, device, stop, format); },
        options);
    if (written.result.ok) {
        written.stamp = FileStamp::of(path);
        if (written.stamp)
            written.stamp->hash = hash.value();
    }
    return written;
}

} // namespace DeckStorage
