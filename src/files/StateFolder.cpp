#include "StateFolder.h"

#include "FileNames.h"

#include <QDir>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace StateFolder {

QString recovery() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorix/recovery");
}

bool makePrivate(const QString& folder, QString* reason) {
#ifdef Q_OS_UNIX
    const QByteArray path = FileNames::encode(folder);
    // The parents as the user's umask makes them; the folder itself for the user alone, from
    // the moment it exists.
    const qsizetype cut = folder.lastIndexOf(u'/');
    if (cut > 0)
        QDir().mkpath(folder.left(cut));
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) {
        if (reason)
            *reason = QStringLiteral("The folder %1 is not the user's own.")
                          .arg(FileNames::display(folder));
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && chmod(path.constData(), 0700) != 0) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    if (access(path.constData(), W_OK | X_OK) != 0) {
        if (reason)
            *reason = qt_error_string(errno);
        return false;
    }
    return true;
#else
    const bool ok = QDir().mkpath(folder);
    if (!ok && reason)
        *reason = QStringLiteral("The folder cannot be made.");
    return ok;
#endif
}

} // namespace StateFolder
