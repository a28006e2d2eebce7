#include "CardfileReader.h"

#include <QtEndian>

#include <cstring>

namespace CardfileReader {

namespace {

constexpr qint64 HeaderSize = 5;
constexpr qint64 EntrySize = 52;
constexpr qint64 EntryDataOffset = 6;
constexpr qint64 EntryIndexText = 11;
constexpr qint64 IndexTextSize = 40;
// Width, height, x and y of a picture stand between its length and its bytes.
constexpr qint64 PictureHeaderSize = 8;

struct Reader {
    const uchar* data;
    qint64 size;

    bool has(qint64 offset, qint64 length) const {
        return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
    }
    quint16 word(qint64 offset) const { return qFromLittleEndian<quint16>(data + offset); }
    quint32 dword(qint64 offset) const { return qFromLittleEndian<quint32>(data + offset); }
    std::string_view text(qint64 offset, qint64 length) const {
        return {reinterpret_cast<const char*>(data + offset), static_cast<std::size_t>(length)};
    }
};

} // namespace

std::optional<Result> parse(QByteArrayView bytes) {
    const Reader in{reinterpret_cast<const uchar*>(bytes.data()), bytes.size()};
    if (!in.has(0, 3) || std::memcmp(in.data, "MGC", 3) != 0)
        return std::nullopt;

    Result result;
    if (!in.has(3, 2)) {
        result.missingCards = 1; // the count itself is missing
        return result;
    }
    const int count = in.word(3);
    result.cards.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const qint64 entry = HeaderSize + EntrySize * k;
        if (!in.has(entry, EntrySize)) {
            result.missingCards = count - k;
            break;
        }
        auto card = std::make_unique<Card>(in.text(entry + EntryIndexText, IndexTextSize));

        const qint64 p = in.dword(entry + EntryDataOffset);
        qint64 lengthAt = -1;
        if (in.has(p, 2)) {
            const quint16 pictureLength = in.word(p);
            lengthAt = pictureLength == 0 ? p + 2 : p + 2 + PictureHeaderSize + pictureLength;
        }
        if (lengthAt >= 0 && in.has(lengthAt, 2)) {
            const qint64 textAt = lengthAt + 2;
            const qint64 length = in.word(lengthAt);
            const qint64 available = std::min(length, in.size - textAt);
            if (available < length)
                ++result.shortCards;
            card->setBody(in.text(textAt, available));
        } else {
            ++result.shortCards;
        }
        result.cards.push_back(std::move(card));
    }
    return result;
}

} // namespace CardfileReader
