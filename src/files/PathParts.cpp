#include "PathParts.h"

#include <algorithm>

namespace PathParts {

qsizetype lastSeparator(const QString& path) {
#ifdef Q_OS_WIN
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
#else
    return path.lastIndexOf(u'/');
#endif
}

} // namespace PathParts
