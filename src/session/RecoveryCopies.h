#pragma once

#include "RecoveryCopy.h"

#include "deck/CardBlock.h"

#include <optional>
#include <vector>

// The recovery copies a Quorix that is no longer running left behind, wherever they went.
namespace RecoveryCopies {

struct Found {
    RecoveryCopy::Place place;
    RecoveryNote note;
};

// Every such copy in the state folder and in the other folders given (where copies may have
// gone when the state folder could not take them), newest first. One that is damaged,
// unreadable or written by a newer Quorix is set aside (moved out of the way, never read half or
// deleted); their names are added to setAside.
std::vector<Found> leftOver(const QStringList& otherFolders, QStringList* setAside);
// The cards of a copy; nothing when they cannot be read (it is then set aside).
std::optional<CardBlock> read(const Found& found);
void discard(const Found& found);

} // namespace RecoveryCopies
