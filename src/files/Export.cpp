#include "Export.h"

#include "Profile.h"
#include "deck/Deck.h"
#include "deck/UserInterface.h"

#include <QSaveFile>

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

bool writeCards(const Deck& deck, QIODevice& device,
                void (*append)(std::string& out, const Card& card)) {
    std::string buffer;
    for (int k = 0, n = deck.count(); k < n; ++k) {
        append(buffer, deck.card(k));
        if ((k + 1) % CardsPerWrite == 0 || k + 1 == n) {
            const auto size = static_cast<qint64>(buffer.size());
            if (device.write(buffer.data(), size) != size)
                return false;
            buffer.clear();
        }
    }
    return true;
}

void exportDeck(const Deck& deck, UserInterface& ui, const Profile& profile,
                bool (*write)(const Deck&, QIODevice&)) {
    const auto path =
        ui.fileDialog(fileDialogRequest(FileDialogRequest::Kind::Save, QStringLiteral("Text Files"),
                                        QStringLiteral("txt"), profile));
    if (!path)
        return;
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || !write(deck, file) || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        ui.standardMessageBox(
            QStringLiteral("Cannot write the file \"%1\".\n%2").arg(*path, reason),
            MessageIcon::Stop);
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

bool writeText(const Deck& deck, QIODevice& device) {
    return writeCards(deck, device, appendCardTextBlock);
}

bool writeCommaDelimited(const Deck& deck, QIODevice& device) {
    return writeCards(deck, device, appendCommaDelimitedLine);
}

void ExportText(const Deck& deck, UserInterface& ui, const Profile& profile) {
    exportDeck(deck, ui, profile, writeText);
}

void ExportCommaDelimited(const Deck& deck, UserInterface& ui, const Profile& profile) {
    exportDeck(deck, ui, profile, writeCommaDelimited);
}

} // namespace Export
