#include "Converter.h"

#include "CardfileReader.h"
#include "DeckFile.h"
#include "Export.h"
#include "FileNames.h"
#include "FileReading.h"
#include "SafeWrite.h"
#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "deck/Transcode.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <optional>

namespace Converter {

namespace {

const char* const Usage =
    "Usage: quorix-convert [--codepage N] [--utf8 | --unicode] [--lossy] IN OUT\n"
    "       quorix-convert [--codepage N] --list IN\n"
    "\n"
    "Converts Quorix deck files and old card files.\n"
    "\n"
    "  IN   a Quorix deck file (.qrx: a Unicode deck, or one of a code page) or an old\n"
    "       card file (.crd, of the \"MGC\" or the later \"RRG\" layout); the file's\n"
    "       contents say which\n"
    "  OUT  by its extension:\n"
    "       .qrx  a Quorix deck file\n"
    "       .txt  plain text: each card's index, its body and a separator line\n"
    "       .csv  comma-delimited text: one line per card, index and body\n"
    "\n"
    "  --codepage N  the Windows code page of a deck or card file that is not a\n"
    "             Unicode deck: 874, 932, 936, 949, 950 or 1250 to 1258 (default\n"
    "             1252); a .qrx OUT is a deck of that code page unless --unicode\n"
    "  --utf8     writes .txt and .csv in UTF-8 instead of IN's code page (a\n"
    "             Unicode deck's are always UTF-8)\n"
    "  --unicode  writes a .qrx OUT as a Unicode deck, which Quorix 1.0 and other\n"
    "             older programs cannot open\n"
    "  --lossy    writes a Unicode deck to a code page even when cards lose\n"
    "             characters the code page cannot hold (without it, nothing is\n"
    "             written and the cards are named)\n"
    "  --list IN  prints the indexes of IN, one per line, in UTF-8\n"
    "  --help     shows this text\n"
    "  --version  shows the version\n"
    "\n"
    "The cards come out in the order Quorix shows them after opening IN: sorted by\n"
    "index, the first card in front. An existing OUT is replaced only when the whole\n"
    "output has been written, keeps its owner, group, permissions and attributes, and\n"
    "is never written when it is read-only; a damaged or unknown IN never produces an\n"
    "OUT, and OUT may not be IN itself. Pictures and objects in card files are not\n"
    "converted.\n"
    "Texts are kept as the bytes the files hold; a text longer than a card holds\n"
    "(511 bytes) is shortened, and quorix-convert says so.\n";

// At most this many cards are named when cards lose characters.
constexpr int NamedCards = 10;

struct Failure {
    QString file;
    QString reason;
};

QString extensionOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

QString countOf(int n, const char* what) {
    return QString::number(n) + u' ' + QString::fromLatin1(what) +
           (n == 1 ? QString() : QStringLiteral("s"));
}

std::optional<Failure> readCardFile(QFile& file, const QString& path, Deck& deck,
                                    const CharacterSet& characterSet, QTextStream& err) {
    CardfileReader::Result result = CardfileReader::read(file, characterSet);
    switch (result.status) {
    case CardfileReader::Status::Ok:
        break;
    case CardfileReader::Status::UnicodeCardFile:
        return Failure{
            path,
            QStringLiteral("This card file is of the Unicode kind, which Quorix cannot read.")};
    case CardfileReader::Status::ReadError:
        return Failure{path, file.errorString()};
    case CardfileReader::Status::NotACardFile:
        return Failure{path, QStringLiteral("not a card file")};
    }
    if (result.damaged()) {
        QStringList parts;
        if (result.missingCards > 0)
            parts << countOf(result.missingCards, "card") + QStringLiteral(" cut off");
        if (result.shortCards > 0)
            parts << countOf(result.shortCards, "card") + QStringLiteral(" with text lost");
        return Failure{path,
                       QStringLiteral("damaged card file: ") + parts.join(QStringLiteral(", "))};
    }
    if (result.pictures > 0)
        err << "quorix-convert: " << FileNames::display(path) << ": "
            << countOf(result.pictures, "card") << " had a picture or object, left out\n";
    if (result.shortenedTexts > 0)
        err << "quorix-convert: " << FileNames::display(path) << ": "
            << countOf(result.shortenedTexts, "card")
            << " had a text longer than a card holds, or cut at a zero byte, and were "
               "shortened\n";
    deck.appendCards(std::move(result.cards));
    return std::nullopt;
}

// Reads IN into the deck in the order the program shows it, whatever its name says; a
// failure explains itself. *unicode tells a Unicode deck from one of characterSet.
std::optional<Failure> readInput(const QString& path, Deck& deck, const CharacterSet& characterSet,
                                 bool* unicode, QTextStream& err) {
    *unicode = false;
    QFile file;
    QString error;
    if (!openForReading(file, path, &error))
        return Failure{path, error};
    const QByteArray head = file.peek(4);
    if (CardfileReader::recognise(head) != CardfileReader::Status::NotACardFile) {
        if (auto failure = readCardFile(file, path, deck, characterSet, err))
            return failure;
    } else {
        DeckFile::ReadResult read = DeckFile::read(file);
        if (read.status == DeckFile::ReadStatus::ReadError)
            return Failure{path, file.errorString()};
        if (read.status == DeckFile::ReadStatus::Damaged)
            return Failure{path, QStringLiteral("damaged deck file: card %1: %2")
                                     .arg(QString::number(read.damagedCard), read.damage)};
        if (read.status != DeckFile::ReadStatus::Ok)
            return Failure{path, extensionOf(path) == QLatin1String("crd")
                                     ? QStringLiteral("not a card file")
                                     : QStringLiteral("not a Quorix deck file or a card file, "
                                                      "or damaged")};
        *unicode = read.format == DeckFile::FormatVersion3;
        deck.appendCards(std::move(read.cards));
    }
    deck.setIndexOrder(*unicode ? CharacterSet::unicode().indexOrder() : characterSet.indexOrder());
    deck.SortByIndex();
    return std::nullopt;
}

// The deck's cards in another set, in that set's order; cards that lose characters are
// named on err, and without lossy nothing comes back.
std::optional<Failure> convertDeck(const QString& out, Deck& deck, const CharacterSet& from,
                                   const CharacterSet& to, bool lossy, QTextStream& err) {
    Transcode::Result result = Transcode::cards(deck.cards(), from, to);
    if (!result.lossy.empty()) {
        QStringList names;
        for (int k : result.lossy) {
            if (names.size() == NamedCards) {
                names << QStringLiteral("...");
                break;
            }
            names << u'"' + from.decode(deck.card(k).indexText()) + u'"';
        }
        const int n = static_cast<int>(result.lossy.size());
        const QString what =
            QStringLiteral("%1 %2 characters in %3: %4")
                .arg(countOf(n, "card"), n == 1 ? QStringLiteral("loses") : QStringLiteral("lose"),
                     to.name(), names.join(QStringLiteral(", ")));
        if (!lossy)
            return Failure{out, what + QStringLiteral("; nothing was written (--lossy writes it "
                                                      "all the same)")};
        err << "quorix-convert: " << FileNames::display(out) << ": " << what << '\n';
    }
    deck.RemoveAllCards();
    deck.appendCards(std::move(result.cards));
    deck.setIndexOrder(to.indexOrder());
    deck.SortByIndex();
    return std::nullopt;
}

std::optional<Failure> writeOutput(const QString& path, const Deck& deck,
                                   const CharacterSet& characterSet, bool utf8) {
    const QString ext = extensionOf(path);
    const Export::Encoding encoding =
        utf8 ? Export::Encoding::Utf8 : Export::Encoding::DeckCharacterSet;
    std::function<bool(QIODevice&)> write;
    if (ext == QLatin1String("qrx") && !utf8)
        write = [&](QIODevice& d) {
            return DeckFile::write(deck, d, nullptr,
                                   characterSet.isUnicode() ? DeckFile::FormatVersion3
                                                            : DeckFile::FormatVersion2);
        };
    else if (ext == QLatin1String("txt"))
        write = [&](QIODevice& d) { return Export::writeText(deck, d, characterSet, encoding); };
    else if (ext == QLatin1String("csv"))
        write = [&](QIODevice& d) {
            return Export::writeCommaDelimited(deck, d, characterSet, encoding);
        };
    else if (ext == QLatin1String("qrx"))
        return Failure{path, QStringLiteral("--utf8 applies to .txt and .csv only")};
    else
        return Failure{path, QStringLiteral("unknown output type (use .qrx, .txt or .csv)")};
    // Over an existing file, the same care as a save: the file stays what it was.
    const SafeWrite::Result written = SafeWrite::writeFile(path, write);
    switch (written.failure) {
    case SafeWrite::Failure::None:
        return std::nullopt;
    case SafeWrite::Failure::ReadOnly:
        return Failure{path, QStringLiteral("read-only: ") + written.reason};
    case SafeWrite::Failure::WouldLoseAttributes:
        return Failure{path, QStringLiteral("it could not be written and keep %1; nothing was "
                                            "written")
                                 .arg(written.reason)};
    default:
        return Failure{path, written.reason};
    }
}

int fail(QTextStream& err, const Failure& failure) {
    err << "quorix-convert: " << FileNames::display(failure.file) << ": " << failure.reason << '\n';
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
    if (arguments.contains(QLatin1String("--version"))) {
        out << "quorix-convert " << QUORIX_VERSION << '\n';
        out.flush();
        return 0;
    }
    QStringList args;
    bool utf8 = false;
    bool unicodeOut = false;
    bool lossy = false;
    bool list = false;
    bool usage = false;
    int codePage = 1252;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--utf8"))
            utf8 = true;
        else if (a == QLatin1String("--unicode"))
            unicodeOut = true;
        else if (a == QLatin1String("--lossy"))
            lossy = true;
        else if (a == QLatin1String("--list"))
            list = true;
        else if (a == QLatin1String("--codepage") && i + 1 < arguments.size())
            codePage = arguments[++i].toInt();
        else if (a.startsWith(QLatin1String("--codepage=")))
            codePage = a.mid(11).toInt();
        else if (a.startsWith(u'-') && a.size() > 1)
            usage = true;
        else
            args << a;
    }
    if (usage || (utf8 && unicodeOut) ||
        (list ? args.size() != 1 || utf8 || unicodeOut || lossy : args.size() != 2)) {
        err << Usage;
        err.flush();
        return 2;
    }
    if (!CharacterSet::isSupported(codePage) || codePage == CharacterSet::Unicode) {
        std::vector<int> pages = CharacterSet::codePages();
        std::sort(pages.begin(), pages.end());
        QStringList known;
        for (int c : pages)
            known << QString::number(c);
        err << "quorix-convert: no such code page; use one of " << known.join(QStringLiteral(", "))
            << '\n';
        err.flush();
        return 2;
    }
    const QString& in = args[0];
    if (!list && FileNames::sameFile(in, args[1]))
        return fail(err,
                    {args[1], QStringLiteral("is the input file itself; nothing was written")});
    const CharacterSet codePageSet = CharacterSet::forCodePage(codePage);
    Deck deck;
    bool unicode = false;
    if (auto failure = readInput(in, deck, codePageSet, &unicode, err))
        return fail(err, *failure);
    CharacterSet characterSet = unicode ? CharacterSet::unicode() : codePageSet;
    if (list) {
        for (int k = 0; k < deck.count(); ++k)
            out << characterSet.decode(deck.card(k).indexText()) << '\n';
        out.flush();
        return 0;
    }
    const QString& output = args[1];
    if (unicodeOut && extensionOf(output) != QLatin1String("qrx"))
        return fail(err, {output, QStringLiteral("--unicode applies to .qrx only")});
    // A deck comes out a Unicode deck with --unicode, otherwise a deck of the code page.
    if (extensionOf(output) == QLatin1String("qrx") && unicodeOut != unicode) {
        const CharacterSet to = unicodeOut ? CharacterSet::unicode() : codePageSet;
        if (auto failure = convertDeck(output, deck, characterSet, to, lossy, err))
            return fail(err, *failure);
        characterSet = to;
    }
    if (auto failure = writeOutput(output, deck, characterSet, utf8))
        return fail(err, *failure);
    err.flush();
    return 0;
}

} // namespace Converter
