#include "DeckApp.h"

#include "DeckFrame.h"
#include "Pictures.h"
#include "WindowPort.h"
#include "WindowRegistry.h"
#include "files/FileNames.h"
#include "session/DeckSession.h"
#include "session/SignalPipe.h"

#include <QProcess>
#include <QSettings>
#include <QTimer>

DeckApp::DeckApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Quorix"));
    setApplicationVersion(QStringLiteral(QUORIX_VERSION));
    setDesktopFileName(QStringLiteral("org.quorix.Quorix"));
    setWindowIcon(Pictures::applicationIcon());
    // Qt has taken its own options out of argv by now; the rest are kept as bytes, since a
    // file name need not be UTF-8.
    for (int i = 1; i < argc; ++i)
        m_arguments << FileNames::decode(QByteArrayView(argv[i]));
}

DeckApp::~DeckApp() {
    // The window shows the session, and the session talks through the port.
    m_frame.reset();
    m_session.reset();
    m_windows.reset();
}

QString DeckApp::startupPath(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

bool DeckApp::InitInstance() {
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Quorix"), applicationName());
    // A relative name means the folder Quorix was started in, wherever it is opened later.
    const QString path = FileNames::absolute(startupPath(QStringList(QString()) + m_arguments));
    m_windows = std::make_unique<WindowRegistry>();
    if (m_copyOf.isEmpty() && !path.isEmpty() && m_windows->bringForward(path))
        return false;

    m_port = std::make_unique<WindowPort>();
    m_session = std::make_unique<DeckSession>(*m_settings, *m_port);
    m_session->document().setOtherWindows(m_windows.get());
    m_frame = std::make_unique<DeckFrame>(*m_session, *m_port);
    m_windows->setWindow(m_frame.get());
    connect(m_session.get(), &DeckSession::documentChanged, this, [this] {
        const Document& document = m_session->document();
        m_windows->holding(document.isImported() ? QString() : document.filePath());
    });
    // The session's end (logout, shutdown) or a kill: no one can answer a dialog, so the
    // unsaved work is kept for the next start.
    m_signals = std::make_unique<SignalPipe>();
    connect(m_signals.get(), &SignalPipe::received, this,
            [this] { m_frame->endWithoutAsking(m_session->keepWorkForNextStart()); });

    if (!m_copyOf.isEmpty())
        m_session->documentCommands().openCopy(FileNames::absolute(m_copyOf));
    else if (!path.isEmpty())
        m_frame->startupLoad(path);
    m_frame->show();
    m_frame->closingStep();
    // Recover chosen elsewhere for another deck's work: a Quorix of its own, as every deck has.
    connect(m_session.get(), &DeckSession::recoverInOwnWindow, this, [](const QString& copy) {
        QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                {QStringLiteral("--recover"), copy});
    });
    // Once the window is up and has the keyboard, so that the keyboard comes back to it.
    QTimer::singleShot(0, m_frame.get(), [this] {
        if (!m_recover.isEmpty())
            m_session->recoverCopy(m_recover);
        else
            m_session->offerRecovery();
        m_frame->closingStep();
    });
    return true;
}
