#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

// The whole contents of a file for one parse: mapped into memory where the system allows,
// so a large deck is not copied before it is read, and read into memory otherwise.
class FileBytes {
public:
    // False when the file cannot be opened or read, or is not a plain file.
    bool open(const QString& path);
    QByteArrayView bytes() const { return m_bytes; }
    // Why open() failed.
    QString errorString() const { return m_error; }

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_bytes;
    QString m_error;
};
