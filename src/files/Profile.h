#pragma once

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
