#include "DeckApp.h"

#include "DeckFrame.h"
#include "Pictures.h"

#include <QSettings>

DeckApp::DeckApp(int& argc, char** argv)
    : QApplication(argc, argv) {
    setOrganizationName(QStringLiteral("Quorix"));
    setApplicationVersion(QStringLiteral(QUORIX_VERSION));
    setDesktopFileName(QStringLiteral("org.quorix.Quorix"));
    setWindowIcon(Pictures::applicationIcon());
}

DeckApp::~DeckApp() = default;

QString DeckApp::startupPath(const QStringList& arguments) {
    return arguments.mid(1).join(u' ');
}

bool DeckApp::InitInstance() {
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Quorix"), applicationName());
    m_frame = std::make_unique<DeckFrame>(*m_settings);
    const QString path = startupPath(arguments());
    if (!path.isEmpty())
        m_frame->startupLoad(path);
    m_frame->show();
    m_frame->closingStep();
    return true;
}
