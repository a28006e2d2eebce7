#pragma once

#include "CardfileReader.h"
#include "deck/Card.h"
#include "session/UserInterface.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class CommandBinder;
class Deck;
class Profile;
class UserInterface;

// The open deck as a document: the file it belongs to, whether it came from a card-file
// import, and the File commands that read and write it.
//
// A file is read whole before the deck is touched: a file that cannot be read, or is no deck
// or card file, gets its message and leaves the open deck as it was.
class Document : public QObject {
    Q_OBJECT
public:
    using Cards = std::vector<std::unique_ptr<Card>>;

    Document(Deck& deck, UserInterface& ui, Profile& profile);

    // Untitled: empty. After an import: the card file's path.
    QString filePath() const { return m_filePath; }
    bool isImported() const { return m_imported; }
    QString title() const;

    // Reads a deck file and appends its cards; sorts the deck and shows it. The deck is
    // untouched when the file cannot be read or is not a whole deck file.
    bool LoadDeckFile(const QString& path);
    // Writes the deck; the old file stays as it was unless every byte was written.
    bool WriteDeckFile(const QString& path);

    // Yes, No or Cancel; No without asking when the deck holds no unsaved changes.
    Answer AskToSave();
    // The save prompt of New, Open, the import, a dropped or recent file and closing: true
    // when the deck may go. False when the user cancelled, or asked to save and the save did
    // not happen; then nothing has changed, so unsaved cards are never lost.
    bool mayDiscardChanges();
    // Empties the deck after the save prompt; false when the prompt said no.
    bool NewDeck();

    void New();
    void Open();
    // Both return whether the deck was written.
    bool Save();
    bool SaveAs();
    void Merge();
    void ImportCardfile();
    // Opens a deck or imports a card file, told apart by the file's first bytes, after the
    // save prompt (the start-up file, a dropped file, a recent file). True when it was read.
    bool openFile(const QString& path);
    // The deck named when the program starts; a failure leaves an empty, untitled deck.
    void startupLoad(const QString& path);

    // New, Open, Save, Save As, Merge and the card-file import.
    void bindCommands(CommandBinder& binder);

Q_SIGNALS:
    // The file path or the imported state changed.
    void fileChanged();

private:
    std::optional<Cards> readDeckFile(const QString& path);
    std::optional<CardfileReader::Result> readCardFile(const QString& path);
    void replaceDeck(Cards cards);
    bool openDeck(const QString& path);
    bool openAnyFile(const QString& path);
    bool importCardFile(const QString& path);
    void setFilePath(const QString& path);
    void setImported(bool imported);
    void fileError(const QString& text);

    Deck& m_deck;
    UserInterface& m_ui;
    Profile& m_profile;
    QString m_filePath;
    bool m_imported = false;
};
