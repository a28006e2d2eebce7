#include "WindowRegistry.h"

#include "files/FileNames.h"
#include "files/SafeWrite.h"
#include "files/StateFolder.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef QUORIX_HAVE_X11
#include <QGuiApplication>
#include <X11/Xlib.h>
#endif

namespace {

// However busy the other window, the one asking never waits longer than this.
constexpr int AnswerMs = 250;

// The process a socket or claim names ("window-<pid>"), and whether it is gone.
bool programGone(const QByteArray& serverName) {
#ifdef Q_OS_UNIX
    const QByteArray base = serverName.mid(serverName.lastIndexOf('/') + 1);
    bool ok = false;
    const qint64 pid = base.startsWith("window-") ? base.mid(7).toLongLong(&ok) : 0;
    return ok && pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#else
    (void)serverName;
    return false;
#endif
}

void comeForward(QWidget* window) {
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
#ifdef QUORIX_HAVE_X11
    // The user asked for this window from another one: its keyboard focus is given with the
    // present time, which the X server takes from any program (the time of this program's own
    // last event would be older than the other window's, and refused).
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display()) {
            XSetInputFocus(display, static_cast<Window>(window->winId()), RevertToParent,
                           CurrentTime);
            XFlush(display);
        }
    }
#endif
}

QByteArray readClaim(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.read(4096).trimmed() : QByteArray();
}

// A folder that is the user's own and no one else's.
bool isPrivateFolder(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat st {};
    return lstat(FileNames::encode(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == geteuid() && (st.st_mode & 077) == 0;
#else
    (void)path;
    return true;
#endif
}

} // namespace

WindowRegistry::WindowRegistry(QObject* parent)
    : QObject(parent) {
    connect(&m_server, &QLocalServer::newConnection, this, &WindowRegistry::onConnection);
}

WindowRegistry::~WindowRegistry() {
    release();
}

QString WindowRegistry::folder() {
    // Only a folder that is the user's own and no one else's is used: in a folder another
    // user made, the windows of this one would find no claims, or false ones. Without a runtime
    // folder of the session's own, one is made in the temporary folder, else in the state
    // folder.
    QStringList candidates;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && isPrivateFolder(runtime))
        candidates << runtime + QStringLiteral("/quorix");
#ifdef Q_OS_UNIX
    candidates << QDir::tempPath() + QStringLiteral("/quorix-runtime-%1").arg(geteuid());
#endif
    candidates << StateFolder::recovery() + QStringLiteral("/../runtime");
    for (const QString& candidate : candidates) {
        if (StateFolder::makePrivate(QDir::cleanPath(candidate)))
            return QDir::cleanPath(candidate);
    }
    return QString();
}

void WindowRegistry::removeStale() {
    // What crashed programs left: their sockets, and the claims that name them.
    const QDir dir(folder());
    for (const QString& name : dir.entryList({QStringLiteral("window-*")}, QDir::System)) {
        if (programGone(name.toUtf8()))
            QFile::remove(dir.filePath(name));
    }
    for (const QString& name : dir.entryList({QStringLiteral("deck-*")}, QDir::Files)) {
        const QByteArray server = readClaim(dir.filePath(name));
        if (server.isEmpty() || programGone(server) || !QFile::exists(QString::fromUtf8(server)))
            QFile::remove(dir.filePath(name));
    }
}

QString WindowRegistry::claimFile(const QString& path) {
    // The deck's real path, links and "." resolved, so that every name of it finds the window.
    QByteArray real = FileNames::encode(FileNames::absolute(path));
#ifdef Q_OS_UNIX
    if (char* resolved = realpath(real.constData(), nullptr)) {
        real = resolved;
        std::free(resolved);
    }
#endif
    return folder() + QStringLiteral("/deck-") +
           QString::fromLatin1(QCryptographicHash::hash(real, QCryptographicHash::Sha1).toHex());
}

void WindowRegistry::setWindow(QWidget* window) {
    m_window = window;
    if (m_server.isListening() || folder().isEmpty())
        return;
    removeStale();
    const QString name =
        folder() + QStringLiteral("/window-%1").arg(QCoreApplication::applicationPid());
    QLocalServer::removeServer(name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    m_server.listen(name);
}

bool WindowRegistry::bringForward(const QString& path) {
    const QString file = claimFile(path);
    const QByteArray server = readClaim(file);
    if (server.isEmpty() || server == m_server.fullServerName().toUtf8())
        return false;
    if (programGone(server)) {
        QFile::remove(file);
        return false;
    }
    const QDeadlineTimer deadline(AnswerMs);
    QLocalSocket socket;
    socket.connectToServer(QString::fromUtf8(server));
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        if (socket.error() != QLocalSocket::SocketTimeoutError)
            QFile::remove(file); // its program is gone
        return false;
    }
    // The desktop's permission to take the keyboard, given to this start, goes to the window
    // that comes forward (Wayland lets no window raise itself without one).
    QByteArray request = "raise " + QFileInfo(file).fileName().toUtf8();
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (!token.isEmpty() && !token.contains(' ') && !token.contains('\n'))
        request += ' ' + token;
    socket.write(request + '\n');
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && !deadline.hasExpired() &&
           socket.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime()))))
        answer += socket.readAll();
    if (answer.trimmed() == "yes")
        return true;
    if (answer.trimmed() == "no" && readClaim(file) == server)
        QFile::remove(file); // it has another deck open by now
    return false;
}

void WindowRegistry::holding(const QString& path) {
    const QString file = path.isEmpty() ? QString() : claimFile(path);
    if (file == m_claim)
        return;
    release();
    if (file.isEmpty() || !m_server.isListening())
        return;
    const QByteArray name = m_server.fullServerName().toUtf8();
    if (SafeWrite::writeFile(file, [&](QIODevice& d) { return d.write(name) == name.size(); }).ok)
        m_claim = file;
}

void WindowRegistry::release() {
    // Only a claim that is still this window's own.
    if (!m_claim.isEmpty() && readClaim(m_claim) == m_server.fullServerName().toUtf8())
        QFile::remove(m_claim);
    m_claim.clear();
}

void WindowRegistry::onConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QList<QByteArray> request = socket->readLine().trimmed().split(' ');
            const bool mine = !m_claim.isEmpty() && request.size() >= 2 && request[0] == "raise" &&
                              request[1] == QFileInfo(m_claim).fileName().toUtf8();
            socket->write(mine ? "yes\n" : "no\n");
            socket->flush();
            // Wayland's platform takes the token from the environment as the window asks for
            // the keyboard.
            if (mine && request.size() >= 3)
                qputenv("XDG_ACTIVATION_TOKEN", request[2]);
            if (mine && m_window) {
                // A moment later: the asking window first finishes its own command, which
                // gives its keyboard back to itself.
                QTimer::singleShot(150, m_window, [window = m_window] { comeForward(window); });
            }
        });
    }
}
