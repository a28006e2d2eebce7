#include "DeckFile.h"

#include "deck/Deck.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <bit>
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

// Fills every byte of the card from a record that is not laid out as a card.
void fillCard(Card& card, const char* record, bool withTag) {
    std::memcpy(card.index, record, Card::IndexSize);
    std::memcpy(card.body, record + Card::IndexSize, Card::BodySize);
    card.setTag(withTag ? qFromLittleEndian<qint32>(record + RecordSize1) : 0);
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
        // A version 2 record holds a card's bytes as the card does: the records are read
        // straight into the cards, a piece at a time, small enough to stay in the processor's
        // cache while its cards are tidied. Other records pass through a piece of their own.
        const bool direct = withTag && std::endian::native == std::endian::little;
        constexpr qint64 RecordsPerPiece = 448; // about 250 KB
        std::vector<char> piece(direct ? 0
                                       : static_cast<std::size_t>(RecordsPerPiece * recordSize));
        for (qint64 left = count; left > 0;) {
            const qint64 records = std::min(left, RecordsPerPiece);
            Card* cards = result.cards.appendUninitialized(static_cast<std::size_t>(records));
            char* to = direct ? reinterpret_cast<char*>(cards) : piece.data();
            const qint64 bytes = readFully(device, to, records * recordSize);
            if (bytes < 0 || bytes < records * recordSize) {
                // A device error, or a file shorter than its count says.
                result.status = bytes < 0 ? ReadStatus::ReadError : ReadStatus::NotADeck;
                result.cards = CardBlock();
                return result;
            }
            for (qint64 r = 0; r < records; ++r) {
                if (!direct)
                    fillCard(cards[r], piece.data() + r * recordSize, withTag);
                // A field without its terminator keeps the field's limit (41 or 511 bytes).
                cards[r].tidy();
            }
            left -= records;
        }
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

bool write(const Deck& deck, QIODevice& device) {
    const auto put = [&](const char* data, qint64 size) {
        return device.write(data, size) == size;
    };
    uchar header[HeaderSize];
    qToLittleEndian<quint32>(FormatVersion2, header);
    qToLittleEndian<qint32>(deck.count(), header + 4);
    if (!put(reinterpret_cast<const char*>(header), HeaderSize))
        return false;

    // A card holds its record's bytes: cards that lie one after another in memory, as those of
    // an opened file do, go out as they are, without a copy. The rest are gathered into blocks,
    // to keep the number of writes small.
    constexpr bool AsTheyAre = std::endian::native == std::endian::little;
    constexpr int RecordsPerBlock = 2048; // about 1 MB
    std::vector<char> block(static_cast<std::size_t>(RecordsPerBlock) * RecordSize2);
    char* out = block.data();
    const auto flush = [&] {
        const qint64 size = out - block.data();
        out = block.data();
        return size == 0 || put(block.data(), size);
    };
    const int n = deck.count();
    for (int k = 0; k < n;) {
        const Card* first = &deck.card(k);
        int run = 1;
        while (AsTheyAre && k + run < n && &deck.card(k + run) == first + run)
            ++run;
        if (run >= 64) {
            if (!flush() || !put(reinterpret_cast<const char*>(first), qint64(run) * RecordSize2))
                return false;
            k += run;
            continue;
        }
        for (const int end = k + run; k < end; ++k) {
#if defined(__GNUC__)
            // Cards lie scattered once sorted: ask for the next ones early.
            if (k + 8 < n) {
                const char* ahead = deck.card(k + 8).index;
                for (int line = 0; line < RecordSize2; line += 64)
                    __builtin_prefetch(ahead + line);
            }
#endif
            const Card& card = deck.card(k);
            std::memcpy(out, card.index, Card::IndexSize);
            std::memcpy(out + Card::IndexSize, card.body, Card::BodySize);
            qToLittleEndian<qint32>(card.tag(), out + RecordSize1);
            out += RecordSize2;
            if (out == block.data() + block.size() && !flush())
                return false;
        }
    }
    return flush();
}

} // namespace DeckFile
