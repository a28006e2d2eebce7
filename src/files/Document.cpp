#include "Document.h"

#include "CardfileReader.h"
#include "DeckFile.h"
#include "FileNames.h"
#include "FileReading.h"
#include "PathParts.h"
#include "Profile.h"
#include "SafeWrite.h"
#include "deck/Deck.h"
#include "session/CommandBinder.h"

#include <QFileInfo>

namespace {

const QString ErrorCaption = QStringLiteral("Quorix Error...");

QString plural(int n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

// What a damaged card file lost, or empty when nothing was.
QString importWarning(const CardfileReader::Result& r) {
    QStringList lines;
    if (r.missingCards > 0)
        lines << plural(r.missingCards, "card was cut off the end of the file and is missing.",
                        "cards were cut off the end of the file and are missing.");
    if (r.shortCards > 0)
        lines << plural(r.shortCards, "card lost its text, or part of it.",
                        "cards lost their text, or part of it.");
    if (r.pictures > 0)
        lines << plural(r.pictures, "card had a picture or object, which is not imported.",
                        "cards had a picture or object, which are not imported.");
    if (lines.isEmpty())
        return {};
    return (r.damaged() ? QStringLiteral("This card file is damaged.\n")
                        : QStringLiteral("Not everything in this card file came in.\n")) +
           lines.join(u'\n');
}

enum class FileKind { Unreadable, Deck, CardFile, Other };

// What a file is, by its first bytes, not by its name.
FileKind kindOf(const QString& path) {
    QFile file;
    if (!openForReading(file, path))
        return FileKind::Unreadable;
    const QByteArray head = file.read(4);
    if (head.size() == 4 && head.endsWith(QByteArray("\xaa\0\0", 3)) &&
        (head[0] == '\xaa' || head[0] == '\xab'))
        return FileKind::Deck;
    if (CardfileReader::recognise(head) != CardfileReader::Status::NotACardFile)
        return FileKind::CardFile;
    return FileKind::Other;
}

} // namespace

Document::Document(Deck& deck, UserInterface& ui, Profile& profile)
    : m_deck(deck)
    , m_ui(ui)
    , m_profile(profile) {}

QString Document::title() const {
    return m_filePath.isEmpty() ? QStringLiteral("Quorix - Untitled")
                                : QStringLiteral("Quorix - %1").arg(FileNames::display(m_filePath));
}

void Document::setFilePath(const QString& path) {
    m_filePath = path;
    m_ui.setTitle(title());
    Q_EMIT fileChanged();
}

void Document::setImported(bool imported) {
    if (m_imported == imported)
        return;
    m_imported = imported;
    Q_EMIT fileChanged();
}

void Document::fileError(const QString& text) {
    m_ui.messageBox(text, ErrorCaption, MessageIcon::Stop, MessageButtons::Ok);
}

std::optional<Document::Cards> Document::readDeckFile(const QString& path) {
    QFile file;
    if (!openForReading(file, path)) {
        fileError(QStringLiteral("File Error - \"%1\"").arg(FileNames::display(path)));
        return std::nullopt;
    }
    DeckFile::ReadResult read = DeckFile::read(file);
    if (read.status == DeckFile::ReadStatus::ReadError) {
        fileError(QStringLiteral("File Error - \"%1\"\n%2")
                      .arg(FileNames::display(path), file.errorString()));
        return std::nullopt;
    }
    if (read.status != DeckFile::ReadStatus::Ok) {
        // "Incompable" is the program's own spelling of this message, kept as users know it.
        fileError(QStringLiteral("File Error - Incompable File"));
        return std::nullopt;
    }
    return std::move(read.cards);
}

std::optional<CardfileReader::Result> Document::readCardFile(const QString& path) {
    QFile file;
    if (!openForReading(file, path)) {
        m_ui.standardMessageBox(QStringLiteral("File error - 25"));
        return std::nullopt;
    }
    CardfileReader::Result result = CardfileReader::read(file);
    switch (result.status) {
    case CardfileReader::Status::Ok:
        break;
    case CardfileReader::Status::UnicodeCardFile:
        m_ui.standardMessageBox(
            QStringLiteral("This card file is of the Unicode kind, which Quorix cannot read."));
        return std::nullopt;
    case CardfileReader::Status::ReadError:
        m_ui.standardMessageBox(QStringLiteral("File error - 25"));
        return std::nullopt;
    case CardfileReader::Status::NotACardFile:
        m_ui.standardMessageBox(QStringLiteral("File not compatible"));
        return std::nullopt;
    }
    return result;
}

void Document::replaceDeck(Cards cards) {
    const Deck::Batch batch(m_deck);
    m_deck.RemoveAllCards();
    m_deck.appendCards(std::move(cards));
    m_deck.SortByIndex();
    m_deck.setModified(false);
}

bool Document::LoadDeckFile(const QString& path) {
    auto cards = readDeckFile(path);
    if (!cards)
        return false;
    const Deck::Batch batch(m_deck);
    m_deck.appendCards(std::move(*cards));
    m_deck.SortByIndex();
    m_deck.setModified(false);
    return true;
}

bool Document::WriteDeckFile(const QString& path) {
    const SafeWrite::Result written = SafeWrite::writeFile(
        path, [this](QIODevice& device) { return DeckFile::write(m_deck, device); });
    if (!written.ok) {
        fileError(QStringLiteral("File Error - \"%1\"\n%2")
                      .arg(FileNames::display(path), written.reason));
        return false;
    }
    m_deck.setModified(false);
    setImported(false);
    return true;
}

Answer Document::AskToSave() {
    if (!m_deck.isModified())
        return Answer::No;
    return m_ui.messageBox(QStringLiteral("Save Changes ?"), QStringLiteral("Quorix"),
                           MessageIcon::Question, MessageButtons::YesNoCancel);
}

bool Document::mayDiscardChanges() {
    switch (AskToSave()) {
    case Answer::Yes:
        return Save();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

bool Document::NewDeck() {
    if (!mayDiscardChanges())
        return false;
    const Deck::Batch batch(m_deck);
    m_deck.RemoveAllCards();
    setFilePath(QString());
    m_deck.setModified(false);
    return true;
}

void Document::New() {
    // A new deck has no card file behind it: Save is available again.
    if (NewDeck())
        setImported(false);
}

bool Document::openDeck(const QString& path) {
    auto cards = readDeckFile(path);
    if (!cards)
        return false;
    replaceDeck(std::move(*cards));
    setImported(false);
    setFilePath(path);
    m_profile.addRecentFile(path);
    return true;
}

void Document::Open() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Open"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    if (path && mayDiscardChanges() && openDeck(*path))
        m_profile.setLastFile(*path);
}

bool Document::Save() {
    return (m_imported || m_filePath.isEmpty()) ? SaveAs() : WriteDeckFile(m_filePath);
}

bool Document::SaveAs() {
    // The field starts with the deck's own name; an imported deck gets its card file's name
    // as a deck, so the card file is never offered for overwriting.
    QString name = PathParts::fileName(m_filePath);
    if (m_imported && !name.isEmpty())
        name = QFileInfo(name).completeBaseName() + QStringLiteral(".qrx");
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Save, QStringLiteral("Save As"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile, name));
    if (!path || !WriteDeckFile(*path))
        return false;
    setFilePath(*path);
    m_profile.setLastFile(*path);
    m_profile.addRecentFile(*path);
    return true;
}

void Document::Merge() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Merge"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    // One change to the deck: its cards came in, and they are not in its file.
    const Deck::Batch batch(m_deck);
    if (path && LoadDeckFile(*path))
        m_deck.setModified(true);
}

bool Document::importCardFile(const QString& path) {
    auto read = readCardFile(path);
    if (!read)
        return false;
    const QString warning = importWarning(*read);
    replaceDeck(std::move(read->cards));
    setImported(true);
    setFilePath(path);
    // Said once the cards are in, over the deck that did come in.
    if (!warning.isEmpty())
        m_ui.standardMessageBox(warning);
    return true;
}

void Document::ImportCardfile() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Import Cardfile"),
                          QStringLiteral("Cardfile Files"), QStringLiteral("crd"), m_profile));
    if (path && mayDiscardChanges())
        importCardFile(*path);
}

bool Document::openFile(const QString& path) {
    if (!mayDiscardChanges() || !openAnyFile(path))
        return false;
    // Like Open, a deck opened this way gives the file dialogs their folder.
    if (!m_imported)
        m_profile.setLastFile(path);
    return true;
}

bool Document::openAnyFile(const QString& path) {
    switch (kindOf(path)) {
    case FileKind::CardFile:
        return importCardFile(path);
    case FileKind::Other:
        // Neither kind: the message of the kind the name promises.
        if (QFileInfo(path).suffix().compare(QLatin1String("crd"), Qt::CaseInsensitive) == 0) {
            m_ui.standardMessageBox(QStringLiteral("File not compatible"));
            return false;
        }
        return openDeck(path);
    case FileKind::Deck:
    case FileKind::Unreadable:
        break;
    }
    return openDeck(path);
}

void Document::startupLoad(const QString& path) {
    if (!path.isEmpty())
        openAnyFile(path);
}

void Document::bindCommands(CommandBinder& binder) {
    const auto cards = [this] { return !m_deck.isEmpty(); };
    binder.bind(Cmd::New, [this] { New(); });
    binder.bind(Cmd::Open, [this] { Open(); });
    binder.bind(
        Cmd::Save, [this] { Save(); }, [this] { return !m_deck.isEmpty() && !m_imported; });
    binder.bind(
        Cmd::SaveAs, [this] { SaveAs(); }, cards);
    binder.bind(
        Cmd::Merge, [this] { Merge(); }, cards);
    binder.bind(Cmd::ImportCardfile, [this] { ImportCardfile(); });
}
