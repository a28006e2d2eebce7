#include "Cp1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace Cp1252 {

QString decode(std::string_view bytes) {
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<QByteArray> encode(QStringView text) {
    QStringEncoder encoder("windows-1252");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QChar toUnicode(unsigned char byte) {
    // Built once from Qt's converter, so one byte costs a table look-up.
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t{};
        char all[256];
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        const QString text = decode(std::string_view(all, 256));
        for (int b = 0; b < 256 && b < text.size(); ++b)
            t[static_cast<std::size_t>(b)] = text[b];
        return t;
    }();
    return table[byte];
}

bool canEncode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return true;
    return encode(QStringView(&c, 1)).has_value();
}

} // namespace Cp1252
