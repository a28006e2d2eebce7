#pragma once

// What the ways of writing a file share on a system with file descriptors.

#include "SafeWrite.h"

#include <QByteArray>
#include <QIODevice>

namespace SafeWrite {

// The device's reason for a failed write, or a plain one where it gives none.
QString reasonOf(const QIODevice& device);
Result failed(Failure failure, const QString& reason);

} // namespace SafeWrite

namespace SafeWrite::Unix {

QString systemReason(int error);
int syncData(int fd);
void syncFolder(const QByteArray& folder);
QByteArray folderOf(const QByteArray& path);

// Writes straight to a file, each write checked to its last byte, and feeds a hash. (A
// buffered QFile meets a short write, as a file-size limit gives, without the system's reason.)
class FileWriter : public QIODevice {
public:
    FileWriter(int fd, ContentHash* hash);

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override;

private:
    int m_fd;
    ContentHash* m_hash;
};

// A file of new bytes, open for writing.
struct NewFile {
    int fd = -1;
    QByteArray name; // empty while it has none (O_TMPFILE)
    QByteArray folder;
    bool ok() const { return fd >= 0; }
};
// A new file in folder that no one else can have opened: without a name where the system
// allows it (nothing is left behind by a crash), else with a name of its own. Error in errno.
NewFile makeNewFile(const QByteArray& folder, mode_t mode, bool named, const char* prefix);
// Fills it with fill, claims the room first, and syncs it to the disk.
Result fillNewFile(NewFile& file, const std::function<bool(QIODevice&)>& fill,
                   const Options& options);
void discard(NewFile& file);

// Copies every byte of `from` over `to` from the start and cuts `to` to that size.
int copyContents(int from, int to, qint64 size);

} // namespace SafeWrite::Unix
