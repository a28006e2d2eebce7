#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class ContentHash;
class QFileDevice;
class QIODevice;

// Every file the program and the converter write goes through here: deck files, exports,
// recovery copies, mail attachments. A file is written whole or not at all, and stays the file
// it was.
//
// The new bytes are written and checked in full first (every write, the last buffered one and
// the sync to the disk). Then, where the new file can be given everything the old one has (its
// group, permission bits, ACL and extended attributes, and it is the user's own with no second
// name), it takes the old file's name. Otherwise the bytes are written into the file itself,
// after its old bytes are kept safe in the user's state folder until the new ones are on the
// disk: a failure, or a crash, leaves the old contents or the new ones whole, never a mix. A
// file the user may not write is never replaced. A failure says why, in the system's words
// ("No space left on device", "Permission denied").
namespace SafeWrite {

struct Options {
    // Where the size is known beforehand, the room is claimed first: the system lays the file
    // out in one piece, and a full disk says so before anything is written.
    qint64 knownSize = -1;
    // Fed every byte written.
    ContentHash* hash = nullptr;
    // A file for the user alone (a recovery copy): made 0600.
    bool privateFile = false;
    // Asked once the new bytes are all written and on the disk, just before they take the old
    // file's place: false leaves the old file as it is.
    std::function<bool()> mayReplace;
    // Neither way keeps what the old file has (the state folder cannot take its old bytes):
    // replace it all the same. Asked of the user first.
    bool mayLoseAttributes = false;
};

enum class Failure {
    None,
    Io,                 // reason says why
    ReadOnly,           // the file may not be written by this user
    Declined,           // mayReplace said no
    WouldLoseAttributes // reason says what would be lost
};

// The file a save replaced, held open: the system frees a large file's blocks when it is
// closed, which takes a while, so the caller may close it elsewhere.
class HeldFile {
public:
    explicit HeldFile(int fd)
        : m_fd(fd) {}
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    // The descriptor, no longer closed here.
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

struct Result {
    bool ok = false;
    Failure failure = Failure::None;
    QString reason; // empty when ok
    // WouldLoseAttributes: why the old bytes could not be kept safe for a write in place.
    QString detail;
    std::shared_ptr<HeldFile> replaced;
};

// Writes path (a name from FileNames: its exact bytes) with what fill puts on the device; fill
// returns false when a write failed (or it was asked to stop).
Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill,
                 const Options& options = {});

// Whether a file is there that this user may not write; reason says why.
bool isReadOnly(const QString& path, QString* reason = nullptr);

// Takes away the temporary files of saves beside the file at path that a Quorix no longer
// running left behind (a crash, a kill), and never any other file.
void removeStaleTemporaries(const QString& path);

// Finishes the writes in place that a Quorix left unfinished (a crash in the middle): the new
// bytes, kept whole, are written into the file again. Returns the files finished.
QStringList finishInterruptedWrites();

// Flushes a buffered file and checks what the system said of its writes: a buffered device
// only tries its last block here.
bool flushAndCheck(QFileDevice& file, QString* reason);

// Each program calls this once: a file-size limit then fails a write with "File too large",
// which is reported, instead of killing the program and the user's edits with it.
void ignoreFileSizeSignal();

} // namespace SafeWrite
