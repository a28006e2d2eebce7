#include "FileBytes.h"

#include <QFileInfo>

bool openForReading(QFile& file, const QString& path, QString* error) {
    const QFileInfo info(path);
    QString why;
    if (!info.isFile()) {
        why = info.exists() ? QStringLiteral("not a plain file") : QStringLiteral("no such file");
    } else {
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly))
            why = file.errorString();
    }
    if (error)
        *error = why;
    return why.isEmpty();
}

bool FileBytes::open(const QString& path) {
    QFile file;
    if (!openForReading(file, path, &m_error))
        return false;
    m_bytes = file.readAll();
    m_error = file.errorString();
    return file.error() == QFileDevice::NoError;
}
