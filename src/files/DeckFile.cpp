#include "DeckFile.h"

#include "FileStamp.h"
#include "deck/CardRing.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <vector>

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

std::size_t fieldLength(const char* field, std::size_t size) {
    // A field without its terminator keeps the field's limit (41 or 511 bytes).
    const void* zero = std::memchr(field, 0, size - 1);
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : size - 1;
}

// Hashes what is left of the device: the file's bytes are hashed whole.
bool hashRest(QIODevice& device, ContentHash* hash) {
    if (!hash)
        return true;
    std::vector<char> block(1 << 16);
    for (;;) {
        const qint64 got = device.read(block.data(), static_cast<qint64>(block.size()));
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        hash->add(block.data(), static_cast<std::size_t>(got));
    }
}

} // namespace

ReadResult read(QIODevice& device, ContentHash* hash) {
    ReadResult result;
    char header[HeaderSize];
    const qint64 got = readFully(device, header, HeaderSize);
    if (got < 0) {
        result.status = ReadStatus::ReadError;
        return result;
    }
    if (hash)
        hash->add(header, static_cast<std::size_t>(got));
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
        // Room for the longest texts: the memory a card does not use is never touched, and is
        // given back at the end.
        if (!device.isSequential())
            result.cards.reserveBytes(static_cast<std::size_t>(count) *
                                      (Card::HeaderSize + IndexField + BodyField - 2));
        // A piece at a time, small enough to stay in the processor's cache while its records
        // become cards.
        constexpr qint64 RecordsPerPiece = 448; // about 250 KB
        std::vector<char> piece(static_cast<std::size_t>(RecordsPerPiece * recordSize));
        for (qint64 left = count; left > 0;) {
            const qint64 records = std::min(left, RecordsPerPiece);
            const qint64 bytes = readFully(device, piece.data(), records * recordSize);
            if (bytes < 0 || bytes < records * recordSize) {
                // A device error, or a file shorter than its count says.
                result.status = bytes < 0 ? ReadStatus::ReadError : ReadStatus::NotADeck;
                result.cards = CardBlock();
                return result;
            }
            if (hash)
                hash->add(piece.data(), static_cast<std::size_t>(bytes));
            for (qint64 r = 0; r < records; ++r) {
                const char* record = piece.data() + r * recordSize;
                const std::string_view index(record, fieldLength(record, IndexField));
                const std::string_view body(record + IndexField,
                                            fieldLength(record + IndexField, BodyField));
                const std::int32_t tag =
                    withTag ? qFromLittleEndian<qint32>(record + RecordSize1) : 0;
                const std::size_t size = Card::HeaderSize + index.size() + body.size();
                Card::make(result.cards.room(size), index, body, tag);
                result.cards.addWritten(size, 1);
            }
            left -= records;
        }
        result.cards.shrink();
    }
    if (!hashRest(device, hash)) {
        result.status = ReadStatus::ReadError;
        result.cards = CardBlock();
        return result;
    }
    result.status = ReadStatus::Ok;
    return result;
}

std::optional<CardBlock> parse(QByteArrayView bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    ReadResult result = read(buffer);
    if (result.status != ReadStatus::Ok)
        return std::nullopt;
    return std::move(result.cards);
}

bool write(const CardRing& cards, QIODevice& device, const std::atomic<bool>* stop) {
    uchar header[HeaderSize];
    qToLittleEndian<quint32>(FormatVersion2, header);
    qToLittleEndian<qint32>(cards.count(), header + 4);
    if (device.write(reinterpret_cast<const char*>(header), HeaderSize) != HeaderSize)
        return false;

    // Records are laid out in a block that stays in the processor's cache, and the block goes
    // out in one write.
    constexpr int RecordsPerBlock = 2048; // about 1 MB
    std::vector<char> block(static_cast<std::size_t>(RecordsPerBlock) * RecordSize2);
    char* out = block.data();
    const auto flush = [&] {
        const qint64 size = out - block.data();
        out = block.data();
        if (stop && stop->load())
            return false;
        return size == 0 || device.write(block.data(), size) == size;
    };
    const int n = cards.count();
    for (int k = 0; k < n; ++k) {
#if defined(__GNUC__)
        // Cards lie scattered once sorted: ask for the next ones early.
        if (k + 8 < n) {
            const auto* ahead = reinterpret_cast<const char*>(&cards.card(k + 8));
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
        }
#endif
        const Card& card = cards.card(k);
        storeTextField(out, IndexField, card.indexText());
        storeTextField(out + IndexField, BodyField, card.bodyText());
        qToLittleEndian<qint32>(card.tag(), out + RecordSize1);
        out += RecordSize2;
        if (out == block.data() + block.size() && !flush())
            return false;
    }
    return flush();
}

} // namespace DeckFile
