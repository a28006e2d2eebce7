#include "FileReading.h"

#include "FileNames.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QFileInfo>
#endif

bool openForReading(QFile& file, const QString& path, QString* error) {
    QString why;
#ifdef Q_OS_UNIX
    // Opened without waiting, so that a pipe with no writer cannot hang the program before it
    // is seen to be no plain file.
    const int fd = open(FileNames::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0) {
        why = qt_error_string(errno);
    } else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = QStringLiteral("not a plain file");
        close(fd);
    } else {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        // Unbuffered: the readers ask for exactly what they need, in large blocks or at
        // scattered offsets, and a buffer would only copy it once more.
        if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                       QFileDevice::AutoCloseHandle)) {
            why = file.errorString();
            close(fd);
        }
    }
#else
    const QFileInfo info(path);
    if (!info.isFile()) {
        why = info.exists() ? QStringLiteral("not a plain file") : QStringLiteral("no such file");
    } else {
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            why = file.errorString();
    }
#endif
    if (error)
        *error = why;
    return why.isEmpty();
}
