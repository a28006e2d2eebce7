#pragma once

#include <QMenu>

class Profile;

// File > Recent Files: the decks last opened, saved with Save As, loaded at start-up or
// dropped, most recent first, as "&1 /path/deck.qrx". Disabled while the list is empty.
class RecentFilesMenu : public QMenu {
    Q_OBJECT
public:
    RecentFilesMenu(const Profile& profile, QWidget* parent);

    // Enables the menu by the list, and fills it from the profile.
    void refresh();

Q_SIGNALS:
    void fileChosen(const QString& path);

private:
    const Profile& m_profile;
};
