#pragma once

#include "SafeWrite.h"

#include <QByteArray>

#include <sys/stat.h>

// Writing a file's new bytes into the file itself, for a file that a new file could not stand
// in for (another owner, a second name, attributes a new file cannot be given). The new bytes
// are written in full and synced in the user's state folder first, the old bytes are copied
// there too, and a note says what is under way; only then is the file itself written. A failure
// writes the old bytes back; a crash is finished at the next start from the note. So the file
// holds its old contents or its new ones, never a mix.
namespace InPlaceWrite {

// WouldLoseAttributes (with why) when the state folder cannot keep the bytes.
SafeWrite::Result write(const QByteArray& target, const struct stat& old,
                        const std::function<bool(QIODevice&)>& fill,
                        const SafeWrite::Options& options, QString* why);

// Finishes what a Quorix no longer running left under way; returns the files written.
QStringList finishInterrupted();

} // namespace InPlaceWrite
