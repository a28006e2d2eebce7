#include "Cp1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

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

bool canEncode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return true;
    return encode(QStringView(&c, 1)).has_value();
}

} // namespace Cp1252
