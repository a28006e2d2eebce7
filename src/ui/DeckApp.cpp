#include "DeckApp.h"

#include "DeckFrame.h"
#include "Pictures.h"
#include "WindowPort.h"
#include "files/FileNames.h"

#include <QSettings>

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
}

QString DeckApp::startupPath(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

bool DeckApp::InitInstance() {
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Quorix"), applicationName());
    m_port = std::make_unique<WindowPort>();
    m_session = std::make_unique<DeckSession>(*m_settings, *m_port);
    m_frame = std::make_unique<DeckFrame>(*m_session, *m_port);
    const QString path = startupPath(QStringList(QString()) + m_arguments);
    if (!path.isEmpty())
        m_frame->startupLoad(path);
    m_frame->show();
    m_frame->closingStep();
    return true;
}
