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
#include "session/OtherWindows.h"

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
    if (r.shortenedTexts > 0)
        lines << plural(r.shortenedTexts,
                        "card had a text longer than a card holds, or cut at a zero byte; it "
                        "was shortened.",
                        "cards had a text longer than a card holds, or cut at a zero byte; they "
                        "were shortened.");
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
    // Absolute, so that Recent Files and "Last File" name the same deck from any folder.
    m_filePath = FileNames::absolute(path);
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

std::optional<Document::ReadDeck> Document::readDeckFile(const QString& path, bool quiet) {
    QFile file;
    if (!openForReading(file, path)) {
        if (!quiet)
            fileError(QStringLiteral("File Error - \"%1\"").arg(FileNames::display(path)));
        return std::nullopt;
    }
    // The stamp of the very file read, whatever happens to the name meanwhile.
    std::optional<FileStamp> stamp = FileStamp::ofOpenFile(file.handle());
    DeckFile::ReadResult read = DeckFile::read(file);
    if (read.status == DeckFile::ReadStatus::ReadError) {
        if (!quiet)
            fileError(QStringLiteral("File Error - \"%1\"\n%2")
                          .arg(FileNames::display(path), file.errorString()));
        return std::nullopt;
    }
    if (read.status != DeckFile::ReadStatus::Ok) {
        // "Incompable" is the program's own spelling of this message, kept as users know it.
        if (!quiet)
            fileError(QStringLiteral("File Error - Incompable File"));
        return std::nullopt;
    }
    return ReadDeck{std::move(read.cards), stamp};
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

void Document::replaceDeck(CardBlock cards) {
    const Deck::Batch batch(m_deck);
    m_deck.RemoveAllCards();
    m_deck.appendCards(std::move(cards));
    m_deck.SortByIndex();
    m_deck.setModified(false);
}

bool Document::LoadDeckFile(const QString& path) {
    auto read = readDeckFile(path);
    if (!read)
        return false;
    const Deck::Batch batch(m_deck);
    m_deck.appendCards(std::move(read->cards));
    m_deck.SortByIndex();
    m_deck.setModified(false);
    return true;
}

bool Document::WriteDeckFile(const QString& path) {
    const SafeWrite::Result written = SafeWrite::writeFile(
        path, [this](QIODevice& device) { return DeckFile::write(m_deck, device); },
        DeckFile::fileSize(m_deck.count()));
    if (!written.ok) {
        fileError(QStringLiteral("File Error - \"%1\"\n%2")
                      .arg(FileNames::display(path), written.reason));
        return false;
    }
    stampFile(path, FileStamp::of(path));
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
    stampFile(QString(), std::nullopt);
    setFilePath(QString());
    m_deck.setModified(false);
    Q_EMIT fileTaken(Origin::New);
    return true;
}

void Document::New() {
    // A new deck has no card file behind it: Save is available again.
    if (NewDeck())
        setImported(false);
}

bool Document::elsewhere(const QString& path) {
    return m_others && m_others->bringForward(FileNames::absolute(path));
}

void Document::stampFile(const QString& path, std::optional<FileStamp> stamp) {
    m_stamp = std::move(stamp);
    const quint64 serial = ++m_stamps;
    if (!m_stamp)
        return;
    m_hashing.start([this, stamp = *m_stamp, path, serial] {
        // A file opened or saved since has a stamp of its own: this one is not needed.
        if (serial != m_stamps)
            return;
        const std::optional<quint64> hash = hashIfStill(stamp, path);
        const std::lock_guard<std::mutex> guard(m_hashed.lock);
        m_hashed.stamp = serial;
        m_hashed.hash = hash;
    });
}

std::optional<FileStamp> Document::fileStamp() const {
    std::optional<FileStamp> stamp = m_stamp;
    const std::lock_guard<std::mutex> guard(m_hashed.lock);
    if (stamp && !stamp->hash && m_hashed.stamp == m_stamps)
        stamp->hash = m_hashed.hash;
    return stamp;
}

FileState Document::ownFileState() {
    m_hashing.waitForDone();
    m_stamp = fileStamp();
    return compareFile(*m_stamp, m_filePath);
}

bool Document::openDeck(const QString& path, ReadDeck read) {
    {
        // Shown once it is the deck of its file, in that file's character set.
        const Deck::Batch batch(m_deck);
        replaceDeck(std::move(read.cards));
        stampFile(path, read.stamp);
        setImported(false);
        setFilePath(path);
        Q_EMIT fileTaken(Origin::Opened);
    }
    m_profile.addRecentFile(m_filePath);
    return true;
}

void Document::Open() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Open"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    if (!path || elsewhere(*path) || !mayDiscardChanges())
        return;
    if (auto read = readDeckFile(*path); read && openDeck(*path, std::move(*read)))
        m_profile.setLastFile(m_filePath);
}

bool Document::mayWriteOwnFile(bool* saved) {
    *saved = false;
    if (!m_stamp)
        return true;
    const FileState state = ownFileState();
    if (state == FileState::Unchanged)
        return true;
    const QString name = FileNames::display(m_filePath);
    const bool gone = state == FileState::Gone;
    const QString text =
        gone ? QStringLiteral("The deck's file is no longer where Quorix opened it:\n%1\n\n"
                              "It may have been moved, renamed or deleted. Write the deck there "
                              "again, or save it under another name?")
                   .arg(name)
             : QStringLiteral("Another program has changed the deck's file since Quorix "
                              "opened or saved it:\n%1\n\nSaving now would replace that "
                              "program's changes.")
                   .arg(name);
    const QStringList choices{QStringLiteral("Save &As..."),
                              gone ? QStringLiteral("Save &Here") : QStringLiteral("&Overwrite"),
                              QStringLiteral("Cancel")};
    switch (m_ui.choiceBox(text, QStringLiteral("Quorix"), MessageIcon::Exclamation, choices, 0)) {
    case 0:
        *saved = SaveAs();
        return false;
    case 1:
        return true;
    default:
        return false;
    }
}

bool Document::Save() {
    if (m_imported || m_filePath.isEmpty())
        return SaveAs();
    bool saved = false;
    if (!mayWriteOwnFile(&saved))
        return saved;
    return WriteDeckFile(m_filePath);
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
    Q_EMIT fileTaken(Origin::SavedAs);
    m_profile.setLastFile(m_filePath);
    m_profile.addRecentFile(m_filePath);
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

bool Document::importCardFile(const QString& path, Origin origin) {
    auto read = readCardFile(path);
    if (!read)
        return false;
    const QString warning = importWarning(*read);
    {
        const Deck::Batch batch(m_deck);
        replaceDeck(std::move(read->cards));
        stampFile(QString(), std::nullopt); // a card file is never written over
        setImported(true);
        setFilePath(path);
        Q_EMIT fileTaken(origin);
    }
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
        importCardFile(*path, Origin::ImportedByCommand);
}

bool Document::openFile(const QString& path) {
    if (elsewhere(path))
        return true;
    if (!mayDiscardChanges() || !openAnyFile(path))
        return false;
    // Like Open, a deck opened this way gives the file dialogs their folder.
    if (!m_imported)
        m_profile.setLastFile(m_filePath);
    return true;
}

bool Document::openAnyFile(const QString& path) {
    switch (kindOf(path)) {
    case FileKind::CardFile:
        return importCardFile(path, Origin::Imported);
    case FileKind::Other:
        // Neither kind: the message of the kind the name promises.
        if (QFileInfo(path).suffix().compare(QLatin1String("crd"), Qt::CaseInsensitive) == 0) {
            m_ui.standardMessageBox(QStringLiteral("File not compatible"));
            return false;
        }
        break;
    case FileKind::Deck:
    case FileKind::Unreadable:
        break;
    }
    auto read = readDeckFile(path);
    return read && openDeck(path, std::move(*read));
}

Document::Reload Document::reloadIfChanged() {
    if (!m_stamp || m_imported || m_filePath.isEmpty() || m_deck.isModified() ||
        ownFileState() != FileState::Changed)
        return Reload::NotNeeded;
    auto read = readDeckFile(m_filePath, true);
    if (!read)
        return Reload::Unreadable;
    const Deck::Batch batch(m_deck);
    const std::string front =
        m_deck.isEmpty() ? std::string() : std::string(m_deck.card(0).indexText());
    replaceDeck(std::move(read->cards));
    stampFile(m_filePath, read->stamp);
    for (int k = 0; k < m_deck.count(); ++k) {
        if (m_deck.card(k).indexText() == front) {
            m_deck.BringCardToFront(k);
            break;
        }
    }
    return Reload::Reloaded;
}

void Document::adopt(CardBlock cards, const QString& path, const std::optional<FileStamp>& stamp) {
    const Deck::Batch batch(m_deck);
    replaceDeck(std::move(cards));
    m_deck.setModified(true);
    ++m_stamps;
    m_stamp = path.isEmpty() ? std::nullopt : stamp;
    setImported(false);
    setFilePath(path);
    Q_EMIT fileTaken(Origin::Recovered);
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
