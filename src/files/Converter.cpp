#include "Converter.h"

#include "CardfileReader.h"
#include "DeckFile.h"
#include "Export.h"
#include "FileBytes.h"
#include "deck/Cp1252.h"
#include "deck/Deck.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace Converter {

namespace {

const char* const Usage =
    "Usage: quorix-convert IN OUT\n"
    "       quorix-convert --list IN\n"
    "\n"
    "Converts Quorix deck files and old card files by their file extensions.\n"
    "\n"
    "  IN   a card file (.crd, the \"MGC\" format) or a Quorix deck file (.qrx)\n"
    "  OUT  .qrx  a Quorix deck file\n"
    "       .txt  plain text: each card's index, its body and a separator line\n"
    "       .csv  comma-delimited text: one line per card, index and body\n"
    "\n"
    "  --list IN  prints the indexes of IN, one per line\n"
    "  --help     shows this text\n"
    "\n"
    "The cards come out in the order Quorix shows them after opening IN: sorted by\n"
    "index, the first card in front. An existing OUT is replaced only when the whole\n"
    "output has been written; a damaged or unknown IN never produces an OUT.\n"
    "Texts are kept as the bytes of the Windows-1252 code page that the files hold.\n";

struct Failure {
    QString file;
    QString reason;
};

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

// Reads IN into the deck in the order the program shows it; a failure explains itself.
std::optional<Failure> readInput(const QString& path, Deck& deck) {
    const QString ext = extensionOf(path);
    if (ext != QLatin1String("crd") && ext != QLatin1String("qrx"))
        return Failure{path, QStringLiteral("unknown input type (use .crd or .qrx)")};
    if (ext == QLatin1String("qrx")) {
        QFile file;
        QString error;
        if (!openForReading(file, path, &error))
            return Failure{path, error};
        DeckFile::ReadResult read = DeckFile::read(file);
        if (read.status == DeckFile::ReadStatus::ReadError)
            return Failure{path, file.errorString()};
        if (read.status != DeckFile::ReadStatus::Ok)
            return Failure{path, QStringLiteral("not a Quorix deck file, or damaged")};
        deck.appendCards(std::move(read.cards));
    } else {
        FileBytes file;
        if (!file.open(path))
            return Failure{path, file.errorString()};
        auto result = CardfileReader::parse(file.bytes());
        if (!result)
            return Failure{path, QStringLiteral("not a card file of the \"MGC\" format")};
        if (result->damaged())
            return Failure{path, QStringLiteral("damaged card file: %1 of its cards are cut off")
                                     .arg(result->missingCards + result->shortCards)};
        deck.appendCards(std::move(result->cards));
    }
    deck.SortByIndex();
    return std::nullopt;
}

std::optional<Failure> writeOutput(const QString& path, const Deck& deck) {
    const QString ext = extensionOf(path);
    bool (*write)(const Deck&, QIODevice&) = nullptr;
    if (ext == QLatin1String("qrx"))
        write = DeckFile::write;
    else if (ext == QLatin1String("txt"))
        write = Export::writeText;
    else if (ext == QLatin1String("csv"))
        write = Export::writeCommaDelimited;
    else
        return Failure{path, QStringLiteral("unknown output type (use .qrx, .txt or .csv)")};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !write(deck, file) || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failure{path, reason};
    }
    return std::nullopt;
}

int fail(QTextStream& err, const Failure& failure) {
    err << "quorix-convert: " << failure.file << ": " << failure.reason << '\n';
    err.flush();
    return 1;
}

} // namespace

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        out << Usage;
        out.flush();
        return 0;
    }
    const bool list = arguments.size() == 2 && arguments[0] == QLatin1String("--list");
    if (arguments.size() != 2 || (!list && arguments[0].startsWith(u'-'))) {
        err << Usage;
        err.flush();
        return 2;
    }
    Deck deck;
    if (auto failure = readInput(arguments[list ? 1 : 0], deck))
        return fail(err, *failure);
    if (list) {
        for (int k = 0; k < deck.count(); ++k)
            out << Cp1252::decode(deck.card(k).indexText()) << '\n';
        out.flush();
        return 0;
    }
    if (auto failure = writeOutput(arguments[1], deck))
        return fail(err, *failure);
    return 0;
}

} // namespace Converter
