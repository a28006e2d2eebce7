#include "DocumentCommands.h"

#include "DeckCharacterSet.h"
#include "deck/Transcode.h"
#include "files/DeckFile.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "files/Profile.h"
#include "files/Worker.h"
#include "ports/CommandBinder.h"
#include "ports/UserInterface.h"

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

// The file as it is now, bytes and all: what a later look compares with.
std::optional<FileStamp> stampNow(const QString& path) {
    auto stamp = FileStamp::of(path);
    if (stamp)
        stamp->hash = FileStamp::hashOf(path);
    return stamp;
}

} // namespace

DocumentCommands::DocumentCommands(Document& document, Deck& deck, UserInterface& ui,
                                   Profile& profile, Worker& worker, DeckCharacterSet& characterSet)
    : m_document(document)
    , m_deck(deck)
    , m_ui(ui)
    , m_profile(profile)
    , m_worker(worker)
    , m_sets(characterSet) {}

void DocumentCommands::fileError(const QString& text) {
    m_ui.messageBox(text, ErrorCaption, MessageIcon::Stop, MessageButtons::Ok);
}

std::optional<DeckStorage::Read> DocumentCommands::readDeck(const QString& path, bool quiet) {
    DeckStorage::Read read = DeckStorage::readDeck(path);
    using Status = DeckStorage::Read::Status;
    if (read.status == Status::Ok)
        return read;
    if (quiet)
        return std::nullopt;
    if (read.status == Status::CannotOpen)
        fileError(QStringLiteral("File Error - \"%1\"").arg(FileNames::display(path)));
    else if (read.status == Status::ReadError || read.status == Status::Damaged)
        fileError(
            QStringLiteral("File Error - \"%1\"\n%2").arg(FileNames::display(path), read.reason));
    else // "Incompable" is the program's own spelling of this message, kept as users know it.
        fileError(QStringLiteral("File Error - Incompable File"));
    return std::nullopt;
}

bool DocumentCommands::LoadDeckFile(const QString& path) {
    auto read = readDeck(path);
    if (!read)
        return false;
    CardBlock cards = m_sets.adopt(std::move(read->cards), read->unicode, path);
    const Deck::Batch batch(m_deck);
    m_deck.appendCards(std::move(cards));
    m_deck.SortByIndex();
    return true;
}

DocumentCommands::Go DocumentCommands::askAboutChange(FileState state) {
    const QString name = FileNames::display(m_document.filePath());
    QString text;
    QString here = QStringLiteral("&Overwrite");
    switch (state) {
    case FileState::Unchanged:
        return Go::Ahead;
    case FileState::Gone:
        text = QStringLiteral("The deck's file is no longer where Quorix opened it:\n%1\n\nIt may "
                              "have been moved, renamed or deleted. Write the deck there again, or "
                              "save it under another name?")
                   .arg(name);
        here = QStringLiteral("Save &Here");
        break;
    case FileState::Unreadable:
        text = QStringLiteral("The deck's file cannot be read, so Quorix cannot tell whether "
                              "another program has changed it:\n%1\n\nSaving now might replace "
                              "that program's changes.")
                   .arg(name);
        break;
    case FileState::Changed:
        text = QStringLiteral("Another program has changed the deck's file since Quorix opened "
                              "or saved it:\n%1\n\nSaving now would replace that program's "
                              "changes.")
                   .arg(name);
        break;
    }
    const QStringList choices{QStringLiteral("Save &As..."), here, QStringLiteral("Cancel")};
    switch (m_ui.choiceBox(text, QStringLiteral("Quorix"), MessageIcon::Exclamation, choices, 0)) {
    case 0:
        return Go::SaveElsewhere;
    case 1:
        // What the user agreed to write over; a change after this asks again.
        m_agreed = true;
        m_agreedTo = stampNow(m_document.filePath());
        return Go::Ahead;
    default:
        return Go::Stop;
    }
}

DocumentCommands::Go DocumentCommands::checkOwnFile() {
    const QString path = m_document.filePath();
    if (m_agreed && !m_agreedTo) // to write where no file was: one there now is new
        return FileNames::exists(path) ? askAboutChange(FileState::Changed) : Go::Ahead;
    if (m_agreed) {
        const FileState now = compareFile(*m_agreedTo, path);
        return now == FileState::Unchanged ? Go::Ahead : askAboutChange(now);
    }
    return askAboutChange(m_document.guard().check());
}

bool DocumentCommands::offerSaveAsForReadOnly(const QString& path) {
    const int choice = m_ui.choiceBox(
        QStringLiteral("The deck \"%1\" is read-only: Quorix may not write to it.\n\nSave it "
                       "under another name?")
            .arg(FileNames::display(path)),
        QStringLiteral("Quorix"), MessageIcon::Exclamation,
        {QStringLiteral("Save &As..."), QStringLiteral("Cancel")}, 0);
    return choice == 0 && SaveAs();
}

bool DocumentCommands::write(const QString& path, bool savedAs, bool ownFile,
                             const DeckSnapshot* cards, int codePage,
                             const std::function<void()>& adopted) {
    const bool unicode =
        codePage ? codePage == CharacterSet::Unicode : m_sets.current().isUnicode();
    const quint32 format = unicode ? DeckFile::FormatVersion3 : DeckFile::FormatVersion2;
    SafeWrite::Options options;
    Go late = Go::Ahead;
    if (ownFile) {
        // Just before the new bytes take the file's place: a change since the check asks as
        // the check does.
        options.mayReplace = [&] {
            late = checkOwnFile();
            return late == Go::Ahead;
        };
    }
    for (;;) {
        DeckStorage::Written w = DeckStorage::writeDeck(cards ? *cards : m_deck.snapshot(), path,
                                                        options, nullptr, format);
        if (w.result.ok) {
            if (w.result.replaced)
                m_worker.letGo(w.result.replaced->release());
            m_agreed = false;
            if (adopted)
                adopted();
            m_document.written(path, std::move(w.stamp), savedAs);
            SafeWrite::removeStaleTemporaries(path);
            return true;
        }
        switch (w.result.failure) {
        case SafeWrite::Failure::Declined:
            return late == Go::SaveElsewhere && SaveAs();
        case SafeWrite::Failure::ReadOnly:
            return offerSaveAsForReadOnly(path);
        case SafeWrite::Failure::WouldLoseAttributes:
            if (m_ui.choiceBox(QStringLiteral("Quorix cannot save the deck \"%1\" and keep "
                                              "what the file has: %2.\nIts old contents cannot "
                                              "be kept safe while it is written: %3\n\nSave it "
                                              "all the same?")
                                   .arg(FileNames::display(path), w.result.reason, w.result.detail),
                               QStringLiteral("Quorix"), MessageIcon::Exclamation,
                               {QStringLiteral("&Save"), QStringLiteral("Cancel")}, 1) != 0)
                return false;
            options.mayLoseAttributes = true;
            continue;
        default:
            fileError(QStringLiteral("File Error - \"%1\"\n%2")
                          .arg(FileNames::display(path), w.result.reason));
            return false;
        }
    }
}

bool DocumentCommands::WriteDeckFile(const QString& path) {
    return write(path, false, false);
}

Answer DocumentCommands::AskToSave() {
    if (!m_deck.isModified())
        return Answer::No;
    return m_ui.messageBox(QStringLiteral("Save Changes ?"), QStringLiteral("Quorix"),
                           MessageIcon::Question, MessageButtons::YesNoCancel);
}

bool DocumentCommands::mayDiscardChanges() {
    switch (AskToSave()) {
    case Answer::Yes:
        return Save();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

bool DocumentCommands::NewDeck() {
    if (!mayDiscardChanges())
        return false;
    m_agreed = false;
    m_document.takeOver({});
    return true;
}

void DocumentCommands::New() {
    NewDeck();
}

bool DocumentCommands::openDeck(const QString& path, DeckStorage::Read read) {
    m_agreed = false;
    Document::Takeover t;
    t.origin = Document::Origin::Opened;
    t.codePage = read.unicode ? CharacterSet::Unicode : 0;
    t.cards = std::move(read.cards);
    t.path = path;
    t.stamp = read.stamp;
    m_document.takeOver(std::move(t));
    m_profile.addRecentFile(m_document.filePath());
    SafeWrite::removeStaleTemporaries(path);
    return true;
}

void DocumentCommands::Open() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Open"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    if (!path || m_document.openElsewhere(*path) || !mayDiscardChanges())
        return;
    if (auto read = readDeck(*path); read && openDeck(*path, std::move(*read)))
        m_profile.setLastFile(m_document.filePath());
}

bool DocumentCommands::Save() {
    const QString path = m_document.filePath();
    if (m_document.isImported() || path.isEmpty())
        return SaveAs();
    if (SafeWrite::isReadOnly(path))
        return offerSaveAsForReadOnly(path);
    switch (checkOwnFile()) {
    case Go::SaveElsewhere:
        return SaveAs();
    case Go::Stop:
        return false;
    case Go::Ahead:
        break;
    }
    return write(path, false, true);
}

bool DocumentCommands::SaveAs() {
    FileDialogRequest request = fileDialogRequest(
        FileDialogRequest::Kind::Save, QStringLiteral("Save As"), QStringLiteral("Quorix Files"),
        QStringLiteral("qrx"), m_profile, m_document.proposedName());
    // Both kinds of deck, the deck's own offered first.
    const int older = m_sets.olderCodePage();
    request.filter = QStringLiteral("Quorix deck (*.qrx) |*.qrx|Quorix deck for older programs "
                                    "(code page %1) (*.qrx) |*.qrx||")
                         .arg(older);
    int chosen = m_sets.current().isUnicode() ? 0 : 1;
    request.chosenFilter = &chosen;
    const auto path = m_ui.fileDialog(request);
    if (!path)
        return false;
    if (chosen == 1 && m_sets.current().isUnicode()) {
        if (!writeForOlderPrograms(*path))
            return false;
    } else {
        if (chosen == 0)
            m_sets.makeUnicode(); // the deck now holds any text, and is written so
        // Over the deck's own file, Save's care; over another, the dialog has asked.
        const bool own =
            FileNames::sameFile(*path, m_document.filePath()) && !m_document.isImported();
        if (!write(*path, true, own))
            return false;
    }
    m_profile.setLastFile(m_document.filePath());
    m_profile.addRecentFile(m_document.filePath());
    return true;
}

bool DocumentCommands::writeForOlderPrograms(const QString& path) {
    const int codePage = m_sets.olderCodePage();
    const CharacterSet to = CharacterSet::forCodePage(codePage);
    const auto converted = [&] { return Transcode::cards(m_deck.cards(), m_sets.current(), to); };
    Transcode::Result result = converted();
    if (!result.lossy.empty()) {
        QStringList names;
        for (int k : result.lossy) {
            if (names.size() == 10) {
                names << QStringLiteral("and %1 more").arg(result.lossy.size() - 10);
                break;
            }
            names << m_sets.current().decode(m_deck.card(k).indexText());
        }
        if (m_ui.choiceBox(QStringLiteral("In %1 these cards lose characters the code page "
                                          "cannot hold, or that no longer fit:\n%2\n\nSave "
                                          "the deck for older programs all the same?")
                               .arg(to.name(), names.join(u'\n')),
                           QStringLiteral("Quorix"), MessageIcon::Exclamation,
                           {QStringLiteral("&Save"), QStringLiteral("Cancel")}, 1) != 0)
            return false;
    }
    // The deck becomes what the file holds only once the file holds it.
    Deck written;
    written.appendCards(std::move(result.cards));
    const DeckSnapshot cards = written.snapshot();
    const bool own = FileNames::sameFile(path, m_document.filePath()) && !m_document.isImported();
    return write(path, true, own, &cards, codePage,
                 [&] { m_sets.becomeCodePage(codePage, converted().cards); });
}

void DocumentCommands::Merge() {
    const auto path = m_ui.fileDialog(
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Merge"),
                          QStringLiteral("Quorix Files"), QStringLiteral("qrx"), m_profile));
    if (path)
        LoadDeckFile(*path); // its cards are not in the deck's file: the deck is modified
}

bool DocumentCommands::importCardFile(const QString& path, Document::Origin origin, int codePage) {
    const bool intoUnicode = codePage != 0;
    const CharacterSet set =
        CharacterSet::forCodePage(codePage ? codePage : m_sets.codePageFor(path, origin));
    DeckStorage::Imported read = DeckStorage::readCardFile(path, set);
    switch (read.opened ? read.result.status : CardfileReader::Status::ReadError) {
    case CardfileReader::Status::Ok:
        break;
    case CardfileReader::Status::UnicodeCardFile:
        m_ui.standardMessageBox(
            QStringLiteral("This card file is of the Unicode kind, which Quorix cannot read."));
        return false;
    case CardfileReader::Status::ReadError:
        m_ui.standardMessageBox(QStringLiteral("File error - 25"));
        return false;
    case CardfileReader::Status::NotACardFile:
        m_ui.standardMessageBox(QStringLiteral("File not compatible"));
        return false;
    }
    const QString warning = importWarning(read.result);
    m_agreed = false;
    Document::Takeover t;
    t.origin = origin;
    t.cards = std::move(read.result.cards);
    if (intoUnicode) {
        // Into a Unicode deck: the cards converted from the code page the user chose.
        m_profile.setCharacterSetOf(path, codePage);
        t.cards = Transcode::cards(t.cards.cards(), set, CharacterSet::unicode()).cards;
        t.codePage = CharacterSet::Unicode;
    }
    t.path = path;
    t.imported = true; // a card file is never written over
    m_document.takeOver(std::move(t));
    // Said once the cards are in, over the deck that did come in.
    if (!warning.isEmpty())
        m_ui.standardMessageBox(warning);
    return true;
}

void DocumentCommands::ImportCardfile() {
    FileDialogRequest request =
        fileDialogRequest(FileDialogRequest::Kind::Open, QStringLiteral("Import Cardfile"),
                          QStringLiteral("Cardfile Files"), QStringLiteral("crd"), m_profile);
    // Into a Unicode deck the cards are converted: the dialog asks for the card file's code
    // page, the locale's first.
    const bool intoUnicode = m_sets.current().isUnicode();
    const std::vector<int>& sets = CharacterSet::codePages();
    int chosen = 0;
    if (intoUnicode) {
        request.filter.clear();
        for (int codePage : sets)
            request.filter += QStringLiteral("Cardfile Files, %1 (*.crd) |*.crd|")
                                  .arg(CharacterSet::forCodePage(codePage).name());
        request.filter += u'|';
        const auto locale = std::find(sets.begin(), sets.end(), CharacterSet::localeCodePage());
        chosen = locale == sets.end() ? 0 : static_cast<int>(locale - sets.begin());
        request.chosenFilter = &chosen;
    }
    const auto path = m_ui.fileDialog(request);
    if (path && mayDiscardChanges())
        importCardFile(*path, Document::Origin::ImportedByCommand,
                       intoUnicode ? sets[static_cast<std::size_t>(
                                         std::clamp(chosen, 0, static_cast<int>(sets.size()) - 1))]
                                   : 0);
}

bool DocumentCommands::openFile(const QString& path) {
    if (m_document.openElsewhere(path))
        return true;
    if (!mayDiscardChanges() || !openAnyFile(path))
        return false;
    // Like Open, a deck opened this way gives the file dialogs their folder.
    if (!m_document.isImported())
        m_profile.setLastFile(m_document.filePath());
    return true;
}

bool DocumentCommands::openAnyFile(const QString& path) {
    switch (DeckStorage::kindOf(path)) {
    case DeckStorage::Kind::CardFile:
        return importCardFile(path, Document::Origin::Imported);
    case DeckStorage::Kind::Other:
        // Neither kind: the message of the kind the name promises.
        if (QFileInfo(path).suffix().compare(QLatin1String("crd"), Qt::CaseInsensitive) == 0) {
            m_ui.standardMessageBox(QStringLiteral("File not compatible"));
            return false;
        }
        break;
    case DeckStorage::Kind::Deck:
    case DeckStorage::Kind::Unreadable:
        break;
    }
    auto read = readDeck(path);
    return read && openDeck(path, std::move(*read));
}

bool DocumentCommands::openCopy(const QString& path) {
    auto read = readDeck(path);
    if (!read)
        return false;
    Document::Takeover t;
    t.origin = Document::Origin::Opened;
    t.codePage =
        read->unicode ? CharacterSet::Unicode : m_sets.codePageFor(path, Document::Origin::Opened);
    t.cards = std::move(read->cards);
    // Untitled, so that no Save writes over the file; its name says whose it is.
    t.proposedName =
        QFileInfo(PathParts::fileName(path)).completeBaseName() + QStringLiteral(" (theirs).qrx");
    m_document.takeOver(std::move(t));
    return true;
}

void DocumentCommands::startupLoad(const QString& path) {
    if (!path.isEmpty())
        openAnyFile(path);
}

DocumentCommands::Reload DocumentCommands::reloadIfChanged() {
    const FileGuard& guard = m_document.guard();
    if (!guard.stamp() || m_document.isImported() || m_deck.isModified() ||
        guard.check() != FileState::Changed)
        return Reload::NotNeeded;
    auto read = readDeck(guard.path(), true);
    if (!read)
        return Reload::Unreadable;
    Document::Takeover t;
    t.origin = Document::Origin::Reread;
    t.codePage = read->unicode ? CharacterSet::Unicode : 0;
    t.cards = std::move(read->cards);
    t.path = guard.path();
    t.stamp = read->stamp;
    m_document.takeOver(std::move(t));
    return Reload::Reloaded;
}

void DocumentCommands::bindCommands(CommandBinder& binder) {
    const auto cards = [this] { return !m_deck.isEmpty(); };
    binder.bind(Cmd::New, [this] { New(); });
    binder.bind(Cmd::Open, [this] { Open(); });
    binder.bind(
        Cmd::Save, [this] { Save(); },
        [this] { return !m_deck.isEmpty() && !m_document.isImported(); });
    binder.bind(
        Cmd::SaveAs, [this] { SaveAs(); }, cards);
    binder.bind(
        Cmd::Merge, [this] { Merge(); }, cards);
    binder.bind(Cmd::ImportCardfile, [this] { ImportCardfile(); });
}
