#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QUrl;

// File names are bytes on Linux, and names that are not valid UTF-8 are common on old disks
// and archives. Qt's own decoding turns such bytes into U+FFFD, after which the file can be
// neither opened nor written. Here every name travels as a QString that keeps its bytes:
// valid UTF-8 as its characters, and each other byte b as the lone surrogate U+DC00 + b,
// which no valid name decodes to. Only the functions here and the file access in this
// folder turn such a string back into bytes.
namespace FileNames {

QString decode(QByteArrayView bytes);
QByteArray encode(const QString& name);
// The name for showing: every byte that is not UTF-8 as U+FFFD.
QString display(const QString& name);

// A path that Qt decoded (from a file dialog), with U+FFFD where it met bytes it could not
// read: the path on disk it stands for, when each such part names exactly one entry of its
// folder. Any other path comes back unchanged.
QString resolve(const QString& path);
// A local file URL (a drop, the command line of a file manager) with its exact bytes.
QString fromUrl(const QUrl& url);

// The path made absolute against the folder the program was started in, with "." and ".."
// taken out as the system reads them (".." after a symbolic link leads out of where the link
// points).
QString absolute(const QString& path);

// A name kept as text in the settings or a state file, every byte of it, on one line: those
// that are not UTF-8 and the control characters as %XX, and '%' itself as %25.
QString toStored(const QString& name);
QString fromStored(const QString& stored);

// The path of the file a path leads to, every symbolic link on the way followed; the path as
// it is when it leads nowhere.
QString target(const QString& path);

// Whether anything is there by that name.
bool exists(const QString& path);
// Whether the two paths name one file: the same path, a symbolic link to it, or a hard
// link. False when either does not exist.
bool sameFile(const QString& a, const QString& b);

} // namespace FileNames
