#include "FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileNames {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscape(QChar c) {
    return c.unicode() >= EscapeBase + 0x80 && c.unicode() <= EscapeBase + 0xFF;
}

// The length of the valid UTF-8 sequence at p, or 0.
int sequenceLength(const unsigned char* p, qsizetype left, char32_t& code) {
    const unsigned char b = p[0];
    int n = 0;
    char32_t min = 0;
    if (b < 0x80) {
        code = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        n = 2;
        code = b & 0x1F;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3;
        code = b & 0x0F;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4;
        code = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (left < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

QString decode(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code = 0;
        const int n = sequenceLength(p + i, bytes.size() - i, code);
        if (n == 0) {
            out += QChar(static_cast<char16_t>(EscapeBase + p[i]));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            out += QChar(QChar::highSurrogate(code));
            out += QChar(QChar::lowSurrogate(code));
        } else {
            out += QChar(static_cast<char16_t>(code));
        }
        i += n;
    }
    return out;
}

QByteArray encode(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !isEscape(name[i]))
            continue;
        out += QStringView(name).mid(start, i - start).toUtf8();
        if (i < name.size())
            out += static_cast<char>(name[i].unicode() - EscapeBase);
        start = i + 1;
    }
    return out;
}

QString display(const QString& name) {
    QString out = name;
    for (QChar& c : out) {
        if (isEscape(c))
            c = QChar::ReplacementCharacter;
    }
    return out;
}

QString resolve(const QString& path) {
#ifdef Q_OS_UNIX
    if (!path.contains(QChar::ReplacementCharacter))
        return path;
    const QStringList parts = path.split(u'/');
    QString resolved;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString found = part;
        if (part.contains(QChar::ReplacementCharacter)) {
            const QByteArray folder = encode(resolved.isEmpty() && i > 0 ? QStringLiteral("/")
                                             : resolved.isEmpty()        ? QStringLiteral(".")
                                                                         : resolved);
            int matches = 0;
            if (DIR* dir = opendir(folder.constData())) {
                while (const dirent* entry = readdir(dir)) {
                    // Compare as Qt decoded it: the same U+FFFD where the bytes are not UTF-8.
                    if (QString::fromUtf8(entry->d_name) == part) {
                        found = decode(QByteArrayView(entry->d_name));
                        ++matches;
                    }
                }
                closedir(dir);
            }
            if (matches != 1)
                return path;
        }
        resolved += (i > 0 ? QStringLiteral("/") : QString()) + found;
    }
    return resolved;
#else
    return path;
#endif
}

QString fromUrl(const QUrl& url) {
    if (!url.isLocalFile())
        return {};
    // The path as the URL carries it, percent-encoded bytes and all.
    return decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QString absolute(const QString& path) {
    if (path.isEmpty())
        return path;
#ifdef Q_OS_UNIX
    QString full = path;
    if (!path.startsWith(u'/')) {
        // The folder's own bytes: Qt's decoding would lose those that are not UTF-8.
        char folder[PATH_MAX];
        full =
            (getcwd(folder, sizeof folder) ? decode(QByteArrayView(folder)) : QDir::currentPath()) +
            u'/' + path;
    }
    // "." and doubled separators go. ".." is taken as the system takes it: in the folder the
    // path before it really is, its symbolic links followed, so "link/.." is where the link
    // points, not where the link lies.
    QString done;
    for (const QString& part : full.split(u'/', Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (char* real = realpath(
                    encode(done.isEmpty() ? QStringLiteral("/") : done).constData(), nullptr)) {
                done = decode(QByteArrayView(real));
                std::free(real);
                if (done == QLatin1String("/"))
                    done.clear();
            }
            done.truncate(std::max<qsizetype>(0, done.lastIndexOf(u'/')));
            continue;
        }
        done += u'/' + part;
    }
    return done.isEmpty() ? QStringLiteral("/") : done;
#else
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
#endif
}

QString toStored(const QString& name) {
    QString out;
    for (QChar c : name) {
        if (c == u'%')
            out += QStringLiteral("%25");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else if (isEscape(c))
            out += u'%' + QString::number(c.unicode() - EscapeBase, 16).toUpper();
        else
            out += c;
    }
    return out;
}

QString fromStored(const QString& stored) {
    QString out;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        bool hex = false;
        const int b = i + 2 < stored.size() && stored[i] == u'%'
                          ? QStringView(stored).mid(i + 1, 2).toInt(&hex, 16)
                          : 0;
        if (hex) {
            out += b < 0x80 ? QChar(static_cast<char16_t>(b))
                            : QChar(static_cast<char16_t>(EscapeBase + b));
            i += 2;
        } else {
            out += stored[i];
        }
    }
    return out;
}

bool exists(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat st {};
    return stat(encode(path).constData(), &st) == 0;
#else
    return QFileInfo::exists(path);
#endif
}

QString target(const QString& path) {
#ifdef Q_OS_UNIX
    char* real = realpath(encode(path).constData(), nullptr);
    if (!real)
        return path;
    const QString resolved = decode(QByteArrayView(real));
    std::free(real);
    return resolved;
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
#endif
}

bool sameFile(const QString& a, const QString& b) {
#ifdef Q_OS_UNIX
    struct stat sa {};
    struct stat sb {};
    if (stat(encode(a).constData(), &sa) != 0 || stat(encode(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#else
    const QFileInfo fa(a);
    const QFileInfo fb(b);
    return fa.exists() && fb.exists() && fa.canonicalFilePath() == fb.canonicalFilePath();
#endif
}

} // namespace FileNames
