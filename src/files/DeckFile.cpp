#include "DeckFile.h"

#include "deck/Deck.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace DeckFile {

namespace {

// Reads exactly size bytes; a short read is the end of the file, -1 an error of the device.
qint64 readFully(QIODevice& device, char* to, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const qint64 got = device.read(to + done, size - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

Card* makeCard(const char* record, bool withTag) {
    auto* card = new Card;
    // A field without its terminator keeps the field's limit (41 or 511 bytes).
    card->setIndex(std::string_view(record, Card::IndexSize));
    card->setBody(std::string_view(record + Card::IndexSize, Card::BodySize));
    if (withTag)
        card->tag = qFromLittleEndian<qint32>(record + RecordSize1);
    return card;
}

} // namespace

ReadResult read(QIODevice& device) {
    ReadResult result;
    char header[HeaderSize];
    const qint64 got = readFully(device, header, HeaderSize);
    if (got < 0) {
        result.status = ReadStatus::ReadError;
        return result;
    }
    result.status = ReadStatus::NotADeck;
    if (got < 4)
        return result;
    const quint32 format = qFromLittleEndian<quint32>(header);
    if ((format != FormatVersion1 && format != FormatVersion2) || got < HeaderSize)
        return result;
    const qint32 count = qFromLittleEndian<qint32>(header + 4);
    const bool withTag = format == FormatVersion2;
    const qint64 recordSize = withTag ? RecordSize2 : RecordSize1;
    if (count > 0) {
        // Checked before anything is allocated: a damaged count cannot make us read past the
        // end or reserve memory for cards that are not there.
        if (!device.isSequential() && (device.size() - device.pos()) / recordSize < count)
            return result;
        if (!device.isSequential())
            result.cards.reserve(static_cast<std::size_t>(count));
        // One pass in blocks of about a megabyte.
        constexpr qint64 RecordsPerBlock = 2048;
        std::vector<char> block(static_cast<std::size_t>(RecordsPerBlock * recordSize));
        for (qint64 left = count; left > 0;) {
            const qint64 records = std::min(left, RecordsPerBlock);
            const qint64 bytes = readFully(device, block.data(), records * recordSize);
            if (bytes < 0) {
                result.status = ReadStatus::ReadError;
                result.cards.clear();
                return result;
            }
            if (bytes < records * recordSize) {
                result.cards.clear(); // shorter than its count says
                return result;
            }
            for (qint64 r = 0; r < records; ++r)
                result.cards.emplace_back(makeCard(block.data() + r * recordSize, withTag));
            left -= records;
        }
    }
    result.status = ReadStatus::Ok;
    return result;
}

std::optional<std::vector<std::unique_ptr<Card>>> parse(QByteArrayView bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    ReadResult result = read(buffer);
    if (result.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(result.cards);
}

bool write(const Deck& deck, QIODevice& device) {
    uchar header[HeaderSize];
    qToLittleEndian<quint32>(FormatVersion2, header);
    qToLittleEndian<qint32>(deck.count(), header + 4);
    if (device.write(reinterpret_cast<const char*>(header), HeaderSize) != HeaderSize)
        return false;

    // Records go out in blocks to keep the number of writes small.
    constexpr int RecordsPerBlock = 2048; // about 1 MB
    std::vector<char> block(static_cast<std::size_t>(RecordsPerBlock) * RecordSize2);
    const int n = deck.count();
    for (int first = 0; first < n; first += RecordsPerBlock) {
        const int last = first + RecordsPerBlock < n ? first + RecordsPerBlock : n;
        char* out = block.data();
        for (int k = first; k < last; ++k, out += RecordSize2) {
#if defined(__GNUC__)
            // Cards lie scattered over the heap once sorted: ask for the next ones early.
            if (k + 8 < n) {
                const char* ahead = deck.card(k + 8).index;
                for (int line = 0; line < RecordSize1; line += 64)
                    __builtin_prefetch(ahead + line);
            }
#endif
            const Card& card = deck.card(k);
            std::memcpy(out, card.index, Card::IndexSize);
            std::memcpy(out + Card::IndexSize, card.body, Card::BodySize);
            qToLittleEndian<qint32>(card.tag, out + RecordSize1);
        }
        const qint64 size = out - block.data();
        if (device.write(block.data(), size) != size)
            return false;
    }
    return true;
}

} // namespace DeckFile
