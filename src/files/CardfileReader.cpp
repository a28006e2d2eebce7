#include "CardfileReader.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <optional>

namespace CardfileReader {

namespace {

constexpr qint64 EntrySize = 52;
constexpr qint64 EntryDataOffset = 6;
constexpr qint64 EntryIndexText = 11;
constexpr qint64 IndexTextSize = 40;
// Width, height, x and y of an MGC picture stand between its length and its bytes.
constexpr qint64 PictureHeaderSize = 8;
// After an RRG object: character width and height, a RECT of four words, the object type.
constexpr qint64 ObjectTrailerSize = 14;

// Random access to the file's bytes, whether in memory or on disk.
class Source {
public:
    explicit Source(qint64 size)
        : m_size(size) {}
    virtual ~Source() = default;
    qint64 size() const { return m_size; }
    bool failed() const { return m_failed; }

    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= m_size && length <= m_size - offset;
    }
    // Exactly length bytes at offset; nothing outside the file is ever asked for.
    bool get(qint64 offset, void* to, qint64 length) {
        if (!has(offset, length))
            return false;
        if (length == 0)
            return true;
        if (!fetch(offset, static_cast<char*>(to), length)) {
            m_failed = true;
            return false;
        }
        return true;
    }
    std::optional<quint32> word(qint64 offset) {
        uchar b[2];
        if (!get(offset, b, 2))
            return std::nullopt;
        return qFromLittleEndian<quint16>(b);
    }
    std::optional<quint32> dword(qint64 offset) {
        uchar b[4];
        if (!get(offset, b, 4))
            return std::nullopt;
        return qFromLittleEndian<quint32>(b);
    }
    QByteArray bytes(qint64 offset, qint64 length) {
        QByteArray out(length, Qt::Uninitialized);
        return get(offset, out.data(), length) ? out : QByteArray();
    }

private:
    virtual bool fetch(qint64 offset, char* to, qint64 length) = 0;
    qint64 m_size;
    bool m_failed = false;
};

class MemorySource : public Source {
public:
    explicit MemorySource(QByteArrayView bytes)
        : Source(bytes.size())
        , m_bytes(bytes) {}

private:
    bool fetch(qint64 offset, char* to, qint64 length) override {
        std::memcpy(to, m_bytes.data() + offset, static_cast<std::size_t>(length));
        return true;
    }
    QByteArrayView m_bytes;
};

class DeviceSource : public Source {
public:
    explicit DeviceSource(QIODevice& device)
        : Source(device.size())
        , m_device(device) {}

private:
    bool fetch(qint64 offset, char* to, qint64 length) override {
        if (!m_device.seek(offset))
            return false;
        for (qint64 done = 0; done < length;) {
            const qint64 got = m_device.read(to + done, length - done);
            if (got <= 0)
                return false;
            done += got;
        }
        return true;
    }
    QIODevice& m_device;
};

// Passes over the OLE 1.0 object at an offset, by its own structure, since its size is stored
// nowhere. Each step returns where the next part starts, or -1 when the object does not hold
// together (or runs past the end of the file).
class ObjectSkipper {
public:
    explicit ObjectSkipper(Source& in)
        : m_in(in) {}

    qint64 object(qint64 at) {
        const auto format = m_in.dword(at + 4);
        if (!format)
            return -1;
        QByteArray className;
        qint64 next = classString(at + 8, className);
        switch (*format) {
        case 3: // static: a presentation only
            return presentationBody(next, className);
        case 2: // embedded: topic, item, native data, presentation
            next = sized(sized(sized(next)));
            return presentation(next);
        case 1: // linked: topic, item, network name, two words, presentation
            next = sized(sized(sized(next)));
            return presentation(next < 0 ? -1 : next + 8);
        default:
            return -1;
        }
    }

private:
    // A 32-bit size and that many bytes (a length-prefixed string, or data).
    qint64 sized(qint64 at) {
        if (at < 0)
            return -1;
        const auto size = m_in.dword(at);
        if (!size || !m_in.has(at + 4, *size))
            return -1;
        return at + 4 + *size;
    }

    qint64 classString(qint64 at, QByteArray& name) {
        const qint64 next = sized(at);
        if (next < 0)
            return -1;
        // Only the short names of the standard presentations matter.
        name = m_in.bytes(at + 4, std::min<qint64>(next - at - 4, 16));
        name.truncate(name.indexOf('\0') < 0 ? name.size() : name.indexOf('\0'));
        return next;
    }

    qint64 presentation(qint64 at) {
        if (at < 0)
            return -1;
        const auto format = m_in.dword(at + 4);
        if (!format)
            return -1;
        if (*format == 0) // no presentation
            return at + 8;
        if (*format != 5)
            return -1;
        QByteArray className;
        return presentationBody(classString(at + 8, className), className);
    }

    qint64 presentationBody(qint64 at, const QByteArray& className) {
        if (at < 0)
            return -1;
        if (className == "METAFILEPICT" || className == "BITMAP" || className == "DIB")
            return sized(at + 8); // width and height, then the data (with its reserved words)
        const auto clipboardFormat = m_in.dword(at);
        if (!clipboardFormat)
            return -1;
        at += 4;
        if (*clipboardFormat == 0)
            at = sized(at); // a registered format, by name
        return sized(at);
    }

    Source& m_in;
};

Result readCards(Source& in) {
    Result result;
    char signature[3];
    if (!in.get(0, signature, 3)) {
        result.status = in.failed() ? Status::ReadError : Status::NotACardFile;
        return result;
    }
    result.status = recognise(QByteArrayView(signature, 3));
    if (!result.ok())
        return result;
    result.layout = std::memcmp(signature, "RRG", 3) == 0 ? Layout::Rrg : Layout::Mgc;
    const bool rrg = result.layout == Layout::Rrg;
    const qint64 countAt = rrg ? 7 : 3;
    const qint64 entriesAt = countAt + 2;

    const auto count = in.word(countAt);
    if (!count) {
        result.status = in.failed() ? Status::ReadError : Status::Ok;
        result.missingCards = 1; // the count itself is missing
        return result;
    }
    // The entries that lie wholly in the file, read in one piece.
    const qint64 whole = in.size() > entriesAt ? (in.size() - entriesAt) / EntrySize : 0;
    const int present = static_cast<int>(std::min<qint64>(*count, whole));
    result.missingCards = static_cast<int>(*count) - present;
    const QByteArray entries = in.bytes(entriesAt, present * EntrySize);
    result.cards.reserve(static_cast<std::size_t>(present));
    ObjectSkipper skip(in);
    for (int k = 0; k < present && !in.failed(); ++k) {
        const char* entry = entries.constData() + k * EntrySize;
        auto card = std::make_unique<Card>(std::string_view(entry + EntryIndexText, IndexTextSize));
        const qint64 p = qFromLittleEndian<quint32>(entry + EntryDataOffset);

        qint64 lengthAt = -1;
        if (const auto flag = in.word(p)) {
            if (*flag == 0) {
                lengthAt = p + 2;
            } else {
                ++result.pictures;
                if (!rrg) {
                    lengthAt = p + 2 + PictureHeaderSize + *flag;
                } else if (const qint64 after = skip.object(p + 2 + 4); after >= 0) {
                    lengthAt = after + ObjectTrailerSize;
                }
            }
        }
        const auto length = lengthAt >= 0 ? in.word(lengthAt) : std::nullopt;
        if (length) {
            const qint64 textAt = lengthAt + 2;
            const qint64 available = std::clamp<qint64>(in.size() - textAt, 0, *length);
            if (available < *length)
                ++result.shortCards;
            // No more than a body holds; the card cuts at the first NUL and at 511 bytes.
            char text[Card::BodySize];
            const qint64 size = std::min<qint64>(available, Card::BodySize);
            if (in.get(textAt, text, size))
                card->setBody(std::string_view(text, static_cast<std::size_t>(size)));
        } else {
            ++result.shortCards;
        }
        result.cards.push_back(std::move(card));
    }
    if (in.failed()) {
        result.status = Status::ReadError;
        result.cards.clear();
    }
    return result;
}

} // namespace

Status recognise(QByteArrayView firstBytes) {
    if (firstBytes.size() < 3)
        return Status::NotACardFile;
    const QByteArrayView signature = firstBytes.first(3);
    if (signature == "MGC" || signature == "RRG")
        return Status::Ok;
    if (signature == "DKO")
        return Status::UnicodeCardFile;
    return Status::NotACardFile;
}

Result parse(QByteArrayView bytes) {
    MemorySource in(bytes);
    return readCards(in);
}

Result read(QIODevice& device) {
    DeviceSource in(device);
    return readCards(in);
}

} // namespace CardfileReader
