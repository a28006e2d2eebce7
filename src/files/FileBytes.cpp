#include "FileBytes.h"

#include <QFileInfo>

bool FileBytes::open(const QString& path) {
    m_file.setFileName(path);
    // Only plain files: a folder, a pipe or a device such as /dev/zero is no deck.
    const QFileInfo info(path);
    if (!info.isFile()) {
        m_error =
            info.exists() ? QStringLiteral("not a plain file") : QStringLiteral("no such file");
        return false;
    }
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = m_file.errorString();
        return false;
    }
    const qint64 size = m_file.size();
    if (uchar* map = size > 0 ? m_file.map(0, size) : nullptr) {
        m_bytes = QByteArrayView(map, size);
        return true;
    }
    m_copy = m_file.readAll();
    m_bytes = m_copy;
    m_error = m_file.errorString();
    return m_file.error() == QFileDevice::NoError;
}
