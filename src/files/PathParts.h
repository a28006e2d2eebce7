#pragma once

#include <QString>

// Paths cut at their last separator: '/' everywhere, and '\' as well on Windows.
namespace PathParts {

// Position of the last separator, or -1.
qsizetype lastSeparator(const QString& path);
// What follows the last separator: the whole path when it has none.
inline QString fileName(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

} // namespace PathParts
