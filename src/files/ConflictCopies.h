#pragma once

#include <QString>
#include <QStringList>

// The copies a sync tool leaves beside a file when two computers changed it at once:
// Syncthing's "deck.sync-conflict-20261208-101500-ABCDEFG.qrx", Nextcloud's and ownCloud's
// "deck (conflicted copy 2026-12-08 101500).qrx", Dropbox's
// "deck (Anna's conflicted copy 2026-12-08).qrx".
namespace ConflictCopies {

// Whether the file name is a conflict copy of the file named deckName (names only).
bool isCopyOf(const QString& name, const QString& deckName);
// The conflict copies of the deck in its folder, as full paths, oldest first.
QStringList beside(const QString& deckPath);
// Moves a copy to the desktop's trash; false, with the file where it was, when there is no
// trash to take it.
bool moveToTrash(const QString& path);

} // namespace ConflictCopies
