#include "RecentFilesMenu.h"

#include "files/FileNames.h"
#include "files/Profile.h"

RecentFilesMenu::RecentFilesMenu(const Profile& profile, QWidget* parent)
    : QMenu(QStringLiteral("&Recent Files"), parent)
    , m_profile(profile) {
    connect(this, &QMenu::aboutToShow, this, &RecentFilesMenu::refresh);
}

void RecentFilesMenu::refresh() {
    clear();
    const QStringList files = m_profile.recentFiles();
    for (qsizetype i = 0; i < files.size(); ++i) {
        // A path is data: its '&' would otherwise mark a mnemonic.
        QString shown = FileNames::display(files[i]);
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* action = addAction(u'&' + QString::number(i + 1) + u' ' + shown);
        action->setStatusTip(QStringLiteral("Open this deck"));
        connect(action, &QAction::triggered, this,
                [this, path = files[i]] { Q_EMIT fileChosen(path); });
    }
    setEnabled(!files.isEmpty());
}
