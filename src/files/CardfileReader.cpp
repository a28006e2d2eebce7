#include "CardfileReader.h"

#include <QIODevice>
#include <QtEndian>

#include <QHash>

#include <algorithm>
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
        : m_size(size)
        , m_end(size) {}
    virtual ~Source() = default;
    qint64 size() const { return m_size; }
    bool failed() const { return m_failed; }
    // Nothing at or after end is read until the limit is lifted (end = size()).
    void limit(qint64 end) { m_end = std::min(end, m_size); }

    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= m_end && length <= m_end - offset;
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
    qint64 m_end;
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

// Where a card's text lies, as its data says: after its picture or object, if any.
struct CardData {
    bool valid = false; // the data holds together within the card's own bytes
    bool picture = false;
    qint64 textAt = 0;
    qint64 length = 0; // as stored, less the quirk below
    qint64 declaredEnd = 0;
};

// Reads the data of the card at p, which ends where the next card's data begins (or at the
// end of the file): nothing outside it is looked at.
CardData readData(Source& in, qint64 p, qint64 end, bool rrg) {
    CardData data;
    in.limit(end);
    ObjectSkipper skip(in);
    qint64 lengthAt = -1;
    if (const auto flag = in.word(p)) {
        data.picture = *flag != 0;
        if (*flag == 0)
            lengthAt = p + 2;
        else if (!rrg)
            lengthAt = p + 2 + PictureHeaderSize + *flag;
        else if (const qint64 after = skip.object(p + 2 + 4); after >= 0)
            lengthAt = after + ObjectTrailerSize;
    }
    const auto length = lengthAt >= 0 ? in.word(lengthAt) : std::nullopt;
    in.limit(in.size());
    if (!length)
        return data;
    data.valid = true;
    data.textAt = lengthAt + 2;
    data.length = *length;
    const qint64 available = std::max<qint64>(0, end - data.textAt);
    // Old files sometimes hold 0xFF in the high byte of a short text's length: the low byte
    // alone is meant when it ends the text exactly where the card's data ends.
    if (data.length > available && (data.length >> 8) == 0xFF && (data.length & 0xFF) == available)
        data.length &= 0xFF;
    data.declaredEnd = data.textAt + data.length;
    return data;
}

Result readCards(Source& in, const CharacterSet& characterSet) {
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
        // Too short to hold its own count: no card file at all.
        result.status = in.failed() ? Status::ReadError : Status::NotACardFile;
        return result;
    }
    // The entries that lie wholly in the file, read in one piece.
    const qint64 whole = in.size() > entriesAt ? (in.size() - entriesAt) / EntrySize : 0;
    const int present = static_cast<int>(std::min<qint64>(*count, whole));
    result.missingCards = static_cast<int>(*count) - present;
    const QByteArray entries = in.bytes(entriesAt, present * EntrySize);
    // The cards' data lies after every entry; each card's ends where the next card's (in the
    // order of the offsets) begins, or at the end of the file. No card ever takes another's.
    const qint64 dataStart = entriesAt + qint64(*count) * EntrySize;
    std::vector<qint64> offsets(static_cast<std::size_t>(present));
    for (int k = 0; k < present; ++k)
        offsets[static_cast<std::size_t>(k)] =
            qFromLittleEndian<quint32>(entries.constData() + k * EntrySize + EntryDataOffset);
    std::vector<qint64> starts;
    for (qint64 p : offsets) {
        if (p >= dataStart && p < in.size())
            starts.push_back(p);
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const auto endOf = [&](qint64 p) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), p);
        return next == starts.end() ? in.size() : *next;
    };

    std::vector<CardData> data(static_cast<std::size_t>(present));
    std::vector<bool> usable(static_cast<std::size_t>(present), false);
    // By offset: where that card's text begins, as its own data says when read to the end of
    // the file (its picture or object may run past the next card's offset).
    QHash<qint64, qint64> textStarts;
    for (int k = 0; k < present && !in.failed(); ++k) {
        const qint64 p = offsets[static_cast<std::size_t>(k)];
        // An offset outside the data area, or one another card already has, is damage.
        if (p < dataStart || p >= in.size() || textStarts.contains(p))
            continue;
        CardData& d = data[static_cast<std::size_t>(k)];
        d = readData(in, p, endOf(p), rrg);
        if (d.picture)
            ++result.pictures;
        const CardData declared = readData(in, p, in.size(), rrg);
        textStarts.insert(p, declared.valid ? declared.textAt : p);
        usable[static_cast<std::size_t>(k)] = true;
    }

    for (int k = 0; k < present && !in.failed(); ++k) {
        const char* entry = entries.constData() + k * EntrySize;
        // An index that fills its entry ends between characters as well.
        std::string_view index(entry + EntryIndexText, IndexTextSize);
        index = characterSet.cut(index.substr(0, index.find('\0')), IndexTextSize);
        const qint64 p = offsets[static_cast<std::size_t>(k)];
        const CardData& d = data[static_cast<std::size_t>(k)];
        // A card whose data begins inside the picture or object of the card before it (as that
        // card's own data says) has an offset that cannot be trusted. (One that begins inside
        // the text before it ends that text: that card's length is the damaged one.)
        const auto before = std::lower_bound(starts.begin(), starts.end(), p);
        const bool inside = before != starts.begin() && textStarts.value(*std::prev(before)) > p;
        if (!usable[static_cast<std::size_t>(k)] || !d.valid || inside) {
            ++result.shortCards;
            result.cards.append(index);
            continue;
        }
        const qint64 end = endOf(p);
        const qint64 available = std::clamp<qint64>(end - d.textAt, 0, d.length);
        if (available < d.length)
            ++result.shortCards; // the text does not fit its card's data: what is there comes in
        // No more than a body holds; the card cuts at the first NUL and at 511 bytes, between
        // two characters of the set.
        char text[Card::MaxBodyLength + 1];
        const qint64 size = std::min<qint64>(available, Card::MaxBodyLength + 1);
        std::string_view body;
        if (in.get(d.textAt, text, size)) {
            body = std::string_view(text, static_cast<std::size_t>(size));
            const std::size_t zero = body.find('\0');
            if (available > Card::MaxBodyLength || zero != std::string_view::npos)
                ++result.shortenedTexts;
            body = characterSet.cut(body.substr(0, zero), Card::MaxBodyLength);
        }
        result.cards.append(index, body);
    }
    if (in.failed()) {
        result.status = Status::ReadError;
        result.cards = CardBlock();
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

Result parse(QByteArrayView bytes, const CharacterSet& characterSet) {
    MemorySource in(bytes);
    return readCards(in, characterSet);
}

Result read(QIODevice& device, const CharacterSet& characterSet) {
    DeviceSource in(device);
    return readCards(in, characterSet);
}

} // namespace CardfileReader
