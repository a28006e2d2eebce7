#pragma once

#include <QFile>
#include <QString>

// Opens a plain file for reading by the exact bytes of its name (see FileNames). A folder, a
// pipe or a device such as /dev/zero is refused: none of them is a deck, and some would never
// end. On failure, error says why.
bool openForReading(QFile& file, const QString& path, QString* error = nullptr);
