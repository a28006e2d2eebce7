#pragma once

#include "deck/UserInterface.h"

#include <QString>

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

    // The folder the file dialogs start in: "Last File" up to its last path separator, or
    // empty (the dialog's own default) when it has none.
    QString initialFolder() const;

private:
    QSettings& m_settings;
};

// The file dialogs of the File commands: one filter "<description> (*.<suffix>) |*.<suffix>||",
// that suffix as the default, "*.<suffix>" as the initial name, the folder of "Last File", and
// a prompt before a save replaces a file.
FileDialogRequest fileDialogRequest(FileDialogRequest::Kind kind, const QString& description,
                                    const QString& suffix, const Profile& profile);
