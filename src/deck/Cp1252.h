#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <string_view>

// Card texts are bytes of the Windows-1252 code page; these are the only conversions
// between them and what the user sees or types.
namespace Cp1252 {

QString decode(std::string_view bytes);
// Nothing when a character has no Windows-1252 byte: such input is refused, never stored as '?'.
std::optional<QByteArray> encode(QStringView text);
bool canEncode(QChar c);
// One byte as the character it stands for.
QChar toUnicode(unsigned char byte);

} // namespace Cp1252
