#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// A hash of a file's bytes, fed in pieces of any size: the same bytes give the same value
// however they were cut. Not for security: it tells a changed file from an unchanged one.
class ContentHash {
public:
    void add(const char* data, std::size_t size);
    quint64 value() const;

private:
    static constexpr std::size_t Block = 32;
    void mixBlock(const char* data);
    quint64 m_lanes[4] = {0x243F6A8885A308D3ULL, 0x13198A2E03707344ULL, 0xA4093822299F31D0ULL,
                          0x082EFA98EC4E6C89ULL};
    quint64 m_length = 0;
    char m_tail[Block] = {};
    std::size_t m_tailSize = 0;
};

// What a file was when the program last read or wrote it: enough to tell whether another
// program has changed it since. The system's own identity and times say it for certain when
// they are unchanged (a write in place changes the status time, which no program can set back;
// a file renamed over it is another file). Where they differ but the size is the same, the
// bytes decide: a sync tool that put back the same bytes changed nothing.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 statusChangedNs = 0;
    // Of the bytes, where known.
    std::optional<quint64> hash;

    // The stamp of the file at path now, with the hash of its bytes when asked for; nothing
    // when there is no plain file there.
    static std::optional<FileStamp> of(const QString& path, bool withHash = false);
    // The same for a file already open.
    static std::optional<FileStamp> ofOpenFile(int fd);
    static std::optional<quint64> hashOf(const QString& path);

    bool sameMetadata(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs && statusChangedNs == other.statusChangedNs;
    }

    // For keeping it in a text file: eight numbers.
    QString toText() const;
    static std::optional<FileStamp> fromText(const QString& text);
};

// Whether the file at path is still the one a stamp was taken of. Where only its bytes could
// tell and the stamp has no hash, it counts as changed: better asked once too often.
enum class FileState { Unchanged, Changed, Gone };
FileState compareFile(const FileStamp& known, const QString& path);
// The hash of the file at path, when the file is still the one the stamp was taken of before
// and after it was read.
std::optional<quint64> hashIfStill(const FileStamp& stamp, const QString& path);
