#include "RecoveryCopy.h"

#include "deck/CharacterSet.h"
#include "deck/Deck.h"
#include "files/DeckFile.h"
#include "files/Document.h"
#include "files/FileNames.h"
#include "files/FileReading.h"
#include "files/SafeWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUuid>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/types.h>
#endif

namespace {

const QString Heading = QStringLiteral("Quorix recovery copy");
const QString SetAside = QStringLiteral("set-aside");

// A program by its process id and, where the system tells it, the moment it started: a later
// program that is given the same id is another program. A program that has ended but not yet
// been reaped by its parent (a zombie) counts as ended.
QString programOf(qint64 pid) {
    QString identity = QString::number(pid);
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The name in parentheses may hold blanks: the fields are counted after it.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 19 && fields[0] != "Z" && fields[0] != "X")
            identity += u':' + QString::fromLatin1(fields[19]);
    }
#endif
    return identity;
}

bool isRunning(const QString& program) {
    bool ok = false;
    const qint64 pid = program.section(u':', 0, 0).toLongLong(&ok);
    if (!ok || pid <= 0)
        return false;
#ifdef Q_OS_LINUX
    return programOf(pid) == program;
#elif defined(Q_OS_UNIX)
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    return false;
#endif
}

QString deckFile(const QString& id) {
    return RecoveryCopy::folder() + u'/' + id + QStringLiteral(".qrx");
}

QString infoFile(const QString& id) {
    return RecoveryCopy::folder() + u'/' + id + QStringLiteral(".info");
}

void removeFiles(const QString& id) {
    if (id.isEmpty())
        return;
    QFile::remove(deckFile(id));
    QFile::remove(infoFile(id));
}

// Moved out of the way, never deleted: the user may still want what is in it.
void setAside(const QString& id, QStringList* names) {
    const QString aside = RecoveryCopy::folder() + u'/' + SetAside;
    QDir().mkpath(aside);
    for (const QString& file : {deckFile(id), infoFile(id)}) {
        if (QFile::exists(file))
            QFile::rename(file, aside + u'/' + QFileInfo(file).fileName());
    }
    if (names)
        *names << aside + u'/' + id;
}

bool writeText(const QString& path, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return SafeWrite::writeFile(path, [&](QIODevice& d) { return d.write(bytes) == bytes.size(); })
        .ok;
}

} // namespace

RecoveryCopy::RecoveryCopy(Deck& deck, Document& document, const CharacterSet& characterSet,
                           QObject* parent)
    : QObject(parent)
    , m_deck(deck)
    , m_document(document)
    , m_characterSet(characterSet) {
    m_due.setSingleShot(true);
    m_due.setInterval(DueMs);
    connect(&m_due, &QTimer::timeout, this, &RecoveryCopy::writeCopy);
    m_disk.setMaxThreadCount(1);
}

RecoveryCopy::~RecoveryCopy() {
    m_disk.waitForDone();
    if (!m_deck.isModified())
        removeFiles(m_id);
}

QString RecoveryCopy::folder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quorix/recovery");
}

QString RecoveryCopy::infoText() const {
    const std::optional<FileStamp> stamp = m_document.fileStamp();
    return Heading + u'\n' + QStringLiteral("version=%1\n").arg(Version) +
           QStringLiteral("program=") + programOf(QCoreApplication::applicationPid()) + u'\n' +
           QStringLiteral("path=") + FileNames::toStored(m_document.filePath()) + u'\n' +
           QStringLiteral("changed=") + m_lastChange.toUTC().toString(Qt::ISODateWithMs) + u'\n' +
           QStringLiteral("stamp=") + (stamp ? stamp->toText() : QString()) + u'\n' +
           QStringLiteral("codepage=%1\n").arg(m_characterSet.codePage());
}

void RecoveryCopy::deckChanged() {
    if (!m_deck.isModified())
        return;
    m_lastChange = QDateTime::currentDateTimeUtc();
    m_dirty = true;
    if (!m_due.isActive() && !m_writing)
        m_due.start();
}

void RecoveryCopy::writeCopy() {
    if (!m_deck.isModified() || m_writing)
        return;
    m_dirty = false;
    if (m_id.isEmpty())
        m_id = QStringLiteral("deck-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDir().mkpath(folder());
    QFile::setPermissions(folder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Written here, where the deck cannot change meanwhile; only the wait for the disk and
    // the rename go to the other thread.
    auto pending = std::make_shared<SafeWrite::Pending>(SafeWrite::prepare(
        deckFile(m_id), [this](QIODevice& d) { return DeckFile::write(m_deck, d); },
        DeckFile::fileSize(m_deck.count())));
    if (!pending->written().ok) {
        written(false, pending->written().reason, m_generation);
        return;
    }
    m_writing = true;
    m_disk.start([this, pending, info = infoText(), path = infoFile(m_id), gen = m_generation] {
        SafeWrite::Result result = pending->commit();
        if (result.ok && !writeText(path, info))
            result = {false, QStringLiteral("The note beside the copy could not be written.")};
        QMetaObject::invokeMethod(
            this, [this, result, gen] { written(result.ok, result.reason, gen); },
            Qt::QueuedConnection);
    });
}

void RecoveryCopy::written(bool ok, const QString& reason, quint64 generation) {
    m_writing = false;
    if (generation != m_generation)
        removeFiles(m_id); // the changes were saved or discarded meanwhile
    else if (!ok && !m_toldFailure) {
        m_toldFailure = true;
        Q_EMIT failed(reason);
    }
    if (m_dirty && m_deck.isModified())
        m_due.start();
}

void RecoveryCopy::waitForDisk() {
    m_disk.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

bool RecoveryCopy::writeNow() {
    m_due.stop();
    waitForDisk();
    if (!m_deck.isModified())
        return true;
    if (m_id.isEmpty())
        m_id = QStringLiteral("deck-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!m_lastChange.isValid())
        m_lastChange = QDateTime::currentDateTimeUtc();
    QDir().mkpath(folder());
    const bool ok = SafeWrite::writeFile(
                        deckFile(m_id), [this](QIODevice& d) { return DeckFile::write(m_deck, d); },
                        DeckFile::fileSize(m_deck.count()))
                        .ok &&
                    writeText(infoFile(m_id), infoText());
    m_dirty = !ok;
    return ok;
}

void RecoveryCopy::remove() {
    ++m_generation;
    m_due.stop();
    m_dirty = false;
    if (!m_writing)
        removeFiles(m_id);
}

std::vector<RecoveryCopy::Found> RecoveryCopy::leftOver(QStringList* setAsideNames) {
    std::vector<Found> found;
    const QDir dir(folder());
    for (const QString& name : dir.entryList({QStringLiteral("*.info")}, QDir::Files)) {
        const QString id = name.chopped(5);
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            setAside(id, setAsideNames);
            continue;
        }
        const QStringList lines = QString::fromUtf8(file.read(64 * 1024)).split(u'\n');
        QHash<QString, QString> values;
        for (const QString& line : lines.mid(1))
            values.insert(line.section(u'=', 0, 0), line.section(u'=', 1));
        bool versionOk = false;
        const int version = values.value(QStringLiteral("version")).toInt(&versionOk);
        const QString program = values.value(QStringLiteral("program"));
        if (!program.isEmpty() && isRunning(program))
            continue; // the work of a Quorix that is still running
        Found copy{
            id, FileNames::fromStored(values.value(QStringLiteral("path"))),
            QDateTime::fromString(values.value(QStringLiteral("changed")), Qt::ISODateWithMs),
            FileStamp::fromText(values.value(QStringLiteral("stamp")))};
        if (lines.value(0) != Heading || !versionOk || version > Version || program.isEmpty() ||
            !copy.lastChange.isValid() || !QFile::exists(deckFile(id))) {
            setAside(id, setAsideNames);
            continue;
        }
        found.push_back(std::move(copy));
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.lastChange > b.lastChange; });
    return found;
}

bool RecoveryCopy::read(const Found& found, Document& into) {
    QFile file;
    DeckFile::ReadResult cards;
    if (openForReading(file, deckFile(found.id)))
        cards = DeckFile::read(file);
    if (cards.status != DeckFile::ReadStatus::Ok) {
        setAside(found.id, nullptr);
        return false;
    }
    into.adopt(std::move(cards.cards), found.deckPath, found.stamp);
    return true;
}

void RecoveryCopy::discard(const Found& found) {
    removeFiles(found.id);
}

void RecoveryCopy::adopt(const Found& found) {
    m_disk.waitForDone();
    removeFiles(m_id);
    m_id = found.id;
    m_lastChange = found.lastChange;
    // Claimed at once, so that no other Quorix started meanwhile offers it as well.
    writeText(infoFile(m_id), infoText());
}
