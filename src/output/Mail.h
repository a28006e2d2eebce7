#pragma once

#include "deck/Card.h"

#include <QString>

#include <memory>
#include <string_view>

class CharacterSet;
class Deck;
class QTemporaryDir;
class UserInterface;

// True when the desktop's mail hand-off, xdg-email, is on the search path.
bool IsMailAvailable();

// One message for the mail program: a note (subject and text) or one file attachment.
struct MailMessage {
    enum Mode { File = 0, Note = 1 };

    explicit MailMessage(int mode)
        : mode(mode) {}
    // In a code page at most 31 bytes of subject and 511 of text, each cut between characters
    // of the set; a Unicode deck's index and body whole.
    void SetMailText(std::string_view subject, std::string_view note,
                     const CharacterSet& characterSet);
    // The attachment's name is the part of the path after its last separator.
    void SetMailAttachment(const QString& path);

    std::string subject;
    std::string noteText;
    QString attachmentPath;
    QString attachmentName;
    int mode;
};

// The message as a mailto: URL (RFC 6068): subject and text, decoded from the deck's character
// set, percent-encoded in UTF-8, line breaks as CR LF; empty fields left out.
QString mailtoUrl(const MailMessage& message, const CharacterSet& characterSet);

// Hands messages to the user's mail program through xdg-email, which opens a new message
// for the user to address, edit and send. Files to attach are written into a private folder
// of the program's own, which lives until the program ends: the mail program may read an
// attachment long after the hand-off.
class Mail {
public:
    explicit Mail(const CharacterSet& characterSet);
    ~Mail();

    enum class Result { HandedOver, NotStarted, Failed };
    // Runs xdg-email and waits a few seconds for its answer; a hand-off still running then
    // has reached the mail program.
    Result SendMail(const MailMessage& message);
    // SendMail with the wait cursor, and the program's message when it went wrong.
    void send(const MailMessage& message, UserInterface& ui);

    void SendCard(const Deck& deck, UserInterface& ui);
    void SendList(const Deck& deck, const QString& filePath, UserInterface& ui);
    void SendTag(const Deck& deck, const QString& filePath, UserInterface& ui);

    // The attachment's name for a deck file: its file name and ".txt", or "Untitled.txt".
    static QString attachmentName(const QString& filePath);

private:
    void sendFile(const QString& filePath, const QByteArray& contents, UserInterface& ui);

    const CharacterSet& m_characterSet;
    std::unique_ptr<QTemporaryDir> m_folder;
    int m_sent = 0;
    // How long SendMail waits for xdg-email's answer.
    static constexpr int WaitMs = 3000;
};
