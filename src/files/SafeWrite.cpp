#include "SafeWrite.h"

#include "FileNames.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeWrite {

namespace {

QString systemReason(int error) {
    return qt_error_string(error);
}

QString reasonOf(const QIODevice& device) {
    const QString reason = device.errorString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error")
               ? QStringLiteral("The data could not be written.")
               : reason;
}

#ifdef Q_OS_UNIX

// Writes straight to the file, each write checked to its last byte. (A buffered QFile meets a
// short write, as a file-size limit gives, without the system's reason: "Unknown error".)
class FileWriter : public QIODevice {
public:
    explicit FileWriter(int fd)
        : m_fd(fd) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        qint64 done = 0;
        while (done < length) {
            const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(length - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                setErrorString(qt_error_string(n < 0 ? errno : ENOSPC));
                return done > 0 ? done : -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd;
};

int syncData(int fd) {
#ifdef Q_OS_LINUX
    return fdatasync(fd);
#else
    return fsync(fd);
#endif
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype cut = path.lastIndexOf('/');
    if (cut < 0)
        return QByteArrayLiteral(".");
    return cut == 0 ? QByteArrayLiteral("/") : path.left(cut);
}

// The fallback for a folder that cannot hold a new file beside the target (it is not
// writable) while the target itself is: the bytes are made in memory first, room for all of
// them is claimed before the old contents are touched, and every write is checked.
Result writeInPlace(const QByteArray& target, const std::function<bool(QIODevice&)>& fill) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!fill(buffer))
        return {false, reasonOf(buffer)};
    const QByteArray& data = buffer.data();
    const int fd = open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return {false, systemReason(errno)};
    int error = 0;
#ifdef Q_OS_LINUX
    if (const int r = posix_fallocate(fd, 0, data.size()); r != 0 && r != EOPNOTSUPP && r != EINVAL)
        error = r;
#endif
    for (qsizetype done = 0; error == 0 && done < data.size();) {
        const ssize_t n = pwrite(fd, data.constData() + done,
                                 static_cast<size_t>(data.size() - done), static_cast<off_t>(done));
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            done += n;
    }
    if (error == 0 && ftruncate(fd, static_cast<off_t>(data.size())) != 0)
        error = errno;
    if (error == 0 && syncData(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error == 0 ? Result{true, {}} : Result{false, systemReason(error)};
}

#endif

} // namespace

bool flushAndCheck(QFileDevice& file, QString* reason) {
    if (file.flush() && file.error() == QFileDevice::NoError)
        return true;
    if (reason)
        *reason = reasonOf(file);
    return false;
}

void ignoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

#ifdef Q_OS_UNIX

Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill) {
    QByteArray target = FileNames::encode(path);
    struct stat st {};
    const bool exists = stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return {false, QStringLiteral("Not a plain file.")};
    if (exists) {
        // Through a symbolic link the file it names is replaced, never the link.
        if (char* real = realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const QByteArray folder = folderOf(target);

    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temp = folder + "/.quorix-" +
               QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        if ((error == EACCES || error == EPERM) && exists && access(target.constData(), W_OK) == 0)
            return writeInPlace(target, fill);
        return {false, systemReason(error)};
    }
    if (exists)
        (void)fchmod(fd, st.st_mode & 07777); // the new file keeps the old one's permissions

    Result result{true, {}};
    {
        FileWriter file(fd);
        if (!fill(file))
            result = {false, reasonOf(file)};
    }
    if (result.ok && syncData(fd) != 0)
        result = {false, systemReason(errno)};
    if (close(fd) != 0 && result.ok)
        result = {false, systemReason(errno)};
    if (result.ok && rename(temp.constData(), target.constData()) != 0)
        result = {false, systemReason(errno)};
    if (!result.ok) {
        unlink(temp.constData());
        return result;
    }
    // The rename itself reaches the disk with the folder.
    if (const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)fsync(dir);
        close(dir);
    }
    return result;
}

#else

Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill) {
    QSaveFile file(path);
    // Where the folder cannot hold a temporary file, the file is written in place.
    file.setDirectWriteFallback(true);
    QString reason;
    // QSaveFile::commit() does not check the write of its last buffered block: flush first.
    if (!file.open(QIODevice::WriteOnly) || !fill(file) || !flushAndCheck(file, &reason) ||
        !file.commit()) {
        if (reason.isEmpty())
            reason = reasonOf(file);
        file.cancelWriting();
        return {false, reason};
    }
    return {true, {}};
}

#endif

} // namespace SafeWrite
