#include "HelpWindow.h"

#include "ports/UserInterface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QString DocumentName = QStringLiteral("quorix.html");
}

QStringList HelpWindow::searchPaths() {
    const QString app = QCoreApplication::applicationDirPath();
    QStringList paths{app + u'/' + DocumentName,
                      QDir::cleanPath(app + QStringLiteral("/../share/quorix/") + DocumentName)};
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        paths << dir + QStringLiteral("/quorix/") + DocumentName;
    return paths;
}

QString HelpWindow::locate() {
    for (const QString& path : searchPaths()) {
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

HelpWindow::HelpWindow(const QString& document, QWidget* parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this)) {
    setWindowTitle(QStringLiteral("Quorix Help"));
    setAccessibleName(QStringLiteral("Quorix Help"));
    m_browser->setAccessibleName(QStringLiteral("Help text"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(document));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(560, 620);
}

void HelpWindow::open(QWidget* parent, UserInterface& ui) {
    const QString document = locate();
    if (document.isEmpty()) {
        ui.standardMessageBox(QStringLiteral("The help document quorix.html could not be found.\n"
                                             "Quorix looked for it in:\n%1")
                                  .arg(searchPaths().join(u'\n')),
                              MessageIcon::Exclamation);
        return;
    }
    // One help window: asking again brings it forward.
    auto* window = parent->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new HelpWindow(document, parent);
    window->show();
    window->raise();
    window->activateWindow();
}
