#pragma once

#include <QByteArray>
#include <QString>

// What a file is besides its bytes: its owner, group, permission bits, ACL and extended
// attributes. A save that replaces the file by a new one gives the new one all of these, or
// does not replace it.
namespace FileAttributes {

// Whether this user may write the file itself, by its own permissions and owner (root may),
// whatever its folder allows. Where not, why: in the system's words.
bool mayWrite(const QByteArray& path, QString* reason = nullptr);

// Gives the open file fd what the file at `from` has (its owner aside): group, permission bits,
// ACL and extended attributes, and no attribute `from` lacks. False when the system refused
// any of it; `lost` then says what could not be kept ("its group", ...).
bool copy(const QByteArray& from, int fd, QString* lost);

} // namespace FileAttributes
