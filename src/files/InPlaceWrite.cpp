#include "InPlaceWrite.h"

#include "FileNames.h"
#include "SafeWriteParts.h"
#include "StateFolder.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace InPlaceWrite {

using namespace SafeWrite;
using namespace SafeWrite::Unix;

namespace {

const QByteArray Heading = "Quorix save in place";

bool writeNote(const QByteArray& path, const QByteArray& text) {
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
    ok = syncData(fd) == 0 && ok;
    return close(fd) == 0 && ok;
}

QByteArray stored(const QByteArray& path) {
    return FileNames::toStored(FileNames::decode(path)).toUtf8();
}

QByteArray unstored(const QByteArray& text) {
    return FileNames::encode(FileNames::fromStored(QString::fromUtf8(text)));
}

bool programGone(qint64 pid) {
    return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

qint64 pidOf(const QByteArray& name) {
    // "<kind>-<pid>-<random>..."
    return name.split('-').value(1).toLongLong();
}

} // namespace

Result write(const QByteArray& target, const struct stat& old,
             const std::function<bool(QIODevice&)>& fill, const Options& options, QString* why) {
    const QString folderName = StateFolder::recovery();
    if (!StateFolder::makePrivate(folderName, why))
        return failed(Failure::WouldLoseAttributes, *why);
    const QByteArray folder = FileNames::encode(folderName);

    // The new bytes, whole and on the disk.
    NewFile fresh = makeNewFile(folder, 0600, true, "new-");
    if (!fresh.ok()) {
        *why = systemReason(errno);
        return failed(Failure::WouldLoseAttributes, *why);
    }
    Result result = fillNewFile(fresh, fill, options);
    if (!result.ok) {
        discard(fresh);
        return result;
    }
    const off_t size = lseek(fresh.fd, 0, SEEK_END);

    // The old bytes beside them, and the note that says what is under way.
    NewFile kept = makeNewFile(folder, 0600, true, "old-");
    const int source = open(target.constData(), O_RDONLY | O_CLOEXEC);
    int error = !kept.ok() ? errno : source < 0 ? errno : 0;
    if (error == 0)
        error = copyContents(source, kept.fd, old.st_size);
    if (error == 0 && syncData(kept.fd) != 0)
        error = errno;
    if (source >= 0)
        close(source);
    const QByteArray freshBase = fresh.name.mid(fresh.name.lastIndexOf('/') + 1);
    const QByteArray note = folder + "/saving-" + freshBase.mid(4).chopped(4) + ".note";
    const QByteArray text = Heading + "\ntarget=" + stored(target) +
                            "\ndevice=" + QByteArray::number(quint64(old.st_dev)) +
                            "\ninode=" + QByteArray::number(quint64(old.st_ino)) +
                            "\nnew=" + stored(fresh.name) + "\nold=" + stored(kept.name) +
                            "\nsize=" + QByteArray::number(qint64(size)) + '\n';
    if (error == 0 && !writeNote(note, text))
        error = errno ? errno : EIO;
    if (error != 0) {
        unlink(note.constData());
        discard(kept);
        discard(fresh);
        *why = systemReason(error);
        return failed(Failure::WouldLoseAttributes, *why);
    }
    syncFolder(folder);
    const auto cleanUp = [&] {
        unlink(note.constData());
        discard(kept);
        discard(fresh);
        syncFolder(folder);
    };
    if (options.mayReplace && !options.mayReplace()) {
        cleanUp();
        return failed(Failure::Declined, {});
    }

    const int fd = open(target.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        cleanUp();
        return failed(Failure::Io, systemReason(error));
    }
#ifdef Q_OS_LINUX
    // The room first, holes of a sparse file included: a full disk then says so before a byte
    // of the file has changed.
    if (size > 0 && fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL) {
        error = errno;
        close(fd);
        cleanUp();
        return failed(Failure::Io, systemReason(error));
    }
#endif
    const int from = open(fresh.name.constData(), O_RDONLY | O_CLOEXEC);
    error = from < 0 ? errno : copyContents(from, fd, size);
    if (from >= 0)
        close(from);
    if (error == 0 && syncData(fd) != 0)
        error = errno;
    if (error != 0) {
        // The old bytes go back; only if even that fails do they stay where they were kept.
        const int restore = open(kept.name.constData(), O_RDONLY | O_CLOEXEC);
        const bool restored =
            restore >= 0 && copyContents(restore, fd, old.st_size) == 0 && syncData(fd) == 0;
        if (restore >= 0)
            close(restore);
        close(fd);
        if (restored) {
            cleanUp();
            return failed(Failure::Io, systemReason(error));
        }
        const QString keptName = FileNames::display(FileNames::decode(kept.name));
        kept.name.clear(); // stays
        close(kept.fd);
        kept.fd = -1;
        return failed(
            Failure::Io,
            systemReason(error) +
                QStringLiteral("\nThe file's old contents are kept in %1.").arg(keptName));
    }
    close(fd);
    cleanUp();
    return Result{true, Failure::None, {}, {}, {}};
}

QStringList finishInterrupted() {
    QStringList finished;
    const QDir dir(StateFolder::recovery());
    QSet<QByteArray> referenced;
    for (const QString& entry : dir.entryList({QStringLiteral("saving-*.note")}, QDir::Files)) {
        const QByteArray notePath = FileNames::encode(dir.filePath(entry));
        if (!programGone(pidOf(entry.toUtf8())))
            continue; // still being written
        QFile file(QFile::decodeName(notePath));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
        QHash<QByteArray, QByteArray> values;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values.insert(line.left(eq), line.mid(eq + 1));
        }
        const QByteArray target = unstored(values.value("target"));
        const QByteArray fresh = unstored(values.value("new"));
        const QByteArray kept = unstored(values.value("old"));
        referenced << fresh << kept;
        struct stat st {};
        const bool same = lines.value(0) == Heading && stat(target.constData(), &st) == 0 &&
                          QByteArray::number(quint64(st.st_dev)) == values.value("device") &&
                          QByteArray::number(quint64(st.st_ino)) == values.value("inode");
        const int from = open(fresh.constData(), O_RDONLY | O_CLOEXEC);
        const int to = same && from >= 0 ? open(target.constData(), O_WRONLY | O_CLOEXEC) : -1;
        bool done = false;
        if (to >= 0) {
            done =
                copyContents(from, to, values.value("size").toLongLong()) == 0 && syncData(to) == 0;
            close(to);
        }
        if (from >= 0)
            close(from);
        // A file that is no longer there, or is another file now, is left alone; what was kept
        // for it stays.
        if (done) {
            unlink(notePath.constData());
            unlink(fresh.constData());
            unlink(kept.constData());
            finished << FileNames::decode(target);
        }
    }
    // Pieces of a write that ended without its note (the note goes first) are no longer needed.
    for (const QString& entry :
         dir.entryList({QStringLiteral("new-*.tmp"), QStringLiteral("old-*.tmp")}, QDir::Files)) {
        const QByteArray path = FileNames::encode(dir.filePath(entry));
        if (!referenced.contains(path) && programGone(pidOf(entry.toUtf8())))
            unlink(path.constData());
    }
    return finished;
}

} // namespace InPlaceWrite
