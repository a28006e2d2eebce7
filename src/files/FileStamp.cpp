#include "FileStamp.h"

#include "FileNames.h"
#include "FileReading.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr quint64 Prime1 = 0x9E3779B185EBCA87ULL;
constexpr quint64 Prime2 = 0xC2B2AE3D27D4EB4FULL;

quint64 rotl(quint64 v, int r) {
    return (v << r) | (v >> (64 - r));
}

} // namespace

void ContentHash::mixBlock(const char* data) {
    // Four lanes that do not wait for one another: the hash runs at the speed of memory.
    quint64 w[4];
    std::memcpy(w, data, sizeof w);
    for (int i = 0; i < 4; ++i)
        m_lanes[i] = rotl(m_lanes[i] + w[i] * Prime2, 31) * Prime1;
}

void ContentHash::add(const char* data, std::size_t size) {
    m_length += size;
    if (m_tailSize > 0) {
        const std::size_t take = std::min(size, Block - m_tailSize);
        std::memcpy(m_tail + m_tailSize, data, take);
        m_tailSize += take;
        data += take;
        size -= take;
        if (m_tailSize < Block)
            return;
        mixBlock(m_tail);
        m_tailSize = 0;
    }
    // The lanes stay in registers for the whole run of blocks.
    quint64 a = m_lanes[0], b = m_lanes[1], c = m_lanes[2], d = m_lanes[3];
    for (; size >= Block; data += Block, size -= Block) {
        quint64 w[4];
        std::memcpy(w, data, sizeof w);
        a = rotl(a + w[0] * Prime2, 31) * Prime1;
        b = rotl(b + w[1] * Prime2, 31) * Prime1;
        c = rotl(c + w[2] * Prime2, 31) * Prime1;
        d = rotl(d + w[3] * Prime2, 31) * Prime1;
    }
    m_lanes[0] = a;
    m_lanes[1] = b;
    m_lanes[2] = c;
    m_lanes[3] = d;
    std::memcpy(m_tail, data, size);
    m_tailSize = size;
}

quint64 ContentHash::value() const {
    char last[Block] = {};
    std::memcpy(last, m_tail, m_tailSize);
    ContentHash end = *this;
    end.mixBlock(last);
    quint64 h = m_length * Prime1;
    for (quint64 lane : end.m_lanes)
        h = rotl(h ^ lane, 27) * Prime1 + Prime2;
    h ^= h >> 33;
    h *= Prime2;
    h ^= h >> 29;
    return h;
}

std::optional<quint64> FileStamp::hashOf(const QString& path, const std::atomic<bool>* stop) {
    QFile file;
    if (!openForReading(file, path))
        return std::nullopt;
    ContentHash hash;
    std::vector<char> block(1 << 20);
    for (;;) {
        if (stop && stop->load())
            return std::nullopt;
        const qint64 got = file.read(block.data(), static_cast<qint64>(block.size()));
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        hash.add(block.data(), static_cast<std::size_t>(got));
    }
    return hash.value();
}

#ifdef Q_OS_UNIX

namespace {

qint64 nowNs() {
    struct timespec t {};
    clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::optional<FileStamp> fromStat(const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    FileStamp s;
    s.device = static_cast<quint64>(st.st_dev);
    s.inode = static_cast<quint64>(st.st_ino);
    s.size = static_cast<qint64>(st.st_size);
    s.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.statusChangedNs = static_cast<qint64>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.takenNs = nowNs();
    return s;
}

} // namespace

std::optional<FileStamp> FileStamp::ofOpenFile(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return std::nullopt;
    return fromStat(st);
}

std::optional<FileStamp> FileStamp::of(const QString& path, int* error) {
    struct stat st {};
    if (stat(FileNames::encode(path).constData(), &st) != 0) {
        if (error)
            *error = errno;
        return std::nullopt;
    }
    if (error)
        *error = S_ISREG(st.st_mode) ? 0 : ENOENT;
    return fromStat(st);
}

#else

std::optional<FileStamp> FileStamp::ofOpenFile(int) {
    return std::nullopt;
}

std::optional<FileStamp> FileStamp::of(const QString& path, int* error) {
    const QFileInfo info(path);
    if (error)
        *error = info.isFile() ? 0 : 2;
    if (!info.isFile())
        return std::nullopt;
    FileStamp s;
    s.size = info.size();
    s.modifiedNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    s.statusChangedNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    s.takenNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
    return s;
}

#endif

QString FileStamp::toText() const {
    return QStringList{QString::number(device),
                       QString::number(inode),
                       QString::number(size),
                       QString::number(modifiedNs),
                       QString::number(statusChangedNs),
                       hash ? QString::number(*hash) : QStringLiteral("-"),
                       QString::number(takenNs)}
        .join(u' ');
}

std::optional<FileStamp> FileStamp::fromText(const QString& text) {
    const QStringList parts = text.split(u' ');
    // Six numbers from earlier versions, which took no time: such a stamp counts as racy.
    if (parts.size() != 6 && parts.size() != 7)
        return std::nullopt;
    bool ok[6];
    FileStamp s;
    s.device = parts[0].toULongLong(&ok[0]);
    s.inode = parts[1].toULongLong(&ok[1]);
    s.size = parts[2].toLongLong(&ok[2]);
    s.modifiedNs = parts[3].toLongLong(&ok[3]);
    s.statusChangedNs = parts[4].toLongLong(&ok[4]);
    ok[5] = true;
    if (parts[5] != QLatin1String("-"))
        s.hash = parts[5].toULongLong(&ok[5]);
    bool takenOk = true;
    if (parts.size() == 7)
        s.takenNs = parts[6].toLongLong(&takenOk);
    if (!takenOk)
        return std::nullopt;
    for (bool b : ok) {
        if (!b)
            return std::nullopt;
    }
    return s;
}

FileState compareFile(const FileStamp& known, const QString& path) {
    int error = 0;
    const auto now = FileStamp::of(path, &error);
    if (!now)
        return error == ENOENT || error == ENOTDIR ? FileState::Gone : FileState::Unreadable;
    if (now->sameMetadata(known) && !known.racy())
        return FileState::Unchanged;
    if (now->size != known.size || !known.hash)
        return FileState::Changed;
    const auto hash = FileStamp::hashOf(path);
    if (!hash)
        return FileState::Unreadable;
    return *hash == *known.hash ? FileState::Unchanged : FileState::Changed;
}
