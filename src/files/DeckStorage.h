#pragma once

#include "CardfileReader.h"
#include "FileStamp.h"
#include "SafeWrite.h"
#include "deck/CardBlock.h"

#include <QString>

#include <atomic>
#include <optional>

class DeckSnapshot;

// Reading, writing and importing deck files, with no questions asked: what happened comes back
// for the caller to tell. A file is read whole before anything is handed back.
namespace DeckStorage {

// What a file is, by its first bytes, not by its name.
enum class Kind { Unreadable, Deck, CardFile, Other };
Kind kindOf(const QString& path);

struct Read {
    enum class Status { Ok, CannotOpen, NotADeck, Damaged, ReadError };
    Status status = Status::CannotOpen;
    // The system's words, for CannotOpen and ReadError; for Damaged, which card and what.
    QString reason;
    CardBlock cards;
    // A Unicode deck (version 3), rather than one of a code page.
    bool unicode = false;
    // The very file read, whatever happens to its name meanwhile, with the hash of its bytes
    // (none when it changed while it was read).
    std::optional<FileStamp> stamp;
};
Read readDeck(const QString& path);

struct Imported {
    bool opened = false; // false: reason says why not
    QString reason;
    CardfileReader::Result result;
};
Imported readCardFile(const QString& path, const CharacterSet& characterSet);

struct Written {
    SafeWrite::Result result;
    // The file as written, with the hash of the bytes written.
    std::optional<FileStamp> stamp;
};
// format: DeckFile::FormatVersion2 or 3.
Written writeDeck(const DeckSnapshot& cards, const QString& path, SafeWrite::Options options,
                  const std::atomic<bool>* stop, quint32 format);

} // namespace DeckStorage
