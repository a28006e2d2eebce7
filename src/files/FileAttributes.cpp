#include "FileAttributes.h"

#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/xattr.h>
#endif

#include <vector>

namespace FileAttributes {

#ifdef Q_OS_UNIX

bool mayWrite(const QByteArray& path, QString* reason) {
    // By the effective user, as the write itself will be judged.
    if (faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) == 0)
        return true;
    if (reason)
        *reason = qt_error_string(errno);
    return false;
}

#ifdef Q_OS_LINUX

namespace {

// The names of a file's extended attributes (an ACL is one of them).
std::vector<QByteArray> namesOf(const std::function<ssize_t(char*, size_t)>& list) {
    std::vector<QByteArray> names;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = list(nullptr, 0);
        if (size <= 0)
            return names;
        QByteArray buffer(size, '\0');
        const ssize_t got = list(buffer.data(), static_cast<size_t>(buffer.size()));
        if (got < 0 && errno == ERANGE)
            continue; // grew meanwhile
        if (got <= 0)
            return names;
        for (const QByteArray& name : buffer.left(got).split('\0')) {
            if (!name.isEmpty())
                names.push_back(name);
        }
        return names;
    }
    return names;
}

QString kindOf(const QByteArray& name) {
    return name.startsWith("system.posix_acl") ? QStringLiteral("its access control list")
                                               : QStringLiteral("its extended attributes");
}

bool copyExtended(const QByteArray& from, int fd, QStringList& lost) {
    const auto listFrom = [&](char* b, size_t n) { return listxattr(from.constData(), b, n); };
    const auto listTo = [&](char* b, size_t n) { return flistxattr(fd, b, n); };
    const std::vector<QByteArray> wanted = namesOf(listFrom);
    bool ok = true;
    const auto fail = [&](const QByteArray& name) {
        ok = false;
        if (!lost.contains(kindOf(name)))
            lost << kindOf(name);
    };
    for (const QByteArray& name : wanted) {
        const ssize_t size = getxattr(from.constData(), name.constData(), nullptr, 0);
        if (size < 0) {
            fail(name);
            continue;
        }
        QByteArray value(size, '\0');
        const ssize_t got = getxattr(from.constData(), name.constData(), value.data(),
                                     static_cast<size_t>(value.size()));
        if (got < 0 ||
            fsetxattr(fd, name.constData(), value.constData(), static_cast<size_t>(got), 0) != 0)
            fail(name);
    }
    // What the new file was given by its folder (a default ACL) and the old one lacks goes.
    for (const QByteArray& name : namesOf(listTo)) {
        if (std::find(wanted.begin(), wanted.end(), name) != wanted.end())
            continue;
        if (fremovexattr(fd, name.constData()) != 0 && !name.startsWith("security."))
            fail(name);
    }
    return ok;
}

} // namespace

#endif

bool copy(const QByteArray& from, int fd, QString* lost) {
    struct stat st {};
    QStringList missing;
    if (stat(from.constData(), &st) != 0) {
        if (lost)
            *lost = qt_error_string(errno);
        return false;
    }
    struct stat mine {};
    if (fstat(fd, &mine) == 0 && mine.st_gid != st.st_gid &&
        fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0)
        missing << QStringLiteral("its group");
    // The mode after the group: a change of group may clear the set-group-ID bit.
    if (fchmod(fd, st.st_mode & 07777) != 0)
        missing << QStringLiteral("its permissions");
#ifdef Q_OS_LINUX
    copyExtended(from, fd, missing);
#endif
    if (lost)
        *lost = missing.join(QStringLiteral(", "));
    return missing.isEmpty();
}

#else

bool mayWrite(const QByteArray&, QString*) {
    return true;
}

bool copy(const QByteArray&, int, QString*) {
    return true;
}

#endif

} // namespace FileAttributes
