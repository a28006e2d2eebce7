#pragma once

#include "DeckHelpers.h"

#include <QByteArray>

#include <utility>
#include <vector>

// Card files of the "MGC" format, built byte by byte.
struct CardfileCard {
    QByteArray index;
    QByteArray text;
    QByteArray picture; // empty: no picture
};

inline QByteArray cardfile(const std::vector<CardfileCard>& cards) {
    QByteArray head = "MGC" + le16(static_cast<int>(cards.size()));
    QByteArray data;
    const qint64 dataStart = 5 + 52 * static_cast<qint64>(cards.size());
    for (const CardfileCard& c : cards) {
        head += QByteArray(6, '\0') + le32(dataStart + data.size()) + QByteArray(1, '\0');
        head += c.index.leftJustified(40, '\0', true) + QByteArray(1, '\0');
        if (c.picture.isEmpty()) {
            data += le16(0);
        } else {
            data += le16(static_cast<int>(c.picture.size())) + le16(16) + le16(12) + le16(2) +
                    le16(2) + c.picture;
        }
        data += le16(static_cast<int>(c.text.size())) + c.text;
    }
    return head + data;
}
