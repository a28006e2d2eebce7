#include "DeckFile.h"

#include "deck/Deck.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace DeckFile {

std::optional<std::vector<std::unique_ptr<Card>>> parse(QByteArrayView bytes) {
    if (bytes.size() < 4)
        return std::nullopt;
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const quint32 format = qFromLittleEndian<quint32>(data);
    if (format != FormatVersion1 && format != FormatVersion2)
        return std::nullopt;
    if (bytes.size() < HeaderSize)
        return std::nullopt;
    const qint32 count = qFromLittleEndian<qint32>(data + 4);
    std::vector<std::unique_ptr<Card>> cards;
    if (count <= 0)
        return cards;

    const qint64 recordSize = format == FormatVersion2 ? RecordSize2 : RecordSize1;
    // Checked before anything is allocated: a damaged count cannot make us read past the end.
    if ((bytes.size() - HeaderSize) / recordSize < count)
        return std::nullopt;

    cards.reserve(static_cast<std::size_t>(count));
    const uchar* record = data + HeaderSize;
    for (qint32 i = 0; i < count; ++i, record += recordSize) {
        auto card = std::make_unique<Card>();
        // A field without its terminator keeps the field's limit (41 or 511 bytes).
        const auto* text = reinterpret_cast<const char*>(record);
        card->setIndex(std::string_view(text, Card::IndexSize));
        card->setBody(std::string_view(text + Card::IndexSize, Card::BodySize));
        if (format == FormatVersion2)
            card->tag = qFromLittleEndian<qint32>(record + RecordSize1);
        cards.push_back(std::move(card));
    }
    return cards;
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
