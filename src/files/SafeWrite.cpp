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

#include <thread>
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

Pending::Pending(Pending&& other) noexcept {
    *this = std::move(other);
}

Pending& Pending::operator=(Pending&& other) noexcept {
    if (this != &other) {
        discard();
        m_result = std::move(other.m_result);
        m_committed = std::exchange(other.m_committed, true);
        m_fd = std::exchange(other.m_fd, -1);
        m_temp = std::move(other.m_temp);
        m_target = std::move(other.m_target);
        m_folder = std::move(other.m_folder);
        m_replacedSize = other.m_replacedSize;
    }
    return *this;
}

Pending::~Pending() {
    discard();
}

Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill,
                 qint64 knownSize) {
    Pending pending = prepare(path, fill, knownSize);
    if (!pending.written().ok)
        return pending.written();
    return pending.commit();
}

#ifdef Q_OS_UNIX

void Pending::discard() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_committed && !m_temp.isEmpty())
        unlink(m_temp.constData());
    m_temp.clear();
}

Pending prepare(const QString& path, const std::function<bool(QIODevice&)>& fill,
                qint64 knownSize) {
    Pending pending;
    pending.m_committed = true; // nothing to take back until a new file exists
    QByteArray target = FileNames::encode(path);
    struct stat st {};
    const bool exists = stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        pending.m_result = {false, QStringLiteral("Not a plain file.")};
        return pending;
    }
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
            pending.m_result = writeInPlace(target, fill);
        else
            pending.m_result = {false, systemReason(error)};
        return pending;
    }
    pending.m_committed = false;
    pending.m_fd = fd;
    pending.m_temp = temp;
    pending.m_target = target;
    pending.m_folder = folder;
    pending.m_replacedSize = exists ? st.st_size : 0;
    if (exists)
        (void)fchmod(fd, st.st_mode & 07777); // the new file keeps the old one's permissions

#ifdef Q_OS_LINUX
    // Not emulated where the file system cannot: then the writes claim the room as they go.
    if (knownSize > 0 && fallocate(fd, 0, 0, knownSize) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL) {
        pending.m_result = {false, systemReason(errno)};
        pending.discard();
        return pending;
    }
#endif
    pending.m_result = {true, {}};
    FileWriter file(fd);
    if (!fill(file)) {
        pending.m_result = {false, reasonOf(file)};
        pending.discard();
    } else if (knownSize > 0 && file.pos() != knownSize && ftruncate(fd, file.pos()) != 0) {
        pending.m_result = {false, systemReason(errno)}; // room claimed for more than came
        pending.discard();
    }
    return pending;
}

Result Pending::commit() {
    if (m_committed || !m_result.ok)
        return m_result; // written in place already, or failed
    Result result{true, {}};
    if (syncData(m_fd) != 0)
        result = {false, systemReason(errno)};
    if (close(m_fd) != 0 && result.ok)
        result = {false, systemReason(errno)};
    m_fd = -1;
    // The file replaced is freed when its last name goes, which for a large file takes a while
    // (the system releases its blocks then). Held open here, it goes when closed instead: on a
    // thread of its own, so that the save need not wait. The system frees it in any case, even
    // if the program ends first. A small file goes at once, without a thread.
    constexpr qint64 SlowToFree = qint64(16) << 20;
    const int replaced = result.ok && m_replacedSize >= SlowToFree
                             ? open(m_target.constData(), O_RDONLY | O_CLOEXEC)
                             : -1;
    if (result.ok && rename(m_temp.constData(), m_target.constData()) != 0)
        result = {false, systemReason(errno)};
    if (replaced >= 0)
        std::thread([replaced] { close(replaced); }).detach();
    if (!result.ok) {
        discard();
        return m_result = result;
    }
    m_committed = true;
    // The rename itself reaches the disk with the folder.
    if (const int dir = open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        (void)fsync(dir);
        close(dir);
    }
    return m_result = result;
}

#else

void Pending::discard() {}

Pending prepare(const QString& path, const std::function<bool(QIODevice&)>& fill, qint64) {
    Pending pending;
    pending.m_committed = true;
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
        pending.m_result = {false, reason};
    } else {
        pending.m_result = {true, {}};
    }
    return pending;
}

Result Pending::commit() {
    return m_result;
}

#endif

} // namespace SafeWrite
