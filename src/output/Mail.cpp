#include "Mail.h"

#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "files/Export.h"
#include "files/FileNames.h"
#include "files/PathParts.h"
#include "files/SafeWrite.h"
#include "ports/UserInterface.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
namespace {

const QString HandOff = QStringLiteral("xdg-email");

// One field of a mailto: URL: UTF-8, every byte but the unreserved ones percent-encoded,
// and every line break as %0D%0A.
QByteArray urlField(std::string_view bytes, const CharacterSet& characterSet) {
    QString text = characterSet.decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toUtf8().toPercentEncoding();
}

} // namespace

QString mailtoUrl(const MailMessage& message, const CharacterSet& characterSet) {
    // Built here, not by xdg-email: it refuses an empty --subject or --body and passes them
    // through echo under /bin/sh, which eats backslashes. Empty fields are left out.
    QByteArrayList fields;
    if (!message.subject.empty())
        fields << "subject=" + urlField(message.subject, characterSet);
    if (!message.noteText.empty())
        fields << "body=" + urlField(message.noteText, characterSet);
    return QString::fromLatin1("mailto:" +
                               (fields.isEmpty() ? QByteArray() : '?' + fields.join('&')));
}

bool IsMailAvailable() {
    return !QStandardPaths::findExecutable(HandOff).isEmpty();
}

void MailMessage::SetMailText(std::string_view subjectText, std::string_view note,
                              const CharacterSet& characterSet) {
    const auto field = [&](std::string_view text, std::size_t size) {
        text = text.substr(0, std::min(text.find('\0'), text.size()));
        return std::string(characterSet.isUnicode() ? text : characterSet.cutBytes(text, size));
    };
    subject = field(subjectText, 31);
    noteText = field(note, 511);
}

void MailMessage::SetMailAttachment(const QString& path) {
    attachmentPath = path;
    attachmentName = PathParts::lastSeparator(path) < 0 ? QString() : PathParts::fileName(path);
}

Mail::Mail(const CharacterSet& characterSet)
    : m_characterSet(characterSet) {}
Mail::~Mail() = default;

QString Mail::attachmentName(const QString& filePath) {
    const QString name = FileNames::display(PathParts::fileName(filePath));
    return (name.isEmpty() ? QStringLiteral("Untitled") : name) + QStringLiteral(".txt");
}

Mail::Result Mail::SendMail(const MailMessage& message) {
    const QString program = QStandardPaths::findExecutable(HandOff);
    if (program.isEmpty())
        return Result::NotStarted;
    // The attachment's path follows --utf8 so that it is passed on unconverted.
    QStringList args;
    if (message.mode == MailMessage::File)
        args << QStringLiteral("--utf8") << QStringLiteral("--attach") << message.attachmentPath;
    args << mailtoUrl(message, m_characterSet);
    // Kept alive after a hand-off that is still running when the wait ends.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(args);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart)
                             process->deleteLater();
                     });
    process->start();
    if (!process->waitForStarted(WaitMs))
        return Result::NotStarted;
    if (!process->waitForFinished(WaitMs))
        return Result::HandedOver; // the mail program is running with the message
    // 0: the mail program has the message. 3: no mail program; 4: it failed; 1, 2, 5: the
    // message could not be handed over.
    if (process->exitStatus() != QProcess::NormalExit || process->exitCode() != 0)
        return Result::Failed;
    return Result::HandedOver;
}

void Mail::send(const MailMessage& message, UserInterface& ui) {
    ui.setBusy(true);
    const Result result = SendMail(message);
    ui.setBusy(false);
    switch (result) {
    case Result::NotStarted:
        ui.standardMessageBox(QStringLiteral("Load Fail\nThere may be a problem with xdg-email, "
                                             "the desktop's mail hand-off (package xdg-utils)"));
        break;
    case Result::Failed:
        ui.standardMessageBox(QStringLiteral("Failed To Send\nPlease verify your email setup in "
                                             "your desktop's settings for the default mail "
                                             "program"));
        break;
    case Result::HandedOver:
        break;
    }
}

void Mail::SendCard(const Deck& deck, UserInterface& ui) {
    if (deck.isEmpty())
        return;
    MailMessage message(MailMessage::Note);
    message.SetMailText(deck.card(0).indexText(), deck.card(0).bodyText(), m_characterSet);
    send(message, ui);
}

void Mail::sendFile(const QString& filePath, const QByteArray& contents, UserInterface& ui) {
    // Each message gets a folder of its own, so a later send never rewrites a file that an
    // earlier message still shows; the name stays the one the mail shows.
    if (!m_folder)
        m_folder = std::make_unique<QTemporaryDir>();
    const QString folder =
        m_folder->isValid() ? m_folder->filePath(QString::number(++m_sent)) : QString();
    const QString path = folder + u'/' + attachmentName(filePath);
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QString reason = QStringLiteral("No folder for the attachment could be made.");
    if (!folder.isEmpty() && QDir().mkdir(folder, ownerOnly)) {
        // The attachment is text for other programs: UTF-8, with the cards' CR LF breaks.
        const QByteArray utf8 =
            m_characterSet.decode(std::string_view(contents.constData(), contents.size())).toUtf8();
        const SafeWrite::Result written = SafeWrite::writeFile(
            path, [&utf8](QIODevice& device) { return device.write(utf8) == utf8.size(); });
        reason = written.reason;
    }
    if (!reason.isEmpty()) {
        ui.messageBox(QStringLiteral("File Error\n") + reason, QStringLiteral("Quorix Error..."),
                      MessageIcon::Stop, MessageButtons::Ok);
        return;
    }
    MailMessage message(MailMessage::File);
    message.SetMailAttachment(path);
    send(message, ui);
}

void Mail::SendList(const Deck& deck, const QString& filePath, UserInterface& ui) {
    QByteArray contents;
    for (int k = 0; k < deck.count(); ++k) {
        const std::string_view index = deck.card(k).indexText();
        contents.append(index.data(), static_cast<qsizetype>(index.size()));
        contents.append("\r\n");
    }
    sendFile(filePath, contents, ui);
}

void Mail::SendTag(const Deck& deck, const QString& filePath, UserInterface& ui) {
    std::string contents;
    for (int k = 0; k < deck.count(); ++k) {
        if (deck.card(k).isTagged())
            Export::appendCardTextBlock(contents, deck.card(k));
    }
    sendFile(filePath, QByteArray::fromStdString(contents), ui);
}
