#include "DeckFile.h"

#include "FileStamp.h"
#include "deck/CardRing.h"
#include "deck/UnicodeText.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
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

// What is wrong with a version 3 record's text; nothing when it is a card's text.
std::optional<QString> textDamage(std::string_view text, bool index) {
    if (std::memchr(text.data(), 0, text.size()))
        return QStringLiteral("it holds a zero byte");
    if (index && std::any_of(text.begin(), text.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return QStringLiteral("its index holds a control character");
    if (!UnicodeText::isValid(text))
        return index ? QStringLiteral("its index is not UTF-8")
                     : QStringLiteral("its text is not UTF-8");
    return std::nullopt;
}

// Version 3: the records are read into the cards' own memory as they lie in the file, and
// then checked; a deck of short cards costs the memory of its file.
void readVersion3(QIODevice& device, qint32 count, ContentHash* hash, ReadResult& result) {
    const auto damaged = [&](qint64 card, const QString& what) {
        result.status = ReadStatus::Damaged;
        result.damagedCard = static_cast<int>(std::min<qint64>(card, INT_MAX));
        result.damage = what;
        result.cards = CardBlock();
    };
    // The rest of the file, a piece at a time, into the block.
    std::size_t size = 0;
    constexpr std::size_t Piece = 1 << 20;
    if (!device.isSequential())
        result.cards.reserveBytes(
            static_cast<std::size_t>(std::max<qint64>(0, device.size() - device.pos())) + Piece);
    for (;;) {
        char* to = result.cards.room(Piece);
        const qint64 got = readFully(device, to, static_cast<qint64>(Piece));
        if (got < 0) {
            result.status = ReadStatus::ReadError;
            result.cards = CardBlock();
            return;
        }
        if (hash)
            hash->add(to, static_cast<std::size_t>(got));
        size += static_cast<std::size_t>(got);
        // Counted in as bytes only: the cards are counted once checked.
        result.cards.addWritten(static_cast<std::size_t>(got), 0);
        if (got < static_cast<qint64>(Piece))
            break;
    }
    const char* bytes = result.cards.data();
    std::size_t at = 0;
    std::vector<std::uint32_t> starts;
    const bool noteStarts = size <= UINT32_MAX;
    // Every card takes at least its header, so a damaged count reserves no more than the
    // file could hold.
    if (noteStarts)
        starts.reserve(
            std::min(static_cast<std::size_t>(std::max(0, count)), size / Card::HeaderSize + 1));
    for (qint64 card = 1; card <= count; ++card) {
        if (noteStarts)
            starts.push_back(static_cast<std::uint32_t>(at));
        if (size - at < Card::HeaderSize)
            return damaged(card, QStringLiteral("the file ends before it"));
        const Card& c = *Card::at(bytes + at);
        if (c.size() > size - at)
            return damaged(card, QStringLiteral("the file ends inside it"));
        if (c.indexText().size() > Card::MaxIndexBytes)
            return damaged(card, QStringLiteral("its index is longer than an index can be"));
        // The index and the body lie side by side: checked in one pass, and where the body
        // begins a character must begin.
        const std::string_view index = c.indexText();
        const std::string_view body = c.bodyText();
        const bool clean = UnicodeText::isValidWithoutZero(
                               std::string_view(index.data(), index.size() + body.size())) &&
                           (body.empty() || (static_cast<unsigned char>(body[0]) & 0xC0) != 0x80) &&
                           std::none_of(index.begin(), index.end(), [](char b) {
                               return static_cast<unsigned char>(b) < 0x20;
                           });
        if (!clean) {
            if (auto what = textDamage(index, true))
                return damaged(card, *what);
            if (auto what = textDamage(body, false))
                return damaged(card, *what);
        }
        at += c.size();
    }
    if (at != size)
        return damaged(count + 1, QStringLiteral("the file runs on after its last card"));
    result.cards.countIn(static_cast<std::size_t>(std::max(0, count)));
    result.cards.shrink();
    result.cards.noteStarts(std::move(starts));
    result.status = ReadStatus::Ok;
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
    if ((format != FormatVersion1 && format != FormatVersion2 && format != FormatVersion3) ||
        got < HeaderSize)
        return result;
    result.format = format;
    const qint32 count = qFromLittleEndian<qint32>(header + 4);
    if (format == FormatVersion3) {
        readVersion3(device, count, hash, result);
        return result;
    }
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

qint64 fileSize(const CardRing& cards, quint32 format) {
    if (format != FormatVersion3)
        return fileSize(cards.count());
    return HeaderSize + static_cast<qint64>(cards.byteSize());
}

namespace {

// Version 3: each card's record is the card itself.
bool writeVersion3(const CardRing& cards, QIODevice& device, const std::atomic<bool>* stop) {
    constexpr std::size_t BlockSize = 1 << 20;
    std::vector<char> block;
    block.reserve(BlockSize + Card::HeaderSize + Card::MaxIndexBytes + Card::MaxBodyBytes);
    const auto flush = [&] {
        if (stop && stop->load())
            return false;
        const auto size = static_cast<qint64>(block.size());
        const bool written = size == 0 || device.write(block.data(), size) == size;
        block.clear();
        return written;
    };
    for (int k = 0, n = cards.count(); k < n; ++k) {
#if defined(__GNUC__)
        // Cards lie scattered once sorted: ask for the next ones early.
        if (k + 8 < n) {
            const auto* ahead = reinterpret_cast<const char*>(&cards.card(k + 8));
            __builtin_prefetch(ahead);
            __builtin_prefetch(ahead + 64);
            __builtin_prefetch(ahead + 128);
        }
#endif
        const Card& card = cards.card(k);
        const char* record = reinterpret_cast<const char*>(&card);
        block.insert(block.end(), record, record + card.size());
        if (block.size() >= BlockSize && !flush())
            return false;
    }
    return flush();
}

} // namespace

bool write(const CardRing& cards, QIODevice& device, const std::atomic<bool>* stop,
           quint32 format) {
    uchar header[HeaderSize];
    qToLittleEndian<quint32>(format == FormatVersion3 ? FormatVersion3 : FormatVersion2, header);
    qToLittleEndian<qint32>(cards.count(), header + 4);
    if (device.write(reinterpret_cast<const char*>(header), HeaderSize) != HeaderSize)
        return false;
    if (format == FormatVersion3)
        return writeVersion3(cards, device, stop);

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
