#include "SafeWrite.h"

#include "FileAttributes.h"
#include "FileNames.h"
#include "FileStamp.h"
#include "InPlaceWrite.h"
#include "SafeWriteParts.h"

#include <QDir>
#include <QFileDevice>
#include <QRandomGenerator>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace SafeWrite {

QString reasonOf(const QIODevice& device) {
    const QString reason = device.errorString();
    return reason.isEmpty() || reason == QLatin1String("Unknown error")
               ? QStringLiteral("The data could not be written.")
               : reason;
}

Result failed(Failure failure, const QString& reason) {
    Result r;
    r.failure = failure;
    r.reason = reason;
    return r;
}

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

HeldFile::~HeldFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

using namespace Unix;

namespace {

// Gives the new file the target's name: the name first where it has none, then the rename,
// then the folder to the disk.
Result replaceByRename(NewFile& file, const QByteArray& target, bool exists, qint64 oldSize,
                       const Options& options) {
    if (options.mayReplace && !options.mayReplace())
        return failed(Failure::Declined, {});
    if (file.name.isEmpty()) {
        const NewFile named = makeNewFile(file.folder, 0600, true, ".quorix-save-");
        if (!named.ok())
            return failed(Failure::Io, systemReason(errno));
        // A placeholder name, taken over by the unnamed file.
        unlink(named.name.constData());
        close(named.fd);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(file.fd);
        if (linkat(AT_FDCWD, self.constData(), AT_FDCWD, named.name.constData(),
                   AT_SYMLINK_FOLLOW) != 0)
            return failed(Failure::Io, systemReason(errno));
        file.name = named.name;
    }
    // The file replaced is freed when its last name goes, which for a large file takes a
    // while. Held open, it goes when closed instead, which the caller may do elsewhere.
    constexpr qint64 SlowToFree = qint64(16) << 20;
    const int held =
        exists && oldSize >= SlowToFree ? open(target.constData(), O_RDONLY | O_CLOEXEC) : -1;
    Result result{true, Failure::None, {}, {}, {}};
    if (held >= 0)
        result.replaced = std::make_shared<HeldFile>(held);
    if (close(file.fd) != 0) {
        file.fd = -1;
        discard(file);
        return failed(Failure::Io, systemReason(errno));
    }
    file.fd = -1;
    if (rename(file.name.constData(), target.constData()) != 0) {
        const int error = errno;
        discard(file);
        return failed(Failure::Io, systemReason(error));
    }
    file.name.clear();
    syncFolder(file.folder);
    return result;
}

QString whatRenameLoses(const struct stat& st) {
    QStringList lost;
    if (st.st_uid != geteuid())
        lost << QStringLiteral("its owner");
    if (st.st_nlink > 1)
        lost << QStringLiteral("its other names (hard links)");
    return lost.join(QStringLiteral(", "));
}

} // namespace

bool isReadOnly(const QString& path, QString* reason) {
    const QByteArray name = FileNames::encode(path);
    struct stat st {};
    if (stat(name.constData(), &st) != 0)
        return false;
    return !FileAttributes::mayWrite(name, reason);
}

Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill,
                 const Options& options) {
    QByteArray target = FileNames::encode(path);
    struct stat st {};
    const bool exists = stat(target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return failed(Failure::Io, QStringLiteral("Not a plain file."));
    if (exists) {
        // Through a symbolic link the file it names is written, never the link.
        if (char* real = realpath(target.constData(), nullptr)) {
            target = real;
            std::free(real);
        }
        QString why;
        if (!FileAttributes::mayWrite(target, &why))
            return failed(Failure::ReadOnly, why);
    }
    const QByteArray folder = folderOf(target);
    // Made for the user alone while the bytes go in; given the old file's group and mode once
    // they are all there, so no one sees them who could not see the file.
    const mode_t mode = options.privateFile || exists ? 0600 : 0666;
    const bool renameKeepsAll = !exists || (st.st_uid == geteuid() && st.st_nlink == 1);

    QString lost = exists ? whatRenameLoses(st) : QString();
    if (renameKeepsAll) {
        NewFile file = makeNewFile(folder, mode, false, ".quorix-save-");
        if (file.ok()) {
            Result filled = fillNewFile(file, fill, options);
            if (!filled.ok) {
                discard(file);
                return filled;
            }
            if (!exists || FileAttributes::copy(target, file.fd, &lost)) {
                Result result = replaceByRename(file, target, exists, st.st_size, options);
                discard(file);
                return result;
            }
            discard(file); // the new file cannot be what the old one is: in place
        } else if (!exists || (errno != EACCES && errno != EPERM && errno != EROFS)) {
            return failed(Failure::Io, systemReason(errno));
        }
    }

    // In place, with the old bytes kept.
    QString why;
    Result result = InPlaceWrite::write(target, st, fill, options, &why);
    if (result.ok || result.failure != Failure::WouldLoseAttributes)
        return result;
    // The state folder cannot keep the old bytes: replacing the file is the only way left.
    if (!options.mayLoseAttributes) {
        result = failed(Failure::WouldLoseAttributes, lost.isEmpty() ? why : lost);
        result.detail = why;
        return result;
    }
    NewFile file = makeNewFile(folder, mode, false, ".quorix-save-");
    if (!file.ok())
        return failed(Failure::Io, systemReason(errno));
    Result filled = fillNewFile(file, fill, options);
    if (filled.ok) {
        (void)fchmod(file.fd, st.st_mode & 07777);
        filled = replaceByRename(file, target, exists, st.st_size, options);
    }
    discard(file);
    return filled;
}

void removeStaleTemporaries(const QString& path) {
    const QByteArray folder = folderOf(FileNames::encode(FileNames::absolute(path)));
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return;
    const QByteArray current = ".quorix-save-";
    while (const dirent* entry = readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.endsWith(".tmp"))
            continue;
        const QByteArray full = folder + '/' + name;
        struct stat st {};
        if (lstat(full.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
            continue;
        bool stale = false;
        if (name.startsWith(current)) {
            // ".quorix-save-<pid>-<random>.tmp": stale once its program is gone.
            bool ok = false;
            const qint64 pid = name.mid(current.size()).split('-').value(0).toLongLong(&ok);
            stale = ok && pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        } else if (name.startsWith(".quorix-") && name.count('-') == 1) {
            // ".quorix-<random>.tmp" of earlier versions, which named no program: stale once
            // no save can still be writing it.
            const QByteArray random = name.mid(8, name.size() - 12);
            bool ok = !random.isEmpty();
            for (char c : random)
                ok = ok && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'));
            stale = ok && st.st_mtime + 600 < time(nullptr);
        }
        if (stale)
            unlink(full.constData());
    }
    closedir(dir);
}

QStringList finishInterruptedWrites() {
    return InPlaceWrite::finishInterrupted();
}

#else

HeldFile::~HeldFile() = default;

Result writeFile(const QString& path, const std::function<bool(QIODevice&)>& fill,
                 const Options& options) {
    QSaveFile file(path);
    // Where the folder cannot hold a temporary file, the file is written in place.
    file.setDirectWriteFallback(true);
    QString reason;
    // QSaveFile::commit() does not check the write of its last buffered block: flush first.
    if (!file.open(QIODevice::WriteOnly) || !fill(file) || !flushAndCheck(file, &reason) ||
        (options.mayReplace && !options.mayReplace()) || !file.commit()) {
        if (reason.isEmpty())
            reason = reasonOf(file);
        file.cancelWriting();
        return failed(Failure::Io, reason);
    }
    return Result{true, Failure::None, {}, {}, {}};
}

bool isReadOnly(const QString&, QString*) {
    return false;
}

void removeStaleTemporaries(const QString&) {}

QStringList finishInterruptedWrites() {
    return {};
}

#endif

} // namespace SafeWrite
