#include "WindowRegistry.h"

#include "files/FileNames.h"
#include "files/SafeWrite.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <climits>
#include <cstdlib>
#endif
#ifdef QUORIX_HAVE_X11
#include <QGuiApplication>
#include <X11/Xlib.h>
#endif

namespace {

constexpr int AnswerMs = 2000;

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

} // namespace

WindowRegistry::WindowRegistry(QObject* parent)
    : QObject(parent) {
    connect(&m_server, &QLocalServer::newConnection, this, &WindowRegistry::onConnection);
}

WindowRegistry::~WindowRegistry() {
    release();
}

QString WindowRegistry::folder() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/quorix");
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
    if (m_server.isListening())
        return;
    QDir().mkpath(folder());
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
    QLocalSocket socket;
    socket.connectToServer(QString::fromUtf8(server));
    if (!socket.waitForConnected(AnswerMs)) {
        QFile::remove(file); // its program is gone
        return false;
    }
    socket.write("raise " + QFileInfo(file).fileName().toUtf8() + '\n');
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(AnswerMs))
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
            const QByteArray request = socket->readLine().trimmed();
            const bool mine =
                !m_claim.isEmpty() && request == "raise " + QFileInfo(m_claim).fileName().toUtf8();
            socket->write(mine ? "yes\n" : "no\n");
            socket->flush();
            if (mine && m_window) {
                // A moment later: the asking window first finishes its own command, which
                // gives its keyboard back to itself.
                QTimer::singleShot(150, m_window, [window = m_window] { comeForward(window); });
            }
        });
    }
}
