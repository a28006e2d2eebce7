#pragma once

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
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
// they are unchanged and the times are older than the moment they were taken by more than
// the system's clock can blur (a write in place changes the status time, which no program can
// set back; a file renamed over it is another file). Where they differ but the size is the same,
// or where a change could have fallen within the same tick of the file's clock as the last read
// or write (whole seconds on many network and FAT mounts), the bytes decide: a sync tool that
// put back the same bytes changed nothing.
struct FileStamp {
    // How far apart a change must lie from the file's times to be sure to change them.
    static constexpr qint64 ClockBlurNs = 3'000'000'000;

    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 statusChangedNs = 0;
    // This computer's time when the stamp was taken.
    qint64 takenNs = 0;
    // Of the bytes, where known.
    std::optional<quint64> hash;

    // Whether another change could still leave the times as they are.
    bool racy() const { return takenNs - std::max(modifiedNs, statusChangedNs) < ClockBlurNs; }

    // The stamp of the file at path now; nothing when there is no plain file there (error, when
    // given, says whether there is none or it cannot be looked at).
    static std::optional<FileStamp> of(const QString& path, int* error = nullptr);
    // The same for a file already open.
    static std::optional<FileStamp> ofOpenFile(int fd);
    // The hash of the file's bytes; nothing when it cannot be read, or stop was set meanwhile.
    static std::optional<quint64> hashOf(const QString& path,
                                         const std::atomic<bool>* stop = nullptr);

    bool sameMetadata(const FileStamp& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modifiedNs == other.modifiedNs && statusChangedNs == other.statusChangedNs;
    }

    // For keeping it in a text file: seven numbers.
    QString toText() const;
    static std::optional<FileStamp> fromText(const QString& text);
};

// Whether the file at path is still the one a stamp was taken of. Where only its bytes could
// tell and the stamp has no hash, it counts as changed: better asked once too often. A file
// that is there but cannot be looked at or read is Unreadable, never Gone.
enum class FileState { Unchanged, Changed, Gone, Unreadable };
FileState compareFile(const FileStamp& known, const QString& path);
