#include "Cp1252.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace Cp1252 {

namespace {

// Both directions of the code page, built once from Qt's converter: afterwards a character
// costs a table look-up, which matters for lists of a hundred thousand indexes.
struct Tables {
    std::array<QChar, 256> toUnicode{};
    QHash<char16_t, char> fromUnicode;

    Tables() {
        char all[256];
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        QStringDecoder decoder("windows-1252");
        const QString text = decoder.decode(QByteArrayView(all, 256));
        for (int b = 0; b < 256 && b < text.size(); ++b) {
            toUnicode[static_cast<std::size_t>(b)] = text[b];
            fromUnicode.insert(text[b].unicode(), static_cast<char>(b));
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

QString decode(std::string_view bytes) {
    const auto& map = tables().toUnicode;
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes)
        *out++ = map[static_cast<unsigned char>(c)];
    return text;
}

std::optional<QByteArray> encode(QStringView text) {
    const auto& map = tables().fromUnicode;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (QChar c : text) {
        const auto it = map.constFind(c.unicode());
        if (it == map.cend())
            return std::nullopt;
        *out++ = *it;
    }
    return bytes;
}

QChar toUnicode(unsigned char byte) {
    return tables().toUnicode[byte];
}

bool canEncode(QChar c) {
    return tables().fromUnicode.contains(c.unicode());
}

} // namespace Cp1252
