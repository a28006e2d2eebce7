#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>

// Opens a plain file for reading. A folder, a pipe or a device such as /dev/zero is refused:
// none of them is a deck, and some would never end. On failure, error says why.
bool openForReading(QFile& file, const QString& path, QString* error = nullptr);

// The whole contents of a small file (a card file) for one parse.
class FileBytes {
public:
    // False when the file cannot be opened or read, or is not a plain file.
    bool open(const QString& path);
    QByteArrayView bytes() const { return m_bytes; }
    // Why open() failed.
    QString errorString() const { return m_error; }

private:
    QByteArray m_bytes;
    QString m_error;
};
