#pragma once

#include "ports/FileChooser.h"

#include <QString>
#include <QStringList>

#include <functional>

class QSettings;

// The per-user settings of the section "Settings": the main window's position and the path
// of the deck file last opened or saved.
class Profile {
public:
    explicit Profile(QSettings& settings);

    QString lastFile() const;
    void setLastFile(const QString& path);

    QString mainWindowPos() const;
    void setMainWindowPos(const QString& value);

    // The folder the file dialogs start in: the open deck's; with none, "Last File" up to its
    // last path separator; else the user's documents folder.
    QString initialFolder() const;
    // Where the open deck's path is asked for (empty while it is untitled).
    void followOpenDeck(std::function<QString()> openDeckPath) {
        m_openDeckPath = std::move(openDeckPath);
    }

    // The decks last opened, saved with Save As, loaded at start-up or dropped, most recent
    // first, at most MaxRecentFiles of them; kept under "Recent Files" beside "Last File".
    static constexpr int MaxRecentFiles = 4;
    QStringList recentFiles() const;
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

    // Folders other than the state folder that hold a recovery copy (it could not be written
    // where it belongs): looked in at the next start.
    QStringList recoveryPlaces() const;
    void addRecoveryPlace(const QString& folder);
    void removeRecoveryPlace(const QString& folder);

    // The code page a deck was last shown in, by the file its path leads to; 0 for a deck not
    // seen.
    int characterSetOf(const QString& path) const;
    void setCharacterSetOf(const QString& path, int codePage);

private:
    QSettings& m_settings;
    std::function<QString()> m_openDeckPath;
};

// The file dialogs of the File commands: one filter "<description> (*.<suffix>) |*.<suffix>||",
// that suffix as the default, the folder of initialFolder(), and a prompt before a save replaces a
// file. The name field starts with initialName, never with a pattern: a dialog would take
// "*.qrx" for a name.
FileDialogRequest fileDialogRequest(FileDialogRequest::Kind kind, const QString& title,
                                    const QString& description, const QString& suffix,
                                    const Profile& profile, const QString& initialName = {});
