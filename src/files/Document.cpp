#include "Document.h"

#include "CardfileReader.h"
#include "DeckFile.h"
#include "FileBytes.h"
#include "Profile.h"
#include "deck/Deck.h"

#include <QSaveFile>

namespace {

const QString ErrorCaption = QStringLiteral("Quorix Error...");

FileDialogRequest deckFileDialog(FileDialogRequest::Kind kind, const Profile& profile) {
    return fileDialogRequest(kind, QStringLiteral("Quorix Files"), QStringLiteral("qrx"), profile);
}

} // namespace

Document::Document(Deck& deck, UserInterface& ui, Profile& profile)
    : m_deck(deck)
    , m_ui(ui)
    , m_profile(profile) {}

QString Document::title() const {
    return m_filePath.isEmpty() ? QStringLiteral("Quorix - Untitled")
                                : QStringLiteral("Quorix - %1").arg(m_filePath);
}

void Document::setFilePath(const QString& path) {
    m_filePath = path;
    m_ui.setTitle(title());
}

void Document::fileError(const QString& text) {
    m_ui.messageBox(text, ErrorCaption, MessageIcon::Stop, MessageButtons::Ok);
}

bool Document::LoadDeckFile(const QString& path) {
    QFile file;
    if (!openForReading(file, path)) {
        fileError(QStringLiteral("File Error - \"%1\"").arg(path));
        return false;
    }
    DeckFile::ReadResult read = DeckFile::read(file);
    if (read.status == DeckFile::ReadStatus::ReadError) {
        fileError(QStringLiteral("File Error - \"%1\"").arg(path));
        return false;
    }
    if (read.status != DeckFile::ReadStatus::Ok) {
        fileError(QStringLiteral("File Error - Incompable File"));
        return false;
    }
    m_deck.appendCards(std::move(read.cards));
    m_deck.SortByIndex();
    m_ui.relabelCards();
    m_deck.setModified(false);
    return true;
}

bool Document::WriteDeckFile(const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !DeckFile::write(m_deck, file) || !file.commit()) {
        file.cancelWriting();
        fileError(QStringLiteral("File Error - \"%1\"").arg(path));
        return false;
    }
    m_deck.setModified(false);
    m_imported = false;
    return true;
}

Answer Document::AskToSave() {
    if (!m_deck.isModified())
        return Answer::No;
    return m_ui.messageBox(QStringLiteral("Save Changes ?"), QStringLiteral("Quorix"),
                           MessageIcon::Question, MessageButtons::YesNoCancel);
}

bool Document::NewDeck() {
    switch (AskToSave()) {
    case Answer::Yes:
        if (!Save())
            return false;
        break;
    case Answer::No:
        break;
    default:
        return false;
    }
    m_deck.RemoveAllCards();
    m_ui.relabelCards();
    setFilePath(QString());
    m_deck.setModified(false);
    return true;
}

void Document::New() {
    // A new deck has no card file behind it: Save is available again.
    if (NewDeck())
        m_imported = false;
    m_ui.closingStep();
}

void Document::Open() {
    const auto path = m_ui.fileDialog(deckFileDialog(FileDialogRequest::Kind::Open, m_profile));
    if (path && NewDeck() && LoadDeckFile(*path)) {
        m_imported = false;
        setFilePath(*path);
        m_profile.setLastFile(*path);
        m_ui.showCardCount(m_deck.count());
    }
    m_ui.closingStep();
}

bool Document::Save() {
    const bool saved = (m_imported || m_filePath.isEmpty()) ? SaveAs() : WriteDeckFile(m_filePath);
    m_ui.closingStep();
    return saved;
}

bool Document::SaveAs() {
    const auto path = m_ui.fileDialog(deckFileDialog(FileDialogRequest::Kind::Save, m_profile));
    if (!path || !WriteDeckFile(*path))
        return false;
    setFilePath(*path);
    m_profile.setLastFile(*path);
    return true;
}

void Document::Merge() {
    const auto path = m_ui.fileDialog(deckFileDialog(FileDialogRequest::Kind::Open, m_profile));
    if (path && LoadDeckFile(*path))
        m_deck.setModified(true);
    m_ui.closingStep();
}

void Document::startupLoad(const QString& path) {
    if (!path.isEmpty() && LoadDeckFile(path))
        setFilePath(path);
}

bool Document::confirmClose() {
    switch (AskToSave()) {
    case Answer::Yes:
        return Save(); // Save goes to Save As while the deck has no deck file

    case Answer::No:
        return true;
    default:
        return false;
    }
}

void Document::ImportCardfile() {
    const auto path = m_ui.fileDialog(fileDialogRequest(FileDialogRequest::Kind::Open,
                                                        QStringLiteral("Cardfile Files"),
                                                        QStringLiteral("crd"), m_profile));
    if (!path || !NewDeck()) {
        m_ui.closingStep();
        return;
    }
    FileBytes file;
    if (!file.open(*path)) {
        m_ui.standardMessageBox(QStringLiteral("File error - 25"));
        return;
    }
    auto result = CardfileReader::parse(file.bytes());
    if (!result) {
        m_ui.standardMessageBox(QStringLiteral("File not compatible"));
        return;
    }
    m_deck.appendCards(std::move(result->cards));
    m_deck.SortByIndex();
    m_ui.relabelCards();
    m_deck.setModified(false);
    m_imported = true;
    setFilePath(*path);
    m_ui.showCardCount(m_deck.count());
    m_ui.closingStep();
}
