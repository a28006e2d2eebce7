#include "FileBytes.h"

bool FileBytes::open(const QString& path) {
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = m_file.size();
    if (uchar* map = size > 0 ? m_file.map(0, size) : nullptr) {
        m_bytes = QByteArrayView(map, size);
        return true;
    }
    m_copy = m_file.readAll();
    m_bytes = m_copy;
    return m_file.error() == QFileDevice::NoError;
}
