#pragma once

#include <QString>

// The user's own folders for what the program keeps between runs.
namespace StateFolder {

// $XDG_STATE_HOME/quorix/recovery (~/.local/state/quorix/recovery): recovery copies, and the
// bytes a save writes in place keeps there while it runs.
QString recovery();

// Makes the folder (and what leads to it) and gives it to the user alone (0700), however it
// was made before. False, with the system's reason, when it cannot be had so.
bool makePrivate(const QString& folder, QString* reason = nullptr);

} // namespace StateFolder
