#include "Export.h"

#include "FileNames.h"
#include "PathParts.h"
#include "Profile.h"
#include "SafeWrite.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "ports/UserInterface.h"

#include <QFileInfo>
#include <QIODevice>

namespace Export {

namespace {

constexpr std::size_t SoftLineLength = 60;
constexpr int CardsPerWrite = 512;

// Text files have CR LF line ends on every platform.
void appendWithCrLf(std::string& out, std::string_view text) {
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
}

bool writeCards(const Deck& deck, QIODevice& device, const CharacterSet& characterSet,
                Encoding encoding, void (*append)(std::string& out, const Card& card)) {
    std::string buffer;
    for (int k = 0, n = deck.count(); k < n; ++k) {
        append(buffer, deck.card(k));
        if ((k + 1) % CardsPerWrite == 0 || k + 1 == n) {
            const QByteArray bytes =
                encoding == Encoding::Utf8
                    ? characterSet.decode(buffer).toUtf8()
                    : QByteArray::fromRawData(buffer.data(), static_cast<qsizetype>(buffer.size()));
            if (device.write(bytes) != bytes.size())
                return false;
            buffer.clear();
        }
    }
    return true;
}

using Writer = bool (*)(const Deck&, QIODevice&, const CharacterSet&, Encoding);

// The kind of file an export writes: its name in the dialog and its extension.
struct Kind {
    QString description;
    QString suffix;
};

void exportDeck(const Deck& deck, const CharacterSet& characterSet, UserInterface& ui,
                const Profile& profile, const QString& deckPath, const QString& title,
                const Kind& kind, Writer write) {
    // The field starts with the deck's name as a file of the kind; an untitled deck has none.
    const QString deckName = PathParts::fileName(deckPath);
    FileDialogRequest request = fileDialogRequest(
        FileDialogRequest::Kind::Save, title, kind.description, kind.suffix, profile,
        deckName.isEmpty() ? QString()
                           : QFileInfo(deckName).completeBaseName() + u'.' + kind.suffix);
    // The deck's own character set, and the same layout in UTF-8.
    request.filter = QStringLiteral("%1, %2 (*.%3) |*.%3|%1, UTF-8 (*.%3) |*.%3||")
                         .arg(kind.description, characterSet.name(), kind.suffix);
    int chosen = 0;
    request.chosenFilter = &chosen;
    const auto path = ui.fileDialog(request);
    if (!path)
        return;
    const Encoding encoding = chosen == 1 ? Encoding::Utf8 : Encoding::DeckCharacterSet;
    // Over an existing file, the same care as a save: the file stays what it was, and one the
    // user may not write is never replaced.
    SafeWrite::Options options;
    for (;;) {
        const SafeWrite::Result written = SafeWrite::writeFile(
            *path, [&](QIODevice& device) { return write(deck, device, characterSet, encoding); },
            options);
        const QString name = FileNames::display(*path);
        switch (written.failure) {
        case SafeWrite::Failure::None:
            return;
        case SafeWrite::Failure::WouldLoseAttributes:
            if (ui.choiceBox(QStringLiteral("Quorix cannot write the file \"%1\" and keep what "
                                            "it has: %2.\nIts old contents cannot be kept safe "
                                            "while it is written: %3\n\nWrite it all the same?")
                                 .arg(name, written.reason, written.detail),
                             QStringLiteral("Quorix"), MessageIcon::Exclamation,
                             {QStringLiteral("&Write"), QStringLiteral("Cancel")}, 1) != 0)
                return;
            options.mayLoseAttributes = true;
            continue;
        case SafeWrite::Failure::ReadOnly:
            ui.standardMessageBox(
                QStringLiteral("The file \"%1\" is read-only: Quorix may not write to it.")
                    .arg(name));
            return;
        default:
            ui.standardMessageBox(
                QStringLiteral("Cannot write the file \"%1\".\n%2").arg(name, written.reason),
                MessageIcon::Stop);
            return;
        }
    }
}

} // namespace

std::vector<std::string> BreakBodyLines(std::string_view body) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\r') {
            line += '\n';
            lines.push_back(std::move(line));
            line.clear();
            // The LF of a CR LF pair; a lone CR keeps the byte after it.
            if (i + 1 < body.size() && body[i + 1] == '\n')
                ++i;
            continue;
        }
        line += c;
        if (line.size() >= SoftLineLength && c == ' ') {
            line += '\n';
            lines.push_back(std::move(line));
            line.clear();
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

void appendCardTextBlock(std::string& out, const Card& card) {
    appendWithCrLf(out, card.indexText());
    out += "\r\n";
    for (const std::string& line : BreakBodyLines(card.bodyText()))
        appendWithCrLf(out, line);
    out += "\r\n";
    out += std::string(60, '-');
    out += "\r\n\r\n";
}

void appendCommaDelimitedLine(std::string& out, const Card& card) {
    out += card.indexText();
    out += ',';
    const std::size_t start = out.size();
    const std::string_view body = card.bodyText();
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\n') {
            out += ' ';
            // The CR of a CR LF pair goes with it.
            if (i > 0 && body[i - 1] == '\r')
                out[start + i - 1] = ' ';
        } else {
            out += c == ',' ? ' ' : c;
        }
    }
    out += '\n';
}

bool writeText(const Deck& deck, QIODevice& device, const CharacterSet& characterSet,
               Encoding encoding) {
    return writeCards(deck, device, characterSet, encoding, appendCardTextBlock);
}

bool writeCommaDelimited(const Deck& deck, QIODevice& device, const CharacterSet& characterSet,
                         Encoding encoding) {
    return writeCards(deck, device, characterSet, encoding, appendCommaDelimitedLine);
}

void ExportText(const Deck& deck, const CharacterSet& characterSet, UserInterface& ui,
                const Profile& profile, const QString& deckPath) {
    exportDeck(deck, characterSet, ui, profile, deckPath, QStringLiteral("Export Text File"),
               {QStringLiteral("Text Files"), QStringLiteral("txt")}, writeText);
}

void ExportCommaDelimited(const Deck& deck, const CharacterSet& characterSet, UserInterface& ui,
                          const Profile& profile, const QString& deckPath) {
    // Comma-separated values, by name too, so that the desktop opens them as such.
    exportDeck(
        deck, characterSet, ui, profile, deckPath, QStringLiteral("Export Comma Delimited Text"),
        {QStringLiteral("Comma-Separated Values"), QStringLiteral("csv")}, writeCommaDelimited);
}

} // namespace Export
