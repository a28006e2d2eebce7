#pragma once

#include <QString>

#include <functional>

class QFileDevice;
class QIODevice;

// Every file the program and the converter write goes through here: deck files, exports,
// mail attachments. A file is written whole or not at all: the bytes go to a new file beside
// the target, every write is checked (the last buffered one too, and the sync to the disk),
// and only then does the new file take the target's name. A failure leaves the old file as it
// was and says why, in the system's words ("No space left on device", "File too large",
// "Permission denied").
namespace SafeWrite {

struct Result {
    bool ok = false;
    QString reason; // empty when ok
};

// Writes path (a name from FileNames: its exact bytes) with what fill puts on the device;
// fill returns false when a write failed. Where the size is known beforehand, the room is
// claimed first: the system lays the file out in one piece, and a full disk says so before
// anything is written.
Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill,
                 qint64 knownSize = -1);

// writeFile in two halves, for a large file written while the user works on: the new file is
// written in full and checked at once, and commit() (which waits for the disk, and may run on
// another thread) syncs it and gives it the target's name. Dropped uncommitted, the new file
// goes.
class Pending {
public:
    Pending() = default;
    Pending(Pending&& other) noexcept;
    Pending& operator=(Pending&& other) noexcept;
    ~Pending();

    // How writing the new file went; a failure is final.
    const Result& written() const { return m_result; }
    Result commit();

private:
    friend Pending prepare(const QString&, const std::function<bool(QIODevice&)>&, qint64);
    void discard();
    Result m_result;
    bool m_committed = false;
    int m_fd = -1;
    QByteArray m_temp;
    QByteArray m_target;
    QByteArray m_folder;
    qint64 m_replacedSize = 0;
};
Pending prepare(const QString& path, const std::function<bool(QIODevice&)>& fill,
                qint64 knownSize = -1);

// Flushes a buffered file and checks what the system said of its writes: a buffered device
// only tries its last block here.
bool flushAndCheck(QFileDevice& file, QString* reason);

// Each program calls this once: a file-size limit then fails a write with "File too large",
// which is reported, instead of killing the program and the user's edits with it.
void ignoreFileSizeSignal();

} // namespace SafeWrite
