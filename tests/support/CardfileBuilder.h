#pragma once

#include "DeckHelpers.h"

#include <QByteArray>

#include <utility>
#include <vector>

// Card files, built byte by byte: the "MGC" layout with pictures, and the later "RRG" layout
// with OLE 1.0 objects.
struct CardfileCard {
    QByteArray index;
    QByteArray text;
    QByteArray picture; // MGC: empty, no picture. RRG: the whole OLE object, empty for none.
};

inline QByteArray cardfileEntry(const QByteArray& index, qint64 offset) {
    return QByteArray(6, '\0') + le32(offset) + QByteArray(1, '\0') +
           index.leftJustified(40, '\0', true) + QByteArray(1, '\0');
}

inline QByteArray cardfile(const std::vector<CardfileCard>& cards) {
    QByteArray head = "MGC" + le16(static_cast<int>(cards.size()));
    QByteArray data;
    const qint64 dataStart = 5 + 52 * static_cast<qint64>(cards.size());
    for (const CardfileCard& c : cards) {
        head += cardfileEntry(c.index, dataStart + data.size());
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

inline QByteArray rrgCardfile(const std::vector<CardfileCard>& cards) {
    QByteArray head =
        "RRG" + le32(static_cast<qint64>(cards.size())) + le16(static_cast<int>(cards.size()));
    QByteArray data;
    const qint64 dataStart = 9 + 52 * static_cast<qint64>(cards.size());
    int id = 0;
    for (const CardfileCard& c : cards) {
        head += cardfileEntry(c.index, dataStart + data.size());
        if (c.picture.isEmpty()) {
            data += le16(0);
        } else {
            // Flag, object id, the object, then character size, a RECT and the object type.
            data += le16(1) + le32(++id) + c.picture + le16(8) + le16(16) + le16(0) + le16(0) +
                    le16(120) + le16(80) + le16(0);
        }
        data += le16(static_cast<int>(c.text.size())) + c.text;
    }
    return head + data;
}

// The parts of an OLE 1.0 object.
inline QByteArray oleString(const QByteArray& s) {
    return s.isEmpty() ? le32(0) : le32(s.size() + 1) + s + QByteArray(1, '\0');
}
inline QByteArray oleSized(const QByteArray& data) {
    return le32(data.size()) + data;
}
inline QByteArray oleHeader(int format, const QByteArray& className) {
    return le32(0x0501) + le32(format) + oleString(className);
}
// A metafile picture: width, height, then its size, four reserved words and the data.
inline QByteArray oleMetafileBody(const QByteArray& data) {
    return le32(100) + le32(-60) + oleSized(QByteArray(8, '\x11') + data);
}
inline QByteArray oleStatic(const QByteArray& data) {
    return oleHeader(3, "METAFILEPICT") + oleMetafileBody(data);
}
inline QByteArray oleEmbedded(const QByteArray& native, const QByteArray& picture) {
    return oleHeader(2, "PBrush") + oleString("") + oleString("item") + oleSized(native) +
           oleHeader(5, "METAFILEPICT") + oleMetafileBody(picture);
}
// Linked, with a presentation in a clipboard format of its own, named.
inline QByteArray oleLinked(const QByteArray& file, const QByteArray& picture) {
    return oleHeader(1, "Package") + oleString(file) + oleString("") +
           oleString("\\\\server\\share") + le32(0) + le32(1) + oleHeader(5, "Package") + le32(0) +
           oleSized("Native Picture") + oleSized(picture);
}
