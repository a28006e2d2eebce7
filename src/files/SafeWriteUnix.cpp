#include "SafeWriteParts.h"

#include "FileStamp.h"

#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace SafeWrite {

namespace Unix {

QString systemReason(int error) {
    return qt_error_string(error);
}

int syncData(int fd) {
#ifdef Q_OS_LINUX
    return fdatasync(fd);
#else
    return fsync(fd);
#endif
}

void syncFolder(const QByteArray& folder) {
    if (const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)fsync(dir);
        close(dir);
    }
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype cut = path.lastIndexOf('/');
    if (cut < 0)
        return QByteArrayLiteral(".");
    return cut == 0 ? QByteArrayLiteral("/") : path.left(cut);
}

FileWriter::FileWriter(int fd, ContentHash* hash)
    : m_fd(fd)
    , m_hash(hash) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 FileWriter::writeData(const char* data, qint64 length) {
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            setErrorString(qt_error_string(n < 0 ? errno : ENOSPC));
            break;
        }
        if (m_hash)
            m_hash->add(data + done, static_cast<std::size_t>(n));
        done += n;
    }
    return done > 0 || length == 0 ? done : -1;
}

NewFile makeNewFile(const QByteArray& folder, mode_t mode, bool named, const char* prefix) {
    NewFile file;
    file.folder = folder;
#ifdef O_TMPFILE
    // The name is given through /proc when the file is done.
    static const bool canName = access("/proc/self/fd", X_OK) == 0;
    if (!named && canName) {
        file.fd = open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (file.fd >= 0)
            return file;
        // Not every file system has them (network and FAT ones): a name it is.
        if (errno == EACCES || errno == EPERM || errno == ENOSPC || errno == EROFS)
            return file;
    }
#else
    (void)named;
#endif
    const QByteArray pid = QByteArray::number(static_cast<qint64>(getpid()));
    for (int attempt = 0; attempt < 64 && file.fd < 0; ++attempt) {
        file.name = folder + '/' + prefix + pid + '-' +
                    QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        file.fd = open(file.name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (file.fd < 0 && errno != EEXIST)
            break;
    }
    if (file.fd < 0)
        file.name.clear();
    return file;
}

void discard(NewFile& file) {
    const int error = errno;
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    if (!file.name.isEmpty())
        unlink(file.name.constData());
    file.name.clear();
    errno = error;
}

Result fillNewFile(NewFile& file, const std::function<bool(QIODevice&)>& fill,
                   const Options& options) {
#ifdef Q_OS_LINUX
    // Not emulated where the file system cannot: then the writes claim the room as they go.
    if (options.knownSize > 0 && fallocate(file.fd, 0, 0, options.knownSize) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        return failed(Failure::Io, systemReason(errno));
#endif
    FileWriter writer(file.fd, options.hash);
    if (!fill(writer))
        return failed(Failure::Io, reasonOf(writer));
    if (options.knownSize > 0 && writer.pos() != options.knownSize &&
        ftruncate(file.fd, writer.pos()) != 0)
        return failed(Failure::Io, systemReason(errno)); // room claimed for more than came
    if (syncData(file.fd) != 0)
        return failed(Failure::Io, systemReason(errno));
    return Result{true, Failure::None, {}, {}, {}};
}

int copyContents(int from, int to, qint64 size) {
    std::vector<char> block(1 << 20);
    for (qint64 done = 0; done < size;) {
        const ssize_t got = pread(
            from, block.data(),
            static_cast<size_t>(std::min<qint64>(static_cast<qint64>(block.size()), size - done)),
            static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO;
        for (ssize_t put = 0; put < got;) {
            const ssize_t n = pwrite(to, block.data() + put, static_cast<size_t>(got - put),
                                     static_cast<off_t>(done + put));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? errno : ENOSPC;
            put += n;
        }
        done += got;
    }
    return ftruncate(to, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

} // namespace Unix

} // namespace SafeWrite
